#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "WavBytes.h"
#include "project/ProjectFile.h"
#include "audio/WavOutFile.h"
#include "media/ByteOrder.h"
#include "cdg/WriteRwMemory.h"
#include "project/KaraokeSong.h"
#include "media/WaveStreamReader.h"
#include "support/TempDir.h"

namespace {

// A work file of the writer's layout holding the given samples.
void WriteWork(const std::string& path, const std::vector<int16_t>& samples, uint16_t bits = 16, uint16_t channels = 2)
{
    WavOutFile out;
    ASSERT_TRUE(out.Create(path, 44100, bits, channels));
    ASSERT_TRUE(out.Write(samples));
    ASSERT_TRUE(out.Close());
}

// A work file of silence with exactly dataBytes of sample data, made sparse so that a long one
// costs no disk space.
void WriteSilentWork(const std::string& path, uint32_t dataBytes)
{
    WriteWork(path, {});
    std::filesystem::resize_file(path, 56 + uint64_t(dataBytes));
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    const uint8_t size[4] = {uint8_t(dataBytes), uint8_t(dataBytes >> 8), uint8_t(dataBytes >> 16), uint8_t(dataBytes >> 24)};
    f.seekp(52);
    f.write(reinterpret_cast<const char*>(size), 4);
}

} // namespace

// The stream writer sizes its buffer from the music the song counted.
TEST(SongStreamBuffer, SizedFromTheMusicDataByTheSectorRule)
{
    TempDir dir;
    struct Case {
        uint32_t dataBytes;
        size_t bufferBytes;
    };
    // 3 minutes of 16-bit stereo are 13,500 sectors; less than one sector adds nothing.
    for (const Case c : {Case{31752000, 2593344}, Case{2351, 1297344}, Case{2352, 1297440}, Case{0, 1297344}}) {
        SCOPED_TRACE(c.dataBytes);
        const std::string path = dir.File("work.wav");
        WriteSilentWork(path, c.dataBytes);
        KaraokeSong song;
        song.SetMusicPath(path);
        EXPECT_EQ(song.musicPath, path);
        EXPECT_EQ(song.musicDataBytes, c.dataBytes);
        const SongStream stream = WriteRwMemory(song);
        ASSERT_EQ(stream.bytes.size(), c.bufferBytes);
        EXPECT_EQ(std::count(stream.bytes.begin(), stream.bytes.end(), 0), long(c.bufferBytes));
    }
}

TEST(SongStreamBuffer, MusicThatCannotBeReadIsNotCounted)
{
    TempDir dir;
    const std::string good = dir.File("good.wav");
    WriteSilentWork(good, 48000);
    KaraokeSong song;
    song.SetMusicPath(good);
    ASSERT_EQ(song.musicDataBytes, 48000u);

    // Missing, then not a WAV at all: the old music's counts do not linger.
    song.SetMusicPath(dir.File("missing.wav"));
    EXPECT_EQ(song.musicDataBytes, 0u);
    EXPECT_EQ(song.MusicPlayBytes(), kFileLength);

    const std::string text = dir.File("notes.wav");
    WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o'});
    song.SetMusicPath(good);
    song.SetMusicPath(text);
    EXPECT_EQ(song.musicDataBytes, 0u);
    EXPECT_FALSE(song.CountMusic());
}

TEST(SongStreamBuffer, DecodedMusicIsMeasuredByItsWorkFile)
{
    TempDir dir;
    const std::string work = dir.File("tessavox_music.wav");
    WriteSilentWork(work, 2352 * 10);
    KaraokeSong song;
    song.SetMusicPath("/music/song.mp3", work);
    EXPECT_EQ(song.musicPath, "/music/song.mp3");
    EXPECT_EQ(song.MusicWorkPath(), work);
    EXPECT_EQ(WriteRwMemory(song).bytes.size(), (10u + 13514u) * 96u);
}

TEST(SongStreamBuffer, LoadingAProjectCountsItsMusic)
{
    TempDir dir;
    const std::string music = dir.File("music.wav");
    WriteSilentWork(music, 2352 * 100 + 5);
    const std::string project = dir.File("song.tvx");
    {
        KaraokeSong song(project);
        song.musicPath = music;
        ASSERT_TRUE(SaveProject(song));
    }
    KaraokeSong loaded(project);
    ASSERT_TRUE(LoadProject(loaded));
    EXPECT_EQ(loaded.musicPath, music);
    EXPECT_EQ(loaded.musicDataBytes, 2352u * 100u + 5u);
    EXPECT_EQ(WriteRwMemory(loaded).bytes.size(), (100u + 13514u) * 96u);

    // The music has gone: the project still loads, with no music counted.
    std::filesystem::remove(music);
    ASSERT_TRUE(LoadProject(loaded));
    EXPECT_EQ(loaded.musicDataBytes, 0u);

    // A project without music leaves no count of the song that was open before, nor its
    // work file.
    const std::string silent = dir.File("other.wav");
    WriteSilentWork(silent, 4704);
    loaded.SetMusicPath("/music/x.mp3", silent);
    ASSERT_EQ(loaded.musicDataBytes, 4704u);
    const std::string empty = dir.File("empty.tvx");
    {
        KaraokeSong song(empty);
        ASSERT_TRUE(SaveProject(song));
    }
    loaded.projectPath = empty;
    ASSERT_TRUE(LoadProject(loaded));
    EXPECT_TRUE(loaded.musicPath.empty());
    EXPECT_TRUE(loaded.musicWorkPath.empty());
    EXPECT_EQ(loaded.musicDataBytes, 0u);
}
