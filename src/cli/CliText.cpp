#include "cli/CliText.h"

#include <cstdio>

#include "text/Cp1252.h"
#include "text/TextEncoding.h"

std::string CliText(const std::string& utf8, const std::string& option)
{
    const DecodedText decoded = Utf8ToCp1252Reported(utf8);
    for (const ReplacedCharacter& r : decoded.replaced)
        std::fprintf(stderr, "warning: %s: \"%s\" cannot be shown on a karaoke screen and became \"%s\"\n",
                     option.c_str(), r.original.c_str(), Cp1252ToUtf8(std::string(1, r.replacement)).c_str());
    return decoded.text;
}
