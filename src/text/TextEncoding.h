#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Text from outside (lyric files, tags, command-line words) in the engine's UTF-8.
//
// A file's encoding is found from its bytes: a UTF-8 or UTF-16 byte-order mark, else text that
// is valid UTF-8 is UTF-8, else the bytes are read in a legacy code page (Windows-1252 unless
// they read as another one named or found: see DecodeLegacyText). Every character is kept.

enum class TextEncodingKind { Cp1252, Utf8, Utf16Le, Utf16Be, ShiftJis, Cp1251 };

struct DecodedText {
    std::string text; // UTF-8
    TextEncodingKind encoding = TextEncodingKind::Cp1252;
};

// A text file's bytes in UTF-8, their encoding found as above (the mark removed).
DecodedText DecodeTextBytes(std::span<const uint8_t> bytes);

// Bytes that are not UTF-8 in UTF-8: Shift-JIS when they read as Japanese text, Windows-1251
// when they read as Russian text, else Windows-1252. Valid UTF-8 is kept as it is.
DecodedText DecodeLegacyText(std::string_view bytes);

// Bytes in UTF-8 read in a given encoding (as DecodeLegacyText found it for a whole file);
// what does not read in it is taken as Windows-1252.
std::string DecodeAs(std::string_view bytes, TextEncodingKind encoding);

// A character of a text, where it is: for reports that name what cannot be shown.
struct TextCharacter {
    size_t line = 0;       // from 1
    std::string character; // UTF-8
};

// Lines such as `line 3: "★" (U+2605)`, at most `limit` of them and a count of the rest;
// empty when there are none.
std::string CharacterReport(const std::vector<TextCharacter>& characters, size_t limit = 10);
