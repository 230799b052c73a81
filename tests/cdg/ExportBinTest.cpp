#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "audio/WavOutFile.h"
#include "cdg/ExportBin.h"
#include "cdg/SectorInterleaver.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kFrameBytes = 4;
constexpr size_t kSectorFrames = kBinSectorAudioBytes / kFrameBytes;

// 16-bit stereo samples that differ in every frame and side.
std::vector<int16_t> Music(size_t frames)
{
    std::vector<int16_t> s(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        s[2 * i] = int16_t(i * 3 + 1);
        s[2 * i + 1] = int16_t(-int(i) * 5 - 2);
    }
    return s;
}

Bytes LeBytes(const std::vector<int16_t>& samples)
{
    Bytes b;
    for (int16_t v : samples) {
        b.push_back(uint8_t(uint16_t(v)));
        b.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return b;
}

void WriteWav(const std::string& path, const std::vector<int16_t>& samples, uint16_t channels = 2, uint16_t bits = 16,
              uint32_t rate = 44100)
{
    WavOutFile out;
    ASSERT_TRUE(out.Create(path, rate, bits, channels));
    ASSERT_TRUE(out.Write(samples));
    ASSERT_TRUE(out.Close());
}

Bytes StreamPattern(size_t n)
{
    Bytes v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(0x40 | ((i * 7 + i / 96) & 0x3F));
    return v;
}

Bytes Slice(const Bytes& v, size_t from, size_t count)
{
    Bytes out(count, 0);
    for (size_t i = 0; i < count && from + i < v.size(); ++i) out[i] = v[from + i];
    return out;
}

struct BinParts {
    Bytes audio;
    std::vector<Bytes> subcode; // per sector
};

BinParts Split(const Bytes& bin)
{
    BinParts p;
    EXPECT_EQ(bin.size() % kBinSectorBytes, 0u);
    for (size_t k = 0; k * kBinSectorBytes < bin.size(); ++k) {
        const auto sector = bin.begin() + long(k * kBinSectorBytes);
        p.audio.insert(p.audio.end(), sector, sector + long(kBinSectorAudioBytes));
        p.subcode.emplace_back(sector + long(kBinSectorAudioBytes), sector + long(kBinSectorBytes));
    }
    return p;
}

struct BinFixture {
    TempDir dir;
    PromptRecorder prompt;
    std::string wav = dir.File("work.wav");
    std::string bin = dir.File("song.bin");

    BinExportResult Run(const Bytes& stream, uint64_t used, uint32_t leadIn, const ProgressCallback& progress = {})
    {
        return ExportBin(bin, BinExportSource{wav, stream, used, leadIn}, progress, prompt);
    }
};

} // namespace

TEST(ExportBin, ThirteenSectorsOfMusicWithAShorterStream)
{
    BinFixture f;
    const auto music = Music(13 * kSectorFrames);
    WriteWav(f.wav, music);
    // The stream writer used 500 bytes; the rest of the buffer is zero, as it is in a song.
    Bytes stream(2 * kBinPieceStreamBytes, 0);
    const Bytes used = StreamPattern(500);
    std::copy(used.begin(), used.end(), stream.begin());

    const BinExportResult r = f.Run(stream, used.size(), 0);
    ASSERT_EQ(r.status, WorkStatus::Done);
    EXPECT_EQ(r.sectors, 13u);
    EXPECT_TRUE(f.prompt.entries.empty());
    const BinParts p = Split(ReadFileBytes(f.bin));
    ASSERT_EQ(p.subcode.size(), 13u);
    EXPECT_EQ(p.audio, LeBytes(music));
    for (size_t k = 0; k < 13; ++k) EXPECT_EQ(p.subcode[k], Slice(stream, k * 96, 96)) << "sector " << k;
    EXPECT_EQ(p.subcode[5], Slice(used, 480, 96)); // 20 stream bytes, then zeros
}

