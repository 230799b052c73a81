#include "audio/MusicImport.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audio/MusicDecoder.h"
#include "audio/MidiSynth.h"
#include "audio/WorkFileSource.h"
#include "media/ByteOrder.h"
#include "media/PrivateWorkFolder.h"
#include "media/ReplacingFile.h"
#include "media/WavConstants.h"
#include "media/WaveStreamReader.h"
#include "text/NumberText.h"

namespace {

constexpr const char* kWavExtension = ".wav";
constexpr char kFolderSeparator = '/';

// The 44-byte header put before the decoded samples: RIFF preamble, a 16-byte format chunk and
// the data chunk header.
constexpr uint32_t kFmtChunkBytes = 16;
constexpr size_t kRiffSizeAt = 4;
constexpr size_t kWaveIdAt = 8;
constexpr size_t kFmtIdAt = 12;
constexpr size_t kFmtSizeAt = 16;
constexpr size_t kFormatAt = 20;
constexpr size_t kDataIdAt = 36;
constexpr size_t kDataSizeAt = 40;
constexpr uint32_t kRiffSizeOverData = kWavHeaderBytes - kChunkHeaderBytes;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string AbsolutePath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind(kFolderSeparator);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::array<uint8_t, kWavHeaderBytes> PcmHeader(uint32_t dataBytes, int rate, int bits, int channels)
{
    std::array<uint8_t, kWavHeaderBytes> h{};
    uint8_t* p = h.data();
    std::copy(kRiffId.begin(), kRiffId.end(), p);
    PutLe32(p + kRiffSizeAt, dataBytes + kRiffSizeOverData);
    std::copy(kWaveId.begin(), kWaveId.end(), p + kWaveIdAt);
    std::copy(kFmtId.begin(), kFmtId.end(), p + kFmtIdAt);
    PutLe32(p + kFmtSizeAt, kFmtChunkBytes);
    WaveFormat format;
    format.formatTag = kWaveFormatPcm;
    format.channels = uint16_t(channels);
    format.sampleRate = uint32_t(rate);
    format.blockAlign = uint16_t(channels * bits / 8);
    format.byteRate = uint32_t(rate) * format.blockAlign;
    format.bitsPerSample = uint16_t(bits);
    format.ToBytes(p + kFormatAt);
    std::copy(kDataId.begin(), kDataId.end(), p + kDataIdAt);
    PutLe32(p + kDataSizeAt, dataBytes);
    return h;
}

// Writes the final header over the room the decoder left, sizes from the file's length.
bool WriteFinalHeader(const std::string& path, int rate, int bits, int channels, uint32_t& dataBytes)
{
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "r+b"));
    if (!f || fseeko(f.get(), 0, SEEK_END) != 0) return false;
    const off_t length = ftello(f.get());
    if (length < off_t(kWavHeaderBytes) || uint64_t(length) - kWavHeaderBytes > kMaxDecodedBytes) return false;
    dataBytes = uint32_t(uint64_t(length) - kWavHeaderBytes);
    const auto header = PcmHeader(dataBytes, rate, bits, channels);
    if (fseeko(f.get(), 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), f.get()) != header.size())
        return false;
    return std::fclose(f.release()) == 0;
}

} // namespace

std::string MusicImport::DefaultWorkFilePath()
{
    return PrivateWorkFolder::FilePath(kMusicWorkFileName);
}

namespace {

bool HasWavExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == kWavExtension;
}

bool WorkFormat(int rate, int bits, int channels)
{
    return rate == kWorkFileRate && (bits == kBits8 || bits == kBits16) && (channels == 1 || channels == 2);
}

std::string ChannelWord(int channels)
{
    if (channels == 1) return "mono";
    if (channels == 2) return "stereo";
    return std::to_string(channels) + "-channel";
}

} // namespace

bool MusicImport::IsUsedInPlace(const std::string& path)
{
    if (!HasWavExtension(path)) return false;
    WaveStreamReader wav;
    return wav.Open(path) && WorkFormat(int(wav.Format().sampleRate), wav.Format().bitsPerSample, wav.Format().channels);
}

std::string MusicImport::ConversionNote(const AudioSourceFormat& source)
{
    const bool deep = source.isFloat || source.bits > kBits16;
    if (source.rate == kWorkFileRate && source.channels == 2 && !deep) return {};
    // The sample size is named only when it changes.
    const std::string from = deep ? " " + std::to_string(source.bits) + "-bit" + (source.isFloat ? " float" : "") : "";
    const std::string to = deep ? " 16-bit" : "";
    return "Converted from " + Thousands(source.rate) + " Hz" + from + " " + ChannelWord(source.channels) + " to " +
           Thousands(kWorkFileRate) + " Hz" + to + " stereo.";
}

MusicImport::MusicImport(std::string workFilePath) : m_workFilePath(std::move(workFilePath)) {}

bool MusicImport::ImportMusic(const std::string& path)
{
    m_result = MusicImportResult{};
    m_cancel.store(false);

    // Only a plain file: a folder has no music, and a pipe or a device could keep us waiting.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        m_result.errorText = std::filesystem::is_directory(path, ec) ? "\"" + path + "\" is a folder, not a music file.\n"
                                                                     : std::string(kMsgMusicFileNotFound);
        return false;
    }
    if (MidiSynth::IsMidiFile(path)) {
        ImportMidi(path);
    } else if (!HasWavExtension(path)) {
        ImportCompressed(path);
    } else if (!ImportWav(path)) {
        // A WAV in another format is converted; when even that fails, the WAV's own reasons
        // are the ones that tell the user most.
        const MusicImportResult wav = m_result;
        m_result = MusicImportResult{};
        if (PrepareWorkFile(path)) {
            ImportCompressed(path);
            if (m_result.path.empty() && !m_cancel.load()) m_result = wav;
        }
    }

    if (!m_result.path.empty()) m_result.folder = FolderOf(m_result.path);
    ComposeErrorText();
    return !m_result.path.empty();
}

