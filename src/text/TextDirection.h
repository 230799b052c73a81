#pragma once
#include <string_view>

// Whether a line of text reads right to left: its first letter with a direction of its own is
// Hebrew, Arabic or of another right-to-left script. Text without such a letter reads left to right.
bool StartsRightToLeft(std::string_view utf8);
