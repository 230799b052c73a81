#pragma once
#include <string>
#include <string_view>

// Windows-1252 is the byte encoding of every string in a project. These convert at the edges.

// The Unicode code point of one Windows-1252 byte (undefined bytes map to themselves).
char32_t Cp1252ToCodePoint(unsigned char byte);

// Appends a code point as UTF-8 (one to four bytes).
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to Windows-1252; characters without a 1252 form become '?'. Invalid UTF-8 bytes are
// taken as Windows-1252 bytes, so text that was never UTF-8 survives unchanged.
std::string Utf8ToCp1252(std::string_view text);
