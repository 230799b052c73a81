#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Hand-built WAV files for the reader tests.
struct RiffChunk {
    std::string id; // four characters
    std::vector<uint8_t> body;
    // Size field to write instead of the body's size (lying headers).
    int64_t claimedSize = -1;
    // Add the pad byte after an odd-sized body.
    bool pad = true;
};

// "RIFF", size (the true one unless riffSize >= 0), "WAVE", then the chunks.
std::vector<uint8_t> RiffWave(const std::vector<RiffChunk>& chunks, int64_t riffSize = -1);
// The 16 common format bytes; extra is appended as it stands.
std::vector<uint8_t> FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                const std::vector<uint8_t>& extra = {});
// Extra bytes of the extensible format (size 22, valid bits, mask, GUID with the given tag).
std::vector<uint8_t> ExtensibleExtra(uint16_t bits, uint16_t subFormatTag);
RiffChunk FmtChunk(uint16_t channels, uint16_t bits, uint32_t rate = 44100);
std::vector<uint8_t> Le16Bytes(const std::vector<int16_t>& samples);
// An interleaved tone, different in each channel, of the given frames.
std::vector<int16_t> Tone(size_t frames, uint16_t channels, double amplitude = 20000.0);
// A plain file: format then data chunk of 16-bit samples.
std::vector<uint8_t> Pcm16File(const std::vector<int16_t>& samples, uint16_t channels);
