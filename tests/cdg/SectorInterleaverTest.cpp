#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "cdg/SectorInterleaver.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t n, uint8_t seed)
{
    Bytes v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(seed + i * 13 + i / 251);
    return v;
}

Bytes Slice(const Bytes& v, size_t from, size_t count)
{
    Bytes out(count, 0);
    for (size_t i = 0; i < count && from + i < v.size(); ++i) out[i] = v[from + i];
    return out;
}

// One sector as the file must hold it: audio padded to 2,352 bytes, subcode padded to 96.
Bytes Sector(const Bytes& audio, const Bytes& subcode)
{
    Bytes s = Slice(audio, 0, kBinSectorAudioBytes);
    const Bytes sub = Slice(subcode, 0, kBinSectorSubcodeBytes);
    s.insert(s.end(), sub.begin(), sub.end());
    return s;
}

// Collects every block the interleaver writes.
struct Sink {
    std::vector<Bytes> blocks;
    bool fail = false;
    SectorInterleaver::BlockWriter Writer()
    {
        return [this](std::span<const uint8_t> b) {
            blocks.emplace_back(b.begin(), b.end());
            return !fail;
        };
    }
    Bytes All() const
    {
        Bytes all;
        for (const Bytes& b : blocks) all.insert(all.end(), b.begin(), b.end());
        return all;
    }
    std::vector<size_t> SectorCounts() const
    {
        std::vector<size_t> n;
        for (const Bytes& b : blocks) n.push_back(b.size() / kBinSectorBytes);
        return n;
    }
};

} // namespace

TEST(SectorInterleaver, BlockLimitsAreKeptInRange)
{
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 0, 5000));
    EXPECT_EQ(il.MinimumSectors(), 1u);
    EXPECT_EQ(il.MaximumSectors(), 1024u);
    ASSERT_TRUE(il.Setup(sink.Writer(), 20, 4));
    EXPECT_EQ(il.MinimumSectors(), 20u);
    EXPECT_EQ(il.MaximumSectors(), 20u);
    EXPECT_FALSE(il.Setup(nullptr, 13, 26));
    EXPECT_FALSE(il.Feed({}, {}));
}

TEST(SectorInterleaver, WholeSectorsInterleaveAndBlocksFollowMinimumAndMaximum)
{
    const Bytes audio = Pattern(30 * kBinSectorAudioBytes, 1);
    const Bytes sub = Pattern(30 * kBinSectorSubcodeBytes, 2);
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 13, 26));
    // 12 sectors stay below the minimum; the next 18 make a full block of 26 and 4 more.
    ASSERT_TRUE(il.Feed(std::span(audio).first(12 * kBinSectorAudioBytes), std::span(sub).first(12 * kBinSectorSubcodeBytes)));
    EXPECT_TRUE(sink.blocks.empty());
    ASSERT_TRUE(il.Feed(std::span(audio).subspan(12 * kBinSectorAudioBytes), std::span(sub).subspan(12 * kBinSectorSubcodeBytes)));
    EXPECT_EQ(sink.SectorCounts(), std::vector<size_t>({26}));
    ASSERT_TRUE(il.Finish());
    EXPECT_EQ(sink.SectorCounts(), std::vector<size_t>({26, 4}));
    EXPECT_EQ(il.SectorsWritten(), 30u);

    const Bytes all = sink.All();
    ASSERT_EQ(all.size(), 30 * kBinSectorBytes);
    for (size_t k = 0; k < 30; ++k) {
        const Bytes expected = Sector(Slice(audio, k * kBinSectorAudioBytes, kBinSectorAudioBytes),
                                      Slice(sub, k * kBinSectorSubcodeBytes, kBinSectorSubcodeBytes));
        ASSERT_EQ(Slice(all, k * kBinSectorBytes, kBinSectorBytes), expected) << "sector " << k;
    }
}

TEST(SectorInterleaver, ThirteenSectorsMakeOneBlockAtTheEndOfTheFeed)
{
    const Bytes audio = Pattern(13 * kBinSectorAudioBytes, 3);
    const Bytes sub = Pattern(13 * kBinSectorSubcodeBytes, 4);
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 13, 26));
    ASSERT_TRUE(il.Feed(audio, sub));
    EXPECT_EQ(sink.SectorCounts(), std::vector<size_t>({13}));
    ASSERT_TRUE(il.Finish());
    EXPECT_EQ(sink.SectorCounts(), std::vector<size_t>({13})); // nothing left to write
}

TEST(SectorInterleaver, PartSectorWaitsForTheNextFeedAndFinishPadsIt)
{
    const Bytes audio = Pattern(kBinSectorAudioBytes + 400, 5);
    const Bytes sub = Pattern(kBinSectorSubcodeBytes + 16, 6);
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 1, 26));
    // Half a sector now, the rest later: one sector, exactly as if fed at once.
    ASSERT_TRUE(il.Feed(std::span(audio).first(1000), std::span(sub).first(40)));
    EXPECT_TRUE(sink.blocks.empty());
    ASSERT_TRUE(il.Feed(std::span(audio).subspan(1000, 1352), std::span(sub).subspan(40, 56)));
    ASSERT_EQ(sink.SectorCounts(), std::vector<size_t>({1}));
    EXPECT_EQ(sink.blocks[0], Sector(Slice(audio, 0, 2352), Slice(sub, 0, 96)));
    // A last part sector: its audio and the subcode that belongs to it, then zeros.
    ASSERT_TRUE(il.Feed(std::span(audio).subspan(2352), std::span(sub).subspan(96)));
    ASSERT_TRUE(il.Finish());
    ASSERT_EQ(sink.SectorCounts(), std::vector<size_t>({1, 1}));
    EXPECT_EQ(sink.blocks[1], Sector(Slice(audio, 2352, 400), Slice(sub, 96, 16)));
}

