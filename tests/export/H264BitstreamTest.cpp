// The bit-level pieces under the video's repeated frames: fields read back as written, and
// the emulation prevention that keeps a payload from looking like a start code.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "export/H264BitReader.h"
#include "export/H264BitWriter.h"

TEST(H264Bitstream, FieldsReadBackAsWrittenThroughEscaping)
{
    H264BitWriter w;
    const std::vector<uint32_t> codes = {0, 1, 2, 3, 6, 7, 254, 255, 3600, 8160, 65535, 1u << 20};
    const std::vector<int32_t> signedCodes = {0, 1, -1, 2, -2, 26, -26, 1000, -1000};
    for (const uint32_t c : codes) w.Ue(c);
    w.Bits(0, 24); // three zero bytes' worth: needs emulation prevention
    for (const int32_t c : signedCodes) w.Se(c);
    w.Bits(0x1ff, 9);
    w.Trailing();
    // Ue codes have the known lengths: 1 bit for 0, 3 for 1 and 2, 5 for 3 to 6.
    H264BitWriter lengths;
    lengths.Ue(0);
    lengths.Ue(1);
    lengths.Ue(6);
    lengths.Trailing();
    ASSERT_EQ(lengths.Bytes().size(), 2u);
    EXPECT_EQ(lengths.Bytes()[0], 0b1'010'0011);
    EXPECT_EQ(lengths.Bytes()[1], 0b1'1000000);

    const std::vector<uint8_t> payload = H264BitWriter::Escape(w.Bytes());
    for (size_t i = 2; i < payload.size(); ++i)
        EXPECT_FALSE(payload[i - 2] == 0 && payload[i - 1] == 0 && payload[i] <= 2) << "start code at " << i;
    EXPECT_GT(payload.size(), w.Bytes().size());
    const std::vector<uint8_t> rbsp = H264BitReader::Unescape(payload);
    EXPECT_EQ(rbsp, w.Bytes());

    H264BitReader r(rbsp);
    for (const uint32_t c : codes) EXPECT_EQ(r.Ue(), c);
    EXPECT_EQ(r.Bits(24), 0u);
    for (const int32_t c : signedCodes) EXPECT_EQ(r.Se(), c);
    const size_t at = r.Position();
    EXPECT_EQ(r.Bits(9), 0x1ffu);
    EXPECT_FALSE(r.Failed());

    // A field overwritten in place reads back changed, its neighbours untouched.
    std::vector<uint8_t> changed = rbsp;
    H264BitWriter::Overwrite(changed, at, 0x0a5, 9);
    H264BitReader skip(changed);
    for (size_t i = 0; i < codes.size(); ++i) skip.Ue();
    skip.Bits(24);
    for (size_t i = 0; i < signedCodes.size(); ++i) skip.Se();
    EXPECT_EQ(skip.Bits(9), 0x0a5u);
    EXPECT_EQ(skip.Bits(1), 1u); // the stop bit

    // Reading past the end fails instead of running on.
    const std::vector<uint8_t> zeros = {0x00, 0x00};
    H264BitReader past(zeros);
    past.Ue();
    EXPECT_TRUE(past.Failed());
}
