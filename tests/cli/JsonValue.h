#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A parsed JSON document, strict enough to catch what a careless writer gets wrong: raw control
// characters in strings, bad escapes, invalid UTF-8, trailing commas, duplicate keys, text after
// the value. Strings come out as UTF-8 with every escape decoded.
class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    // False with a reason (and its byte offset) when text is not exactly one JSON value.
    static bool Parse(std::string_view text, JsonValue& out, std::string& error);

    Kind kind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }
    bool IsNumber() const { return m_kind == Kind::Number; }
    bool IsString() const { return m_kind == Kind::String; }
    bool IsArray() const { return m_kind == Kind::Array; }
    bool IsObject() const { return m_kind == Kind::Object; }
    bool IsBool() const { return m_kind == Kind::Bool; }

    bool AsBool() const { return m_bool; }
    // The number as an integer; numbers with a fraction or exponent give 0 and IsInteger false.
    int64_t AsInt() const { return m_int; }
    bool IsInteger() const { return m_kind == Kind::Number && m_isInteger; }
    const std::string& AsString() const { return m_string; }

    size_t size() const { return m_kind == Kind::Object ? m_members.size() : m_items.size(); }
    bool Has(const std::string& key) const;
    // A missing key or index gives a null value, so chains of lookups never throw.
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](const char* key) const { return (*this)[std::string(key)]; }
    const JsonValue& operator[](size_t index) const;
    // Without this a literal 0 would be as good a key (a null pointer) as an index.
    const JsonValue& operator[](int index) const { return (*this)[static_cast<size_t>(index < 0 ? -1 : index)]; }
    const std::vector<std::pair<std::string, JsonValue>>& Members() const { return m_members; }

private:
    friend class JsonParser;

    Kind m_kind = Kind::Null;
    bool m_bool = false;
    bool m_isInteger = false;
    int64_t m_int = 0;
    std::string m_string;
    std::vector<JsonValue> m_items;
    std::vector<std::pair<std::string, JsonValue>> m_members;
};
