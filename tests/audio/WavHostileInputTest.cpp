// Truncated, mutated and random files through the WAV reader: they must fail cleanly or read
// within the bounds of what the file holds. The test build runs under the sanitizers, which
// turn any out-of-bounds access into a failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "WavBytes.h"
#include "media/WavTexts.h"
#include "media/WaveStreamReader.h"
#include "support/TempDir.h"

namespace {

// Reads everything the reader will give and checks the bounds.
void Exercise(const std::vector<uint8_t>& file)
{
    WaveStreamReader reader;
    const uint32_t silentFrames = uint32_t(file.size() % 5);
    const bool opened = reader.Open(file, silentFrames);
    // Header facts, even of a refused file, stay within what the file holds.
    EXPECT_LE(reader.DataBytes(), file.size());
    if (opened) {
        std::vector<uint8_t> buf(257);
        uint64_t total = 0;
        for (;;) {
            size_t got = 0;
            ASSERT_TRUE(reader.Read(buf, got));
            total += got;
            if (got < buf.size()) break;
        }
        EXPECT_EQ(total, reader.SilentBytes() + reader.DataBytes());
    } else {
        EXPECT_FALSE(reader.FailureText().empty());
    }
}

std::vector<uint8_t> Sample()
{
    return RiffWave({{"LIST", {'I', 'N', 'F', 'O', 1}},
                     {"fmt ", FormatBody(0xFFFE, 2, 44100, 16, ExtensibleExtra(16, 1))},
                     {"fact", {10, 0, 0, 0}},
                     {"data", Le16Bytes(Tone(10, 2))},
                     {"id3 ", {1, 2, 3}}});
}

} // namespace

TEST(WavHostileInput, EveryTruncationFailsCleanlyOrReadsWhatIsThere)
{
    const auto file = Sample();
    for (size_t n = 0; n <= file.size(); ++n) {
        SCOPED_TRACE(n);
        Exercise(std::vector<uint8_t>(file.begin(), file.begin() + long(n)));
    }
}

TEST(WavHostileInput, EveryHeaderByteMutated)
{
    const auto file = Sample();
    const uint8_t values[] = {0x00, 0x01, 0x0F, 0x1F, 0x7A, 0x7B, 0x80, 0xFE, 0xFF};
    for (size_t pos = 0; pos < 112 && pos < file.size(); ++pos) {
        for (uint8_t v : values) {
            SCOPED_TRACE(std::to_string(pos) + "=" + std::to_string(v));
            auto copy = file;
            copy[pos] = v;
            Exercise(copy);
        }
    }
}

TEST(WavHostileInput, RandomChunkSoup)
{
    std::mt19937 rng(20240611);
    const char* ids[] = {"fmt ", "data", "fact", "LIST", "junk", "\x01\x02\x03\x04"};
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> file;
        if (rng() % 8 != 0) {
            // A plausible start, then random chunks with random or lying sizes.
            file = {'R', 'I', 'F', 'F', uint8_t(rng()), uint8_t(rng()), 0, 0, 'W', 'A', 'V', 'E'};
            const int chunks = int(rng() % 5);
            for (int c = 0; c < chunks; ++c) {
                const char* id = ids[rng() % 6];
                file.insert(file.end(), id, id + 4);
                uint32_t size = rng() % 48;
                if (rng() % 6 == 0) size = rng();
                for (int b = 0; b < 4; ++b) file.push_back(uint8_t(size >> (8 * b)));
                const size_t body = std::min<size_t>(size, rng() % 48);
                if (std::string(id) == "fmt " && body >= 16 && rng() % 2) {
                    const uint16_t tags[] = {1, 3, 0xFFFE, 2};
                    const auto fmt = FormatBody(tags[rng() % 4], uint16_t(rng() % 3), 44100, uint16_t(8 * (rng() % 4)),
                                                rng() % 2 ? ExtensibleExtra(16, uint16_t(rng() % 4)) : std::vector<uint8_t>{});
                    file.insert(file.end(), fmt.begin(), fmt.begin() + long(std::min(body, fmt.size())));
                    for (size_t i = fmt.size(); i < body; ++i) file.push_back(uint8_t(rng()));
                } else {
                    for (size_t i = 0; i < body; ++i) file.push_back(uint8_t(rng()));
                }
            }
        } else {
            const size_t n = rng() % 64;
            for (size_t i = 0; i < n; ++i) file.push_back(uint8_t(rng()));
        }
        Exercise(file);
        if (HasFatalFailure()) return;
    }
}

TEST(WavHostileInput, FilesLargerThanAWavCanDescribeAreRefused)
{
    TempDir dir;
    const std::string path = dir.File("huge.wav");
    WriteFileBytes(path, Pcm16File(Tone(100, 2), 2));
    // Sparse: takes no disk space.
    std::error_code ec;
    std::filesystem::resize_file(path, (uint64_t(1) << 32) + 1024, ec);
    if (ec) GTEST_SKIP() << "this file system cannot hold a sparse 4 GB file";
    WaveStreamReader reader;
    EXPECT_FALSE(reader.Open(path));
    EXPECT_EQ(reader.FailureText(), kMsgWavTooLarge);
    EXPECT_EQ(reader.DataBytes(), 0u);
}