bool MusicImport::FormatAccepted() const
{
    return m_result.sampleRate == kWorkFileRate && (m_result.bitsPerSample == kBits8 || m_result.bitsPerSample == kBits16) &&
           (m_result.channels == 1 || m_result.channels == 2);
}

void MusicImport::ComposeErrorText()
{
    if (!m_result.path.empty() || !m_result.errorText.empty()) return;
    std::string text;
    if (m_result.sampleRate != kWorkFileRate) text += kMsgMusicRate;
    if (m_result.bitsPerSample != kBits8 && m_result.bitsPerSample != kBits16) text += kMsgMusicBits;
    if (m_result.channels != 1 && m_result.channels != 2) text += kMsgMusicChannels;
    m_result.errorText = text.empty() ? kMsgMusicOpenFailed : text;
}

bool MusicImport::ImportWav(const std::string& path)
{
    WaveStreamReader wav;
    const bool readable = wav.Open(path);
    m_result.sampleRate = int(wav.Format().sampleRate);
    m_result.bitsPerSample = wav.Format().bitsPerSample;
    m_result.channels = wav.Format().channels;
    // A file that is no WAV at all has no format to blame; one whose format passes but whose
    // samples cannot be read (a-law, say) would play as noise. Both say why.
    const bool noFormat = m_result.sampleRate == 0 && m_result.bitsPerSample == 0 && m_result.channels == 0;
    if (!readable && (noFormat || FormatAccepted())) {
        m_result.errorText = std::string(kMsgMusicOpenFailed) + wav.FailureText() + "\n";
        return false;
    }
    if (!readable || !FormatAccepted()) return false;
    m_result.path = path;
    m_result.dataBytes = wav.DataBytes();
    return true;
}

bool MusicImport::PrepareWorkFile(const std::string& path)
{
    if (m_workFilePath.empty()) {
        m_result.errorText = std::string(kMsgMusicOpenFailed) + "Could not make a work folder in the temporary folder\n";
        return false;
    }
    // The music is read while the work file is written: they must be two files.
    std::error_code ec;
    if (std::filesystem::equivalent(path, m_workFilePath, ec)) {
        m_result.errorText = std::string(kMsgMusicOpenFailed) + "The music would be converted into itself; the work file \"" +
                             m_workFilePath + "\" must be another file\n";
        return false;
    }
    return true;
}

void MusicImport::ImportMidi(const std::string& path)
{
    if (!PrepareWorkFile(path)) return;
    ReplacingFile work(m_workFilePath);
    if (!work.Create()) {
        m_result.errorText = std::string(kMsgMusicOpenFailed) + "Could not create the work file \"" + m_workFilePath + "\"\n";
        return;
    }
    MidiSynth synth;
    synth.SetCancelCheck([this] { return m_cancel.load(); });
    const uint32_t status = synth.Render(path, work.TempPath(), [this](int percent) {
        if (m_progress && !m_progress(percent)) m_cancel.store(true);
    });
    if (status != kStatusOk) {
        m_result.errorText = synth.ErrorText();
        return;
    }
    m_result.sampleRate = kWorkFileRate;
    m_result.bitsPerSample = kBits16;
    m_result.channels = 2;
    uint32_t dataBytes = 0;
    if (!WriteFinalHeader(work.TempPath(), m_result.sampleRate, m_result.bitsPerSample, m_result.channels, dataBytes) ||
        !AppendWorkFileSource(work.TempPath(), AbsolutePath(path)) || !work.Commit())
        return;
    m_result.path = m_workFilePath;
    m_result.dataBytes = dataBytes;
    m_result.decoded = true;
    m_result.conversionNote = "Rendered from MIDI with the SoundFont " + synth.SoundFont() + ".";
}

void MusicImport::ImportCompressed(const std::string& path)
{
    m_result = MusicImportResult{};
    MusicDecoder decoder;
    decoder.SetConvertToWorkFormat(true);
    decoder.SetCancelCheck([this] { return m_cancel.load(); });

    if (!PrepareWorkFile(path)) return;
    ReplacingFile work(m_workFilePath);
    if (!work.Create()) {
        m_result.errorText = std::string(kMsgMusicOpenFailed) + "Could not create the work file \"" + m_workFilePath + "\"\n";
        return;
    }
    const uint32_t status = decoder.Decode(path, work.TempPath(), [this](int percent) {
        if (m_progress && !m_progress(percent)) m_cancel.store(true);
    });
    m_result.sampleRate = decoder.SampleRate();
    m_result.bitsPerSample = decoder.BitsPerSample();
    m_result.channels = decoder.Channels();
    m_result.tags = decoder.Tags();
    m_result.source = decoder.Source();
    if (status != kStatusOk) {
        m_result.errorText = decoder.ErrorText();
        return;
    }
    uint32_t dataBytes = 0;
    if (!FormatAccepted()) return;
    if (!WriteFinalHeader(work.TempPath(), m_result.sampleRate, m_result.bitsPerSample, m_result.channels, dataBytes))
        return;
    if (!AppendWorkFileSource(work.TempPath(), AbsolutePath(path)) || !work.Commit()) return;
    m_result.path = m_workFilePath;
    m_result.dataBytes = dataBytes;
    m_result.decoded = true;
    m_result.conversionNote = ConversionNote(m_result.source);
}
