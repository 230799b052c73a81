#include <gtest/gtest.h>

#include "text/Cp1252.h"
#include "text/Utf8.h"

TEST(Cp1252, ConvertsBothWaysIncludingTheHighPunctuationRange)
{
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9 \x80 \x96 \x99"), "café € – ™");
    EXPECT_EQ(Utf8ToCp1252("café € – ™"), "caf\xE9 \x80 \x96 \x99");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, char(b));
        EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
    }
    EXPECT_EQ(Cp1252ToCodePoint(0x9F), U'\u0178');
}

TEST(Cp1252, CharactersWithoutAFormBecomeQuestionMarksAndBadUtf8Survives)
{
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
    EXPECT_EQ(Utf8ToCp1252("\xE9t\xE9"), "\xE9t\xE9"); // already 1252
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "\xC3");           // cut sequence
}