TEST(SectorInterleaver, FullAudioWithShortSubcodeIsHeldUntilMoreComes)
{
    const Bytes audio = Pattern(kBinSectorAudioBytes, 7);
    const Bytes sub = Pattern(96, 8);
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 1, 26));
    ASSERT_TRUE(il.Feed(audio, std::span(sub).first(50)));
    EXPECT_TRUE(sink.blocks.empty());
    ASSERT_TRUE(il.Feed({}, std::span(sub).subspan(50)));
    ASSERT_EQ(sink.SectorCounts(), std::vector<size_t>({1}));
    EXPECT_EQ(sink.blocks[0], Sector(audio, sub));
}

TEST(SectorInterleaver, LeftOverInputCompletesTheWaitingSectorWithZeros)
{
    const Bytes audio = Pattern(100, 9);
    const Bytes sub = Pattern(4 + 200, 10);
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 1, 26));
    ASSERT_TRUE(il.Feed(audio, std::span(sub).first(4)));
    // Only subcode arrives: the waiting sector's audio is padded; the subcode that remains
    // beyond a whole sector gets silent audio; the last 12 bytes wait for Finish.
    ASSERT_TRUE(il.Feed({}, std::span(sub).subspan(4)));
    ASSERT_TRUE(il.Finish());
    const Bytes all = sink.All();
    ASSERT_EQ(all.size(), 3 * kBinSectorBytes);
    EXPECT_EQ(Slice(all, 0, kBinSectorBytes), Sector(audio, Slice(sub, 0, 96)));
    EXPECT_EQ(Slice(all, kBinSectorBytes, kBinSectorBytes), Sector({}, Slice(sub, 96, 96)));
    EXPECT_EQ(Slice(all, 2 * kBinSectorBytes, kBinSectorBytes), Sector({}, Slice(sub, 192, 12)));
}

TEST(SectorInterleaver, AudioBeyondTheSubcodeGetsTheRestThenZeroSubcode)
{
    const Bytes audio = Pattern(3 * kBinSectorAudioBytes + 10, 11);
    const Bytes sub = Pattern(100, 12);
    Sink sink;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 1, 26));
    ASSERT_TRUE(il.Feed(audio, sub));
    EXPECT_EQ(sink.SectorCounts(), std::vector<size_t>({3}));
    ASSERT_TRUE(il.Finish());
    const Bytes all = sink.All();
    ASSERT_EQ(all.size(), 4 * kBinSectorBytes);
    EXPECT_EQ(Slice(all, 0, kBinSectorBytes), Sector(Slice(audio, 0, 2352), Slice(sub, 0, 96)));
    EXPECT_EQ(Slice(all, kBinSectorBytes, kBinSectorBytes), Sector(Slice(audio, 2352, 2352), Slice(sub, 96, 4)));
    EXPECT_EQ(Slice(all, 2 * kBinSectorBytes, kBinSectorBytes), Sector(Slice(audio, 4704, 2352), {}));
    EXPECT_EQ(Slice(all, 3 * kBinSectorBytes, kBinSectorBytes), Sector(Slice(audio, 7056, 10), {}));
}

TEST(SectorInterleaver, PiecesOfAnySizeGiveTheSameSectors)
{
    // Subcode keeps pace with the audio at 96 bytes per 2,352, as the BIN export feeds it.
    const size_t total = 40 * kBinSectorAudioBytes + 1234;
    const Bytes audio = Pattern(total, 13);
    const Bytes sub = Pattern(total * kBinSectorSubcodeBytes / kBinSectorAudioBytes, 14);
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        Sink sink;
        SectorInterleaver il;
        ASSERT_TRUE(il.Setup(sink.Writer(), 1 + rng() % 13, 1 + rng() % 30));
        size_t a = 0, s = 0;
        while (a < total) {
            const size_t n = std::min<size_t>(total - a, rng() % 9000);
            const size_t subEnd = (a + n) * kBinSectorSubcodeBytes / kBinSectorAudioBytes;
            ASSERT_TRUE(il.Feed(std::span(audio).subspan(a, n), std::span(sub).subspan(s, subEnd - s)));
            a += n;
            s = subEnd;
        }
        ASSERT_TRUE(il.Finish());
        const Bytes all = sink.All();
        ASSERT_EQ(all.size(), 41 * kBinSectorBytes);
        for (size_t k = 0; k < 41; ++k) {
            const size_t audioLeft = std::min(kBinSectorAudioBytes, total - k * kBinSectorAudioBytes);
            const size_t subLeft = std::min(kBinSectorSubcodeBytes, sub.size() - k * kBinSectorSubcodeBytes);
            ASSERT_EQ(Slice(all, k * kBinSectorBytes, kBinSectorBytes),
                      Sector(Slice(audio, k * kBinSectorAudioBytes, audioLeft), Slice(sub, k * kBinSectorSubcodeBytes, subLeft)))
                << "round " << round << " sector " << k;
        }
    }
}

TEST(SectorInterleaver, FailedBlockWriteIsReported)
{
    const Bytes audio = Pattern(2 * kBinSectorAudioBytes, 15);
    const Bytes sub = Pattern(2 * kBinSectorSubcodeBytes, 16);
    Sink sink;
    sink.fail = true;
    SectorInterleaver il;
    ASSERT_TRUE(il.Setup(sink.Writer(), 1, 26));
    EXPECT_FALSE(il.Feed(audio, sub));
    EXPECT_FALSE(il.Finish());
}
