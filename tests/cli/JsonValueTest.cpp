#include <gtest/gtest.h>

#include "cli/JsonValue.h"

// The CLI tests lean on this parser to judge the JSON report, so it must refuse what a faulty
// writer would produce, not only accept what a good one does.
TEST(JsonValue, RefusesMalformedText)
{
    const char* const bad[] = {
        "",
        "{\"a\": 1,}",
        "[1, 2",
        "{\"a\": 1, \"a\": 2}",
        "\"tab\there\"",
        "\"\\x41\"",
        "\"\\ud800\"",
        "\"\xC3\"",
        "\"\xE9t\xE9\"",
        "01",
        "{\"a\" 1}",
        "[1] 2",
        "tru",
    };
    for (const char* text : bad) {
        JsonValue v;
        std::string error;
        EXPECT_FALSE(JsonValue::Parse(text, v, error)) << text;
    }
}

TEST(JsonValue, DecodesEscapesAndKeepsStructure)
{
    JsonValue v;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(
        R"( {"s": "a\"b\\c\u000a\u00e9\ud83c\udfb5", "n": -42, "f": 1.5e3, "b": false, "z": null, "l": [1, [], {}]} )",
        v, error))
        << error;
    EXPECT_EQ(v["s"].AsString(), "a\"b\\c\n\xC3\xA9\xF0\x9F\x8E\xB5");
    EXPECT_EQ(v["n"].AsInt(), -42);
    EXPECT_TRUE(v["n"].IsInteger());
    EXPECT_TRUE(v["f"].IsNumber());
    EXPECT_FALSE(v["f"].IsInteger());
    EXPECT_TRUE(v["b"].IsBool());
    EXPECT_FALSE(v["b"].AsBool());
    EXPECT_TRUE(v["z"].IsNull());
    EXPECT_TRUE(v.Has("z"));
    EXPECT_FALSE(v.Has("missing"));
    ASSERT_EQ(v["l"].size(), 3u);
    EXPECT_TRUE(v["l"][1].IsArray());
    EXPECT_TRUE(v["l"][2].IsObject());
    EXPECT_TRUE(v["l"][7].IsNull());
}
