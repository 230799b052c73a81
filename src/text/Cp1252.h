#pragma once
#include <string>
#include <string_view>

// Windows-1252 is the byte encoding of the strings of a project in its older format, and of
// files for old players. These convert at those edges; the engine's own text is UTF-8.

// The Unicode code point of one Windows-1252 byte (undefined bytes map to themselves).
char32_t Cp1252ToCodePoint(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when it has none.
int CodePointToCp1252(char32_t cp);

// Appends a code point as UTF-8 (one to four bytes).
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view text);
