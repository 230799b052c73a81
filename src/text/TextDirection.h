#pragma once
#include <cstddef>
#include <string_view>

// Whether a line of text reads right to left: its first letter with a direction of its own is
// Hebrew, Arabic or of another right-to-left script. Text without such a letter reads left to right.
bool StartsRightToLeft(std::string_view utf8);

// The byte where the first letter with a direction of its own stands in text's bytes [begin, end),
// or begin when none has one (digits, spaces, punctuation): the character whose place in the
// bidirectional order says which way a word reads.
size_t FirstStrongLetter(std::string_view utf8, size_t begin, size_t end);
