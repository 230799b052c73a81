#pragma once
#include <cstdint>
#include <string>

// A whole number as the user reads it, its thousands grouped: 48000 -> "48,000", 1251 -> "1,251".
std::string Thousands(int64_t value);
