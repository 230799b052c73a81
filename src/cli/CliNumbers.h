#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Number arguments of the CLI commands, parsed exactly (no locale, no floating point).

inline constexpr uint64_t kMicrosPerSecond = 1000000;

// A decimal number of seconds ("12", "0.5", "81.25") as whole microseconds, exactly; at most
// 8 digits before the point and 6 after.
std::optional<uint64_t> ParseMicroseconds(const std::string& text);
// A whole number of at most 12 digits.
std::optional<uint64_t> ParseCount(const std::string& text);
// A whole number with an optional sign, within [low, high].
std::optional<int> ParseInt(const std::string& text, int low, int high);
