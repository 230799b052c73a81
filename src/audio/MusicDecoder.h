#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "audio/AudioSourceFormat.h"
#include "audio/MusicTags.h"

// Status codes of the decoder (the user is told the text, never the code).
inline constexpr uint32_t kStatusOk = 0;
inline constexpr uint32_t kStatusNotImplemented = 0x80004001; // a format check failed
inline constexpr uint32_t kStatusFail = 0x80004005;
inline constexpr uint32_t kStatusFileNotFound = 0x80070002;
inline constexpr uint32_t kStatusEndOfFile = 0x80070026;      // the file ends before its stated length
inline constexpr uint32_t kStatusFileTooLarge = 0x800700DF;   // more sound than a WAV file can describe
inline constexpr uint32_t kStatusCancelled = 0x800704C7;

inline constexpr int kWorkFileRate = 44100;
inline constexpr int kWavHeaderBytes = 44;
// The data size field of a 44-byte header is 32-bit and the RIFF size is 36 more.
inline constexpr uint64_t kMaxDecodedBytes = uint64_t(UINT32_MAX) - (kWavHeaderBytes - 8);

// Decodes music files (MP3, WMA, OGG, FLAC, M4A, ... whatever FFmpeg reads) into 16-bit PCM
// in the file's own rate and channel count, or converted to the 44,100 Hz stereo work format,
// and reads their tags and duration. The three format checks (44,100 Hz, 16 bits, stereo) are
// on unless switched off or the music is converted.
class MusicDecoder {
public:
    using Progress = std::function<void(int percent)>;
    using CancelCheck = std::function<bool()>;

    MusicDecoder();
    ~MusicDecoder();

    void SetAcceptAnyRate(bool accept) { m_acceptAnyRate = accept; }
    void SetAcceptAnySampleSize(bool accept) { m_acceptAnySampleSize = accept; }
    void SetAcceptAnyChannelCount(bool accept) { m_acceptAnyChannels = accept; }
    // Resamples (at high quality) and remixes whatever the file holds to 44,100 Hz 16-bit
    // stereo: mono is duplicated, more channels are mixed down, float and deeper samples are
    // dithered. The format checks then pass by construction.
    void SetConvertToWorkFormat(bool convert) { m_convert = convert; }
    // Asked between packets; when it answers true, Decode stops with kStatusCancelled. It runs
    // on the decoding thread.
    void SetCancelCheck(CancelCheck cancelled) { m_cancelled = std::move(cancelled); }

    // Writes 44 zero bytes (room for the header) and then every decoded sample to outputPath.
    // Progress gets whole percentages of the expected size as they rise. Returns kStatusOk or a
    // failure status, with ErrorText() set to "<text>\n" or "<text>: <the system's reason>\n". The output file is
    // left as it is on failure: the caller decides what becomes of it.
    uint32_t Decode(const std::string& path, const std::string& outputPath, const Progress& progress);
    // Reads the tags and the duration. False when the file cannot be opened or has no audio.
    bool ReadTags(const std::string& path, MusicTags& tags);
    // The length of the audio in 100 ns units by walking its packets, for files whose header
    // does not say; 0 when the file has no audio or cannot be read.
    int64_t MeasureDuration(const std::string& path);

    const std::string& ErrorText() const { return m_errorText; }
    int SampleRate() const { return m_sampleRate; }
    int Channels() const { return m_channels; }
    int BitsPerSample() const { return m_bits; }
    int BlockAlign() const { return m_channels * m_bits / 8; }
    uint64_t BytesWritten() const { return m_bytesWritten; }
    const MusicTags& Tags() const { return m_tags; }
    // The format of the music itself, known once Decode has found its audio.
    const AudioSourceFormat& Source() const { return m_source; }

    // "<text>\n", or "<text>: <reason>\n" when the system gave a reason: the form every audio
    // failure is shown in.
    static std::string FormatError(const char* text, const std::string& reason = {});

private:
    uint32_t Fail(const char* text, uint32_t status, const std::string& reason = {});

    bool m_acceptAnyRate = false;
    bool m_acceptAnySampleSize = false;
    bool m_acceptAnyChannels = false;
    bool m_convert = false;
    AudioSourceFormat m_source;
    CancelCheck m_cancelled;
    std::string m_errorText;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_bits = 0;
    uint64_t m_bytesWritten = 0;
    uint64_t m_expectedBytes = 0;
    MusicTags m_tags;
};
