#include "lyrics/MidiLyrics.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "lyrics/LyricText.h"

namespace {

constexpr size_t kTrackMarkOffset = 14;
constexpr size_t kFirstEventOffset = 22;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kMetaText = 0x01;
constexpr uint8_t kMetaTrackName = 0x03;
constexpr uint8_t kMetaLyric = 0x05;
constexpr uint8_t kMetaEndOfTrack = 0x2F;

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Carriage returns become CR LF without doubling an existing CR LF.
std::string NormaliseLineEnds(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        }
    }
    return out;
}

} // namespace

std::string ExtractMidiLyrics(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kFirstEventOffset || std::memcmp(bytes.data(), "MThd", 4) != 0 ||
        std::memcmp(bytes.data() + kTrackMarkOffset, "MTrk", 4) != 0)
        return {};

    std::string result;
    bool found = false;
    size_t pos = kFirstEventOffset;
    while (pos + 4 <= bytes.size()) {
        if (bytes[pos] != kMetaEvent) {
            ++pos;
            continue;
        }
        const uint8_t type = bytes[pos + 1];
        pos += 2;
        if (type == kMetaEndOfTrack && found) break;
        if (type != kMetaText && type != kMetaTrackName && type != kMetaLyric) continue;

        // The length is a variable-length number; it only ever moves the scan forward.
        size_t length = 0;
        int lengthBytes = 0;
        while (pos < bytes.size() && lengthBytes < 4) {
            const uint8_t b = bytes[pos++];
            length = (length << 7) | (b & 0x7F);
            ++lengthBytes;
            if (!(b & 0x80)) break;
        }
        length = std::min(length, bytes.size() - pos);
        const std::string text(reinterpret_cast<const char*>(bytes.data() + pos), length);
        pos += length;

        if (type == kMetaTrackName) {
            if (EqualsIgnoringCase(text, "words") || EqualsIgnoringCase(text, "Lyrics")) found = true;
            continue;
        }
        if (!text.empty() && text[0] == '@') continue;
        std::string piece = text;
        if (!piece.empty() && (piece[0] == '/' || piece[0] == '\\')) piece.replace(0, 1, "\r\n");
        result += NormaliseLineEnds(ReplaceUtf8Punctuation(piece));
        found = true;
    }
    return result;
}
