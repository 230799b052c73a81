#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Text from outside (lyric files, tags, command-line words) in the engine's Windows-1252.
//
// A file's encoding is found from its bytes: a UTF-8 or UTF-16 byte-order mark, else text that
// is valid UTF-8 and not plain ASCII is UTF-8, else the bytes are Windows-1252 already. A
// character that Windows-1252 cannot hold is replaced by its nearest letter where it has one
// (a Latin letter with marks by its base letter) or by "?", and every replacement is reported, never made silently.

enum class TextEncodingKind { Cp1252, Utf8, Utf16Le, Utf16Be };

struct ReplacedCharacter {
    size_t line = 0;           // from 1
    std::string original;      // the character as UTF-8
    char replacement = '?';    // its Windows-1252 stand-in
};

struct DecodedText {
    std::string text; // Windows-1252
    TextEncodingKind encoding = TextEncodingKind::Cp1252;
    std::vector<ReplacedCharacter> replaced;
};

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// A text file's bytes in Windows-1252, their encoding found as above (the mark removed).
DecodedText DecodeTextBytes(std::span<const uint8_t> bytes);

// UTF-8 text in Windows-1252, with what had to be replaced.
DecodedText Utf8ToCp1252Reported(std::string_view utf8);

// Lines such as `line 3: U+2605 became "?"` for a warning (Windows-1252 text, so the
// characters are named by their code points), at most `limit` of them and a count of the
// rest; empty when nothing was replaced.
std::string ReplacementReport(const std::vector<ReplacedCharacter>& replaced, size_t limit = 10);
