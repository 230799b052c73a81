#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Builds JSON text for scripts, through the JSON library: the document is built as the calls
// come and written to out, indented, when the outermost container closes. Strings go in as
// UTF-8; bytes that are not UTF-8 become U+FFFD, so the output is valid JSON whatever the input.
// Calls must nest properly: a key before every value in an object.
class JsonWriter {
public:
    // indent 0 writes everything on one line.
    explicit JsonWriter(std::string& out, int indent = 2);
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    // oneLine is a wish the library's writer does not take; the text is the same JSON.
    void BeginObject(bool oneLine = false);
    void EndObject();
    void BeginArray(bool oneLine = false);
    void EndArray();
    void Key(std::string_view key);

    void String(std::string_view utf8);
    void Int(int64_t value);
    void UInt(uint64_t value);
    void Real(double value);
    void Bool(bool value);
    void Null();

    // Key and value in one call, for the common case.
    template <typename T>
    void Field(std::string_view key, const T& value)
    {
        Key(key);
        Value(value);
    }

private:
    struct Document;

    void Value(std::string_view v) { String(v); }
    void Value(const std::string& v) { String(v); }
    void Value(const char* v) { String(v); }
    void Value(bool v) { Bool(v); }
    void Value(int32_t v) { Int(v); }
    void Value(int64_t v) { Int(v); }
    void Value(uint8_t v) { UInt(v); }
    void Value(uint32_t v) { UInt(v); }
    void Value(uint64_t v) { UInt(v); }
    void Value(double v) { Real(v); }

    std::string& m_out;
    int m_indent;
    std::unique_ptr<Document> m_document;
};
