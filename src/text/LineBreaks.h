#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

// Where a line of UTF-8 text may be broken by the Unicode line-breaking rules, as byte offsets of
// the text that would start the next line (after 0, before the end). Between the characters of
// Chinese and Japanese there are such places, though no space; a break never puts closing
// punctuation at the start of a line.
std::vector<size_t> LineBreakOpportunities(std::string_view utf8);