TEST(ExportBin, StreamLongerThanTheMusicGoesOnWithSilentSectors)
{
    BinFixture f;
    const auto music = Music(20 * kSectorFrames);
    WriteWav(f.wav, music);
    const uint64_t usedLength = 3 * kBinPieceStreamBytes;
    const Bytes stream = StreamPattern(usedLength + 3 * kBinPieceStreamBytes);

    const BinExportResult r = f.Run(stream, usedLength, 0);
    ASSERT_EQ(r.status, WorkStatus::Done);
    // 20 music sectors leave the stream at 1,920; two silent pieces of 13 sectors reach past
    // the used length (the second one carries the buffer's next bytes too).
    const BinParts p = Split(ReadFileBytes(f.bin));
    ASSERT_EQ(p.subcode.size(), 20u + 26u);
    Bytes expectedAudio = LeBytes(music);
    expectedAudio.resize(46 * kBinSectorAudioBytes, 0);
    EXPECT_EQ(p.audio, expectedAudio);
    for (size_t k = 0; k < 46; ++k) EXPECT_EQ(p.subcode[k], Slice(stream, k * 96, 96)) << "sector " << k;
}

TEST(ExportBin, PartLastSectorCarriesTheStreamBytesOfItsAudioThenZeros)
{
    BinFixture f;
    const auto music = Music(kSectorFrames + 100);
    WriteWav(f.wav, music);
    const Bytes stream = StreamPattern(4 * kBinPieceStreamBytes);

    // The used length lies inside what the music pass already carries: no silent pieces.
    ASSERT_EQ(f.Run(stream, 50, 0).status, WorkStatus::Done);
    const BinParts p = Split(ReadFileBytes(f.bin));
    ASSERT_EQ(p.subcode.size(), 2u);
    Bytes expectedAudio = LeBytes(music);
    expectedAudio.resize(2 * kBinSectorAudioBytes, 0);
    EXPECT_EQ(p.audio, expectedAudio);
    EXPECT_EQ(p.subcode[0], Slice(stream, 0, 96));
    // 2,752 audio bytes go with floor(2,752 x 1,248 / 30,576) = 112 stream bytes.
    Bytes second = Slice(stream, 96, 16);
    second.resize(96, 0);
    EXPECT_EQ(p.subcode[1], second);
}

TEST(ExportBin, LeadInPutsSilenceBeforeTheMusic)
{
    BinFixture f;
    const auto music = Music(1000);
    WriteWav(f.wav, music);
    const uint32_t leadIn = 54117;
    const Bytes stream = StreamPattern(300000);

    ASSERT_EQ(f.Run(stream, 1000, leadIn).status, WorkStatus::Done);
    const BinParts p = Split(ReadFileBytes(f.bin));
    const size_t audioBytes = (size_t(leadIn) + 1000) * kFrameBytes;
    ASSERT_EQ(p.subcode.size(), (audioBytes + kBinSectorAudioBytes - 1) / kBinSectorAudioBytes);
    Bytes expected(216468, 0);
    const Bytes m = LeBytes(music);
    expected.insert(expected.end(), m.begin(), m.end());
    expected.resize(p.audio.size(), 0);
    EXPECT_EQ(p.audio, expected);
    // The stream runs from its first byte alongside the lead-in.
    for (size_t k = 0; k + 1 < p.subcode.size(); ++k) ASSERT_EQ(p.subcode[k], Slice(stream, k * 96, 96)) << k;
}

TEST(ExportBin, StreamNearTheEndOfTheBufferBecomesZeros)
{
    BinFixture f;
    const auto music = Music(26 * kSectorFrames);
    WriteWav(f.wav, music);
    // The second piece starts at 1,248, which is not below 2,000 - 1,248: it gets zeros.
    const Bytes stream = StreamPattern(2000);

    ASSERT_EQ(f.Run(stream, 2000, 0).status, WorkStatus::Done);
    const BinParts p = Split(ReadFileBytes(f.bin));
    ASSERT_EQ(p.subcode.size(), 26u);
    for (size_t k = 0; k < 13; ++k) EXPECT_EQ(p.subcode[k], Slice(stream, k * 96, 96)) << k;
    for (size_t k = 13; k < 26; ++k) EXPECT_EQ(p.subcode[k], Bytes(96, 0)) << k;
}

TEST(ExportBin, EightBitMonoMusicIsWidenedToSixteenBitStereo)
{
    BinFixture f;
    // 8-bit files store s / 256 + 128; the BIN gets (b - 128) x 256 on both sides.
    std::vector<int16_t> mono(kSectorFrames);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = int16_t((int(i % 256) - 128) * 256);
    WriteWav(f.wav, mono, 1, 8);
    const Bytes stream = StreamPattern(4000);

    ASSERT_EQ(f.Run(stream, 96, 10).status, WorkStatus::Done);
    const BinParts p = Split(ReadFileBytes(f.bin));
    std::vector<int16_t> stereo(10 * 2, 0);
    for (int16_t v : mono) {
        stereo.push_back(v);
        stereo.push_back(v);
    }
    Bytes expected = LeBytes(stereo);
    expected.resize(p.audio.size(), 0);
    EXPECT_EQ(p.audio, expected);
}

