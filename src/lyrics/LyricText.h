#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Replaces the UTF-8 forms of the en dash, right single quote, double quotes and ellipsis
// (three bytes beginning 0xE2) by their Windows-1252 bytes; other 0xE2 sequences keep 0xE2,
// 0x80 and their third byte.
std::string ReplaceUtf8Punctuation(std::string_view text);

// True when the bytes begin with the UTF-16 little-endian byte-order mark.
bool HasUtf16LeMark(std::span<const uint8_t> bytes);

// The UTF-16 little-endian text after the byte-order mark, as Windows-1252 ('?' for characters
// without a 1252 form).
std::string Utf16LeToCp1252(std::span<const uint8_t> bytes);

// How a ".txt" lyric file becomes lyric text: bare line feeds become carriage return and line
// feed, and the UTF-8 punctuation becomes Windows-1252.
std::string ConvertPlainLyrics(std::string_view text);

// Reads text as a text-mode stream would: every carriage return and line feed pair becomes
// one line feed.
std::string TextModeLineEnds(std::span<const uint8_t> bytes);

// The words of a piece of text: the runs between spaces, empty runs left out.
std::vector<std::string> SplitAtSpaces(std::string_view text);
