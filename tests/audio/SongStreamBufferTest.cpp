#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "WavBytes.h"
#include "project/ProjectFile.h"
#include "audio/WavOutFile.h"
#include "media/ByteOrder.h"
#include "project/KaraokeSong.h"
#include "support/PromptRecorder.h"
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

size_t FilesIn(const TempDir& dir)
{
    return size_t(std::distance(std::filesystem::directory_iterator(dir.Path()), {}));
}

} // namespace

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
        EXPECT_EQ(song.firstMusicDataBytes, c.dataBytes);
        ASSERT_EQ(song.streamBuffer.size(), c.bufferBytes);
        EXPECT_EQ(std::count(song.streamBuffer.begin(), song.streamBuffer.end(), 0), long(c.bufferBytes));
    }
}

TEST(SongStreamBuffer, MusicThatCannotBeReadLeavesNoBuffer)
{
    TempDir dir;
    const std::string good = dir.File("good.wav");
    WriteSilentWork(good, 48000);
    KaraokeSong song;
    song.SetMusicPath(good);
    ASSERT_FALSE(song.streamBuffer.empty());

    // Missing, then not a WAV at all: the old music's buffer and counts do not linger.
    song.SetMusicPath(dir.File("missing.wav"));
    EXPECT_TRUE(song.streamBuffer.empty());
    EXPECT_EQ(song.musicDataBytes, 0u);
    EXPECT_EQ(song.firstMusicDataBytes, 0u);

    const std::string text = dir.File("notes.wav");
    WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o'});
    song.SetMusicPath(good);
    song.SetMusicPath(text);
    EXPECT_TRUE(song.streamBuffer.empty());
    EXPECT_FALSE(song.RebuildStreamBuffer());
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
    EXPECT_EQ(song.streamBuffer.size(), (10u + 13514u) * 96u);
}

TEST(SongStreamBuffer, ResizingChangesTheSongsMusicLengthAndNeverTheFile)
{
    TempDir dir;
    const std::string path = dir.File("mine.wav");
    const auto tone = Tone(44100, 2);
    WriteWork(path, tone);
    const auto original = ReadFileBytes(path);
    KaraokeSong song;
    song.SetMusicPath(path);
    ASSERT_EQ(song.musicDataBytes, 176400u);
    for (size_t i = 0; i < song.streamBuffer.size(); ++i) song.streamBuffer[i] = uint8_t(i * 13 + 1);
    const auto before = song.streamBuffer;

    // Longer: the buffer grows with zeros after what it held.
    ASSERT_TRUE(song.ResizeMusic(352800));
    EXPECT_EQ(song.musicDataBytes, 352800u);
    EXPECT_EQ(song.firstMusicDataBytes, 176400u);
    ASSERT_EQ(song.streamBuffer.size(), (352800u / 2352u + 13514u) * 96u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), song.streamBuffer.begin()));
    EXPECT_EQ(std::count(song.streamBuffer.begin() + long(before.size()), song.streamBuffer.end(), 0),
              long(song.streamBuffer.size() - before.size()));
    EXPECT_EQ(song.MusicPlayBytes(), 352800u);

    // Shorter, and lengths inside a sample frame taken up to the whole frame.
    ASSERT_TRUE(song.ResizeMusic(40000));
    ASSERT_EQ(song.streamBuffer.size(), (40000u / 2352u + 13514u) * 96u);
    EXPECT_TRUE(std::equal(song.streamBuffer.begin(), song.streamBuffer.end(), before.begin()));
    ASSERT_TRUE(song.ResizeMusic(39997));
    EXPECT_EQ(song.musicDataBytes, 40000u);
    ASSERT_TRUE(song.ResizeMusic(73));
    EXPECT_EQ(song.musicDataBytes, 76u);

    // The music is the user's file, read where it lies: not one byte of it changes, nothing is
    // written beside it, and the song still plays from it.
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_EQ(song.MusicWorkPath(), path);
}

TEST(SongStreamBuffer, AFailedResizeChangesNothingAndSaysWhy)
{
    TempDir dir;
    const std::string path = dir.File("work.wav");
    WriteWork(path, Tone(1000, 2));
    PromptRecorder prompt;
    KaraokeSong song;
    song.prompt = &prompt;
    song.SetMusicPath("/music/song.mp3", path);
    const auto buffer = song.streamBuffer;
    std::filesystem::remove(path);

    EXPECT_FALSE(song.ResizeMusic(8000));
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text, "Unable to change the length of the music work file\n" + path +
                                          "\n\nError : Unable to open file \"" + path + "\" for reading.");
    EXPECT_EQ(prompt.entries[0].caption, "Tessavox");
    EXPECT_EQ(song.streamBuffer, buffer);
    EXPECT_EQ(song.musicDataBytes, 4000u);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SongStreamBuffer, LoadingAProjectRebuildsTheBufferFromItsMusic)
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
    EXPECT_EQ(loaded.firstMusicDataBytes, 2352u * 100u + 5u);
    EXPECT_EQ(loaded.streamBuffer.size(), (100u + 13514u) * 96u);

    // The music has gone: the project still loads, with no buffer.
    std::filesystem::remove(music);
    ASSERT_TRUE(LoadProject(loaded));
    EXPECT_TRUE(loaded.streamBuffer.empty());
    EXPECT_EQ(loaded.musicDataBytes, 0u);

    // A project without music leaves no buffer of the song that was open before, nor its
    // work file.
    const std::string silent = dir.File("other.wav");
    WriteSilentWork(silent, 4704);
    loaded.SetMusicPath("/music/x.mp3", silent);
    ASSERT_FALSE(loaded.streamBuffer.empty());
    const std::string empty = dir.File("empty.tvx");
    {
        KaraokeSong song(empty);
        ASSERT_TRUE(SaveProject(song));
    }
    loaded.projectPath = empty;
    ASSERT_TRUE(LoadProject(loaded));
    EXPECT_TRUE(loaded.musicPath.empty());
    EXPECT_TRUE(loaded.musicWorkPath.empty());
    EXPECT_TRUE(loaded.streamBuffer.empty());
    EXPECT_EQ(loaded.musicDataBytes, 0u);
}
