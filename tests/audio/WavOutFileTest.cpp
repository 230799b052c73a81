#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "WavBytes.h"
#include "audio/WavOutFile.h"
#include "media/ByteOrder.h"
#include "media/WavTexts.h"
#include "support/TempDir.h"

namespace {

// Keeps only the first bytes written (the header) and the position; the rest is dropped, so
// that gigabytes can pass through it.
class HeaderKeepingBuf : public std::streambuf {
public:
    std::vector<uint8_t> head = std::vector<uint8_t>(56, 0xEE);
    uint64_t pos = 0;
    uint64_t end = 0;

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        for (std::streamsize i = 0; i < n && pos + uint64_t(i) < head.size(); ++i) head[pos + i] = uint8_t(s[i]);
        pos += uint64_t(n);
        end = std::max(end, pos);
        return n;
    }
    int_type overflow(int_type c) override
    {
        char ch = char(c);
        xsputn(&ch, 1);
        return c;
    }
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override
    {
        const int64_t base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? int64_t(pos) : int64_t(end);
        pos = uint64_t(base + off);
        return pos_type(off_type(pos));
    }
    pos_type seekpos(pos_type p, std::ios_base::openmode which) override
    {
        return seekoff(off_type(p), std::ios_base::beg, which);
    }
};

} // namespace

TEST(WavOutFile, ClosedStereoFileHasTheExactHeaderAndSizes)
{
    TempDir dir;
    const std::string path = dir.File("out.wav");
    const auto samples = Tone(44100, 2);
    {
        WavOutFile out;
        ASSERT_TRUE(out.Create(path, 44100, 16, 2));
        // Two writes, so that the sizes are the sum of both.
        ASSERT_TRUE(out.Write(std::span(samples).first(1000)));
        ASSERT_TRUE(out.Write(std::span(samples).subspan(1000)));
        EXPECT_TRUE(out.Close());
        EXPECT_EQ(out.FailureText(), "");
    }
    const auto bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 56u + 176400u);
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 0x40, 0xB1, 0x02, 0x00, 'W', 'A', 'V', 'E',  // RIFF size 176,448
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,                      // PCM, 2 channels
        0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0x00, 4, 0, 16, 0,            // 44,100 Hz, 176,400 B/s
        'f', 'a', 'c', 't', 4, 0, 0, 0, 0x44, 0xAC, 0, 0,                 // 44,100 frames
        'd', 'a', 't', 'a', 0x10, 0xB1, 0x02, 0x00};                      // 176,400 bytes
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 56), expected);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 56, bytes.end()), Le16Bytes(samples));
}

TEST(WavOutFile, SizesStayZeroUntilCloseAndTheDestructorCloses)
{
    std::stringstream stream;
    stream << "prefix"; // the header goes where the stream stands
    {
        WavOutFile out;
        ASSERT_TRUE(out.Create(stream, 22050, 8, 1));
        ASSERT_TRUE(out.Write(std::vector<int16_t>(101, 0)));
        const std::string open = stream.str();
        ASSERT_EQ(open.size(), 6u + 56u + 101u);
        const auto* h = reinterpret_cast<const uint8_t*>(open.data() + 6);
        EXPECT_EQ(GetLe32(h + 4), 0u);
        EXPECT_EQ(GetLe32(h + 44), 0u);
        EXPECT_EQ(GetLe32(h + 52), 0u);
        EXPECT_EQ(GetLe32(h + 28), 22050u); // byte rate = rate x block align 1
        EXPECT_EQ(GetLe16(h + 32), 1u);
    }
    const std::string done = stream.str();
    ASSERT_EQ(done.size(), 6u + 56u + 101u);
    EXPECT_EQ(done.substr(0, 6), "prefix");
    const auto* h = reinterpret_cast<const uint8_t*>(done.data() + 6);
    EXPECT_EQ(GetLe32(h + 4), 48u + 101u);
    EXPECT_EQ(GetLe32(h + 44), 101u);
    EXPECT_EQ(GetLe32(h + 52), 101u);
}

TEST(WavOutFile, EightBitSamplesAreScaledTowardZeroAndCentred)
{
    std::stringstream stream;
    WavOutFile out;
    ASSERT_TRUE(out.Create(stream, 44100, 8, 2));
    const std::vector<int16_t> samples = {0, 32767, -32768, -1, -255, -256, 255, 256, 1000, -1000};
    ASSERT_TRUE(out.Write(samples));
    ASSERT_TRUE(out.Close());
    const std::string bytes = stream.str();
    const std::vector<uint8_t> expected = {128, 255, 0, 128, 128, 127, 128, 129, 131, 125};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 56, bytes.end()), expected);
    const auto* h = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(GetLe16(h + 32), 2u);      // block align
    EXPECT_EQ(GetLe32(h + 28), 88200u);  // byte rate
    EXPECT_EQ(GetLe32(h + 44), 5u);      // frames
}

TEST(WavOutFile, RefusedFormatsAndPathsCreateNothingAndSayWhy)
{
    TempDir dir;
    WavOutFile out;
    const std::string path = dir.File("x.wav");
    EXPECT_FALSE(out.Create(path, 44100, 24, 2));
    EXPECT_EQ(out.FailureText(),
              "\nOnly 8/16 bit sample WAV files supported in integer compilation. Can't open WAV file with 24 bit "
              "sample format. ");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(out.Write(std::vector<int16_t>(4, 1)));

    EXPECT_FALSE(out.Create(path, 44100, 16, 0));
    EXPECT_EQ(out.FailureText(), kMsgWavBadFormat);
    EXPECT_FALSE(std::filesystem::exists(path));

    const std::string nowhere = dir.File("no/such/folder/x.wav");
    EXPECT_FALSE(out.Create(nowhere, 44100, 16, 2));
    EXPECT_EQ(out.FailureText(), "Error : Unable to open file \"" + nowhere + "\" for writing.");
    EXPECT_FALSE(out.Close());
}

TEST(WavOutFile, StopsBeforeTheSizesOverflowAndKeepsAValidHeader)
{
    HeaderKeepingBuf sink;
    std::ostream stream(&sink);
    WavOutFile out;
    ASSERT_TRUE(out.Create(stream, 44100, 16, 2));
    const std::vector<int16_t> block(size_t(1) << 22, 0); // 8 MiB
    uint64_t written = 0;
    while (out.Write(block)) written += block.size() * 2;
    EXPECT_EQ(out.FailureText(), kMsgWavOutTooLarge);
    EXPECT_EQ(out.DataBytes(), written);
    EXPECT_GT(written + block.size() * 2, uint64_t(UINT32_MAX) - 48);
    // What still fits goes in; one sample more does not.
    const uint64_t room = (uint64_t(UINT32_MAX) - 48 - written) / 2;
    EXPECT_TRUE(out.Write(std::vector<int16_t>(room, 0)));
    EXPECT_FALSE(out.Write(std::vector<int16_t>(1, 0)));
    EXPECT_TRUE(out.Close());
    const uint32_t data = uint32_t(written + room * 2);
    EXPECT_EQ(GetLe32(sink.head.data() + 4), data + 48);
    EXPECT_EQ(GetLe32(sink.head.data() + 52), data);
    EXPECT_EQ(GetLe32(sink.head.data() + 44), data / 4);
    EXPECT_EQ(sink.end, uint64_t(56) + data);
}
