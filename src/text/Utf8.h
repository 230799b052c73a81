#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Text inside the engine is UTF-8. These read it one code point at a time.

// The code point of the well-formed UTF-8 sequence at text[i] and its length in bytes; 0 when
// the bytes there are not one (overlong forms, surrogates and cut sequences among them).
size_t DecodeUtf8At(std::string_view text, size_t i, char32_t& cp);

// The next code point at text[i] and its length; a byte that starts no well-formed sequence is
// read as the Windows-1252 character it would be, one byte long. Any bytes read as text this way.
size_t NextCodePoint(std::string_view text, size_t i, char32_t& cp);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The text as well-formed UTF-8: valid sequences kept, each other byte taken as Windows-1252,
// so text that was never UTF-8 keeps every character.
std::string ToValidUtf8(std::string_view bytes);

// True when every character of the UTF-8 text has a Windows-1252 form.
bool FitsCp1252(std::string_view utf8);

// The number of code points in the text (as NextCodePoint reads it).
size_t CodePointCount(std::string_view text);

// UTF-8 to Windows-1252; characters without a 1252 form become '?'. Invalid UTF-8 bytes are
// taken as Windows-1252 bytes, so text that was never UTF-8 survives unchanged.
std::string Utf8ToCp1252(std::string_view text);

// "U+3042" for a code point.
std::string CodePointName(char32_t cp);
