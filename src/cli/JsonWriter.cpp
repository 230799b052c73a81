#include "cli/JsonWriter.h"

#include <cstdio>

namespace {

void AppendUnicodeEscape(std::string& out, unsigned value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", value & 0xFFFF);
    out += buf;
}

// Length of the valid UTF-8 sequence that starts at text[i], or 0 when it is not one
// (overlong forms, surrogates and values above U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text, size_t i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    size_t n = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 < 0x80) return 1;
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
        return 0;
    }
    if (i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

} // namespace

JsonWriter::JsonWriter(std::string& out, int indent) : m_out(out), m_indent(indent < 0 ? 0 : indent) {}

void JsonWriter::AppendQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            AppendUnicodeEscape(out, c);
            ++i;
            continue;
        }
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD
            ++i;
            continue;
        }
        // C1 controls (U+0080..U+009F) are valid JSON but some terminals act on them.
        if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            AppendUnicodeEscape(out, static_cast<unsigned char>(text[i + 1]));
        } else {
            out.append(text.substr(i, n));
        }
        i += n;
    }
    out.push_back('"');
}

void JsonWriter::NewLine(size_t depth)
{
    if (m_indent == 0) return;
    m_out.push_back('\n');
    m_out.append(depth * static_cast<size_t>(m_indent), ' ');
}

void JsonWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty()) return;
    Level& level = m_levels.back();
    const bool first = level.count++ == 0;
    if (!first) m_out.push_back(',');
    if (!level.oneLine) NewLine(m_levels.size());
    else if (!first && m_indent > 0) m_out.push_back(' ');
}

void JsonWriter::Open(char bracket, bool oneLine)
{
    BeforeValue();
    m_out.push_back(bracket);
    m_levels.push_back({oneLine || (!m_levels.empty() && m_levels.back().oneLine), 0});
}

void JsonWriter::Close(char bracket)
{
    if (m_levels.empty()) return;
    const bool breakLine = m_levels.back().count > 0 && !m_levels.back().oneLine;
    m_levels.pop_back();
    if (breakLine) NewLine(m_levels.size());
    m_out.push_back(bracket);
    if (m_levels.empty() && m_indent > 0) m_out.push_back('\n');
}

void JsonWriter::BeginObject(bool oneLine)
{
    Open('{', oneLine);
}

void JsonWriter::EndObject()
{
    Close('}');
}

void JsonWriter::BeginArray(bool oneLine)
{
    Open('[', oneLine);
}

void JsonWriter::EndArray()
{
    Close(']');
}

void JsonWriter::Key(std::string_view key)
{
    BeforeValue();
    AppendQuoted(m_out, key);
    m_out += m_indent > 0 ? ": " : ":";
    m_afterKey = true;
}

void JsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    AppendQuoted(m_out, utf8);
}

void JsonWriter::Int(int64_t value)
{
    BeforeValue();
    m_out += std::to_string(value);
}

void JsonWriter::UInt(uint64_t value)
{
    BeforeValue();
    m_out += std::to_string(value);
}

void JsonWriter::Bool(bool value)
{
    BeforeValue();
    m_out += value ? "true" : "false";
}

void JsonWriter::Null()
{
    BeforeValue();
    m_out += "null";
}
