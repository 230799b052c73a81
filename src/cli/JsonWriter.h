#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds JSON text for scripts. Strings go in as UTF-8; quotes, backslashes and control
// characters are escaped, and bytes that are not UTF-8 become U+FFFD, so the output is valid
// JSON whatever the input. Calls must nest properly: a key before every value in an object.
class JsonWriter {
public:
    // indent 0 writes everything on one line.
    explicit JsonWriter(std::string& out, int indent = 2);

    // A container written on one line keeps everything inside it on that line too.
    void BeginObject(bool oneLine = false);
    void EndObject();
    void BeginArray(bool oneLine = false);
    void EndArray();
    void Key(std::string_view key);

    void String(std::string_view utf8);
    void Int(int64_t value);
    void UInt(uint64_t value);
    void Bool(bool value);
    void Null();

    // Key and value in one call, for the common case.
    template <typename T>
    void Field(std::string_view key, const T& value)
    {
        Key(key);
        Value(value);
    }

    // Appends utf8 as a quoted JSON string.
    static void AppendQuoted(std::string& out, std::string_view utf8);

private:
    struct Level {
        bool oneLine;
        int count;
    };

    void Value(std::string_view v) { String(v); }
    void Value(const std::string& v) { String(v); }
    void Value(const char* v) { String(v); }
    void Value(bool v) { Bool(v); }
    void Value(int32_t v) { Int(v); }
    void Value(int64_t v) { Int(v); }
    void Value(uint8_t v) { UInt(v); }
    void Value(uint32_t v) { UInt(v); }
    void Value(uint64_t v) { UInt(v); }

    void BeforeValue();
    void NewLine(size_t depth);
    void Open(char bracket, bool oneLine);
    void Close(char bracket);

    std::string& m_out;
    int m_indent;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};