TEST(ExportBin, ProgressRisesToOneHundredOverMusicAndTail)
{
    BinFixture f;
    WriteWav(f.wav, Music(40 * kSectorFrames));
    const Bytes stream = StreamPattern(40 * kBinPieceStreamBytes);
    std::vector<int> seen;
    const auto r = f.Run(stream, 30 * kBinPieceStreamBytes, 0, [&](int percent) {
        seen.push_back(percent);
        return true;
    });
    ASSERT_EQ(r.status, WorkStatus::Done);
    // Four music pieces (the last one part) and 27 silent ones, a call after each.
    ASSERT_EQ(seen.size(), 4u + 27u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LT(seen.front(), 10);
    EXPECT_EQ(seen.back(), 100);
}

TEST(ExportBin, CancelLeavesNoFileAndTheOldOneUntouched)
{
    BinFixture f;
    WriteWav(f.wav, Music(60 * kSectorFrames));
    const Bytes stream = StreamPattern(80 * kBinPieceStreamBytes);
    const Bytes old = {'o', 'l', 'd'};
    WriteFileBytes(f.bin, old);
    int calls = 0;
    const auto r = f.Run(stream, stream.size(), 0, [&](int) { return ++calls < 3; });
    EXPECT_EQ(r.status, WorkStatus::Cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(ReadFileBytes(f.bin), old);
    EXPECT_TRUE(f.prompt.entries.empty());
    // Nothing else is left in the folder: no temporary file.
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(f.dir.Path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2u); // the work file and the old BIN

    std::filesystem::remove(f.bin);
    EXPECT_EQ(f.Run(stream, stream.size(), 0, [](int) { return false; }).status, WorkStatus::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(f.bin));
}

TEST(ExportBin, CancelDuringTheSilentTailStopsThere)
{
    BinFixture f;
    WriteWav(f.wav, Music(40 * kSectorFrames));
    const Bytes stream = StreamPattern(40 * kBinPieceStreamBytes);
    int calls = 0;
    // Four music pieces, then the second silent one is refused.
    const auto r = f.Run(stream, 30 * kBinPieceStreamBytes, 0, [&](int) { return ++calls < 6; });
    EXPECT_EQ(r.status, WorkStatus::Cancelled);
    EXPECT_EQ(calls, 6);
    EXPECT_FALSE(std::filesystem::exists(f.bin));
    EXPECT_TRUE(f.prompt.entries.empty());
}

TEST(ExportBin, FailuresAreToldAndWriteNothing)
{
    BinFixture f;
    WriteWav(f.wav, Music(100));
    const Bytes stream = StreamPattern(4000);

    f.bin = f.dir.File("no-such-folder/song.bin");
    EXPECT_EQ(f.Run(stream, 100, 0).status, WorkStatus::Failed);
    ASSERT_EQ(f.prompt.entries.size(), 1u);
    EXPECT_EQ(f.prompt.entries[0].text.rfind("Unable to create BIN file.\n\n", 0), 0u) << f.prompt.entries[0].text;
    EXPECT_EQ(f.prompt.entries[0].caption, "Error");
    EXPECT_EQ(f.prompt.entries[0].icon, PromptIcon::Warning);

    f.bin = f.dir.File("song.bin");
    f.prompt.entries.clear();
    WriteWav(f.wav, Music(100), 2, 16, 48000);
    EXPECT_EQ(f.Run(stream, 100, 0).status, WorkStatus::Failed);
    ASSERT_EQ(f.prompt.entries.size(), 1u);
    EXPECT_EQ(f.prompt.entries[0].caption, "BIN not allowed");
    EXPECT_FALSE(std::filesystem::exists(f.bin));

    f.prompt.entries.clear();
    f.wav = f.dir.File("missing.wav");
    EXPECT_EQ(f.Run(stream, 100, 0).status, WorkStatus::Failed);
    ASSERT_EQ(f.prompt.entries.size(), 1u);
    EXPECT_NE(f.prompt.entries[0].text.find("missing.wav"), std::string::npos) << f.prompt.entries[0].text;
    EXPECT_FALSE(std::filesystem::exists(f.bin));
}
