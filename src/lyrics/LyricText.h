#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// How a ".txt" lyric file's text becomes lyric text: bare line feeds become carriage return and
// line feed.
std::string ConvertPlainLyrics(std::string_view text);

// Reads text as a text-mode stream would: every carriage return and line feed pair becomes
// one line feed.
std::string TextModeLineEnds(std::span<const uint8_t> bytes);

// The words of a piece of text: the runs between spaces, empty runs left out.
std::vector<std::string> SplitAtSpaces(std::string_view text);
