#include "cli/JsonValue.h"

#include <cerrno>
#include <cstdlib>

namespace {

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : m_text(text) {}

    bool Document(JsonValue& out, std::string& error)
    {
        SkipSpace();
        if (!Value(out, 0)) {
            error = m_error + " at byte " + std::to_string(m_pos);
            return false;
        }
        SkipSpace();
        if (m_pos != m_text.size()) {
            error = "text after the value at byte " + std::to_string(m_pos);
            return false;
        }
        return true;
    }

private:
    static constexpr int kMaxDepth = 64;

    bool Fail(const char* why)
    {
        m_error = why;
        return false;
    }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++m_pos;
    }
    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word) return Fail("unknown literal");
        m_pos += word.size();
        return true;
    }

    bool Value(JsonValue& out, int depth)
    {
        if (depth > kMaxDepth) return Fail("nested too deeply");
        switch (Peek()) {
        case '{':
            return Object(out, depth);
        case '[':
            return Array(out, depth);
        case '"':
            out.m_kind = JsonValue::Kind::String;
            return String(out.m_string);
        case 't':
            out.m_kind = JsonValue::Kind::Bool;
            out.m_bool = true;
            return Literal("true");
        case 'f':
            out.m_kind = JsonValue::Kind::Bool;
            out.m_bool = false;
            return Literal("false");
        case 'n':
            out.m_kind = JsonValue::Kind::Null;
            return Literal("null");
        default:
            return Number(out);
        }
    }

    bool Object(JsonValue& out, int depth)
    {
        out.m_kind = JsonValue::Kind::Object;
        ++m_pos; // {
        SkipSpace();
        if (Peek() == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (Peek() != '"') return Fail("expected a key");
            std::string key;
            if (!String(key)) return false;
            if (out.Has(key)) return Fail("duplicate key");
            SkipSpace();
            if (Peek() != ':') return Fail("expected ':'");
            ++m_pos;
            SkipSpace();
            JsonValue value;
            if (!Value(value, depth + 1)) return false;
            out.m_members.emplace_back(std::move(key), std::move(value));
            SkipSpace();
            if (Peek() == ',') {
                ++m_pos;
                continue;
            }
            if (Peek() == '}') {
                ++m_pos;
                return true;
            }
            return Fail("expected ',' or '}'");
        }
    }

    bool Array(JsonValue& out, int depth)
    {
        out.m_kind = JsonValue::Kind::Array;
        ++m_pos; // [
        SkipSpace();
        if (Peek() == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            SkipSpace();
            JsonValue value;
            if (!Value(value, depth + 1)) return false;
            out.m_items.push_back(std::move(value));
            SkipSpace();
            if (Peek() == ',') {
                ++m_pos;
                continue;
            }
            if (Peek() == ']') {
                ++m_pos;
                return true;
            }
            return Fail("expected ',' or ']'");
        }
    }

    bool Hex4(uint32_t& value)
    {
        if (m_pos + 4 > m_text.size()) return Fail("short \\u escape");
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            value <<= 4;
            if (c >= '0' && c <= '9') value |= uint32_t(c - '0');
            else if (c >= 'a' && c <= 'f') value |= uint32_t(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') value |= uint32_t(c - 'A' + 10);
            else return Fail("bad hex digit");
        }
        return true;
    }

    // One UTF-8 sequence copied as it is, after checking it.
    bool Utf8Sequence(std::string& out)
    {
        const auto b0 = static_cast<unsigned char>(m_text[m_pos]);
        size_t n = 0;
        uint32_t cp = 0;
        uint32_t min = 0;
        if ((b0 & 0xE0) == 0xC0) {
            n = 2;
            cp = b0 & 0x1F;
            min = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            n = 3;
            cp = b0 & 0x0F;
            min = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            n = 4;
            cp = b0 & 0x07;
            min = 0x10000;
        } else {
            return Fail("invalid UTF-8");
        }
        if (m_pos + n > m_text.size()) return Fail("truncated UTF-8");
        for (size_t k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(m_text[m_pos + k]);
            if ((b & 0xC0) != 0x80) return Fail("invalid UTF-8");
            cp = (cp << 6) | (b & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return Fail("invalid UTF-8");
        out.append(m_text.substr(m_pos, n));
        m_pos += n;
        return true;
    }

    bool String(std::string& out)
    {
        ++m_pos; // opening quote
        for (;;) {
            if (AtEnd()) return Fail("unterminated string");
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c < 0x20) return Fail("raw control character in a string");
            if (c >= 0x80) {
                if (!Utf8Sequence(out)) return false;
                continue;
            }
            ++m_pos;
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            if (AtEnd()) return Fail("unterminated escape");
            const char e = m_text[m_pos++];
            switch (e) {
            case '"': out.push_back('"'); break;
            case '\\': out.push_back('\\'); break;
            case '/': out.push_back('/'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'n': out.push_back('\n'); break;
            case 'r': out.push_back('\r'); break;
            case 't': out.push_back('\t'); break;
            case 'u': {
                uint32_t cp = 0;
                if (!Hex4(cp)) return false;
                if (cp >= 0xDC00 && cp <= 0xDFFF) return Fail("lone low surrogate");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    uint32_t low = 0;
                    if (m_text.substr(m_pos, 2) != "\\u") return Fail("lone high surrogate");
                    m_pos += 2;
                    if (!Hex4(low)) return false;
                    if (low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                return Fail("unknown escape");
            }
        }
    }

    bool Number(JsonValue& out)
    {
        const size_t start = m_pos;
        if (Peek() == '-') ++m_pos;
        if (Peek() == '0') {
            ++m_pos;
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9') ++m_pos;
        } else {
            return Fail("expected a value");
        }
        bool integer = true;
        if (Peek() == '.') {
            integer = false;
            ++m_pos;
            if (!(Peek() >= '0' && Peek() <= '9')) return Fail("digit expected after '.'");
            while (Peek() >= '0' && Peek() <= '9') ++m_pos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            integer = false;
            ++m_pos;
            if (Peek() == '+' || Peek() == '-') ++m_pos;
            if (!(Peek() >= '0' && Peek() <= '9')) return Fail("digit expected in exponent");
            while (Peek() >= '0' && Peek() <= '9') ++m_pos;
        }
        out.m_kind = JsonValue::Kind::Number;
        out.m_isInteger = integer;
        if (integer) {
            const std::string digits(m_text.substr(start, m_pos - start));
            errno = 0;
            out.m_int = std::strtoll(digits.c_str(), nullptr, 10);
            if (errno == ERANGE) return Fail("integer out of range");
        }
        return true;
    }

    std::string_view m_text;
    size_t m_pos = 0;
    std::string m_error;
};

bool JsonValue::Parse(std::string_view text, JsonValue& out, std::string& error)
{
    out = JsonValue();
    return JsonParser(text).Document(out, error);
}

bool JsonValue::Has(const std::string& key) const
{
    for (const auto& member : m_members)
        if (member.first == key) return true;
    return false;
}

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    static const JsonValue kNull;
    for (const auto& member : m_members)
        if (member.first == key) return member.second;
    return kNull;
}

const JsonValue& JsonValue::operator[](size_t index) const
{
    static const JsonValue kNull;
    return index < m_items.size() ? m_items[index] : kNull;
}
