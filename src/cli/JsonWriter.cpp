#include "cli/JsonWriter.h"

#include <nlohmann/json.hpp>

// The document and the containers still open, innermost last, with the key waiting for a value.
struct JsonWriter::Document {
    nlohmann::ordered_json root;
    std::vector<nlohmann::ordered_json*> open;
    std::string key;

    void Add(nlohmann::ordered_json value)
    {
        if (open.empty()) {
            root = std::move(value);
            return;
        }
        nlohmann::ordered_json& parent = *open.back();
        if (parent.is_array()) parent.push_back(std::move(value));
        else parent[key] = std::move(value);
    }

    // The container just added, to be filled next.
    nlohmann::ordered_json* Last()
    {
        if (open.empty()) return &root;
        nlohmann::ordered_json& parent = *open.back();
        return parent.is_array() ? &parent.back() : &parent[key];
    }
};

JsonWriter::JsonWriter(std::string& out, int indent) : m_out(out), m_indent(indent), m_document(std::make_unique<Document>())
{
}

JsonWriter::~JsonWriter() = default;

void JsonWriter::BeginObject(bool)
{
    m_document->Add(nlohmann::ordered_json::object());
    m_document->open.push_back(m_document->Last());
}

void JsonWriter::BeginArray(bool)
{
    m_document->Add(nlohmann::ordered_json::array());
    m_document->open.push_back(m_document->Last());
}

void JsonWriter::EndObject()
{
    EndArray();
}

void JsonWriter::EndArray()
{
    if (m_document->open.empty()) return;
    m_document->open.pop_back();
    if (!m_document->open.empty()) return;
    m_out += m_document->root.dump(m_indent > 0 ? m_indent : -1, ' ', false,
                                   nlohmann::ordered_json::error_handler_t::replace);
    m_out += '\n';
}

void JsonWriter::Key(std::string_view key)
{
    m_document->key = std::string(key);
}

void JsonWriter::String(std::string_view utf8)
{
    m_document->Add(std::string(utf8));
}

void JsonWriter::Int(int64_t value)
{
    m_document->Add(value);
}

void JsonWriter::UInt(uint64_t value)
{
    m_document->Add(value);
}

void JsonWriter::Real(double value)
{
    m_document->Add(value);
}

void JsonWriter::Bool(bool value)
{
    m_document->Add(value);
}

void JsonWriter::Null()
{
    m_document->Add(nullptr);
}
