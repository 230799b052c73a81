#include "text/NumberText.h"

#include <cctype>

std::string Thousands(int64_t value)
{
    const std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        const size_t left = digits.size() - i;
        if (i > 0 && left % 3 == 0 && std::isdigit(static_cast<unsigned char>(digits[i - 1]))) out += ',';
        out += digits[i];
    }
    return out;
}
