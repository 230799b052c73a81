#include "cli/CliText.h"

#include "text/TextEncoding.h"

std::string CliText(const std::string& word)
{
    return DecodeLegacyText(word).text;
}
