#include <gtest/gtest.h>

#include "audio/GetMediaLength.h"
#include "support/MusicFiles.h"
#include "support/TempDir.h"

TEST(GetMediaLength, WavBySamplesAndCdFilesBySectors)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    // 1.5 s of 44,100 Hz and 1 s + 1/3 of 48,000 Hz (rounded to the nearest millisecond).
    const std::string wav = MakeMusic(folder, "a.wav", 66150, 44100, 2, "-c:a pcm_s16le");
    const std::string upper = MakeMusic(folder, "B.WAV", 64000, 48000, 1, "-c:a pcm_u8");
    EXPECT_EQ(GetMediaLength(wav), 1500u);
    EXPECT_EQ(GetMediaLength(wav, MediaLengthUnit::Seconds), 1u);
    EXPECT_EQ(GetMediaLength(upper), 1333u);

    // A BIN sector is 2,448 bytes (audio and subcode), a .cdg file holds the 96 subcode bytes of
    // each sector only; 75 sectors a second either way.
    WriteFileBytes(dir.File("song.bin"), std::vector<uint8_t>(2448 * (75 * 2 + 37)));
    EXPECT_EQ(GetMediaLength(dir.File("song.bin")), 2493u);
    EXPECT_EQ(GetMediaLength(dir.File("song.bin"), MediaLengthUnit::Seconds), 2u);
    WriteFileBytes(dir.File("song.CDG"), std::vector<uint8_t>(96 * 75 * 3));
    EXPECT_EQ(GetMediaLength(dir.File("song.CDG")), 3000u);

    EXPECT_EQ(GetMediaLength(dir.File("missing.wav")), 0u);
    EXPECT_EQ(GetMediaLength(dir.File("missing.bin")), 0u);
    WriteFileBytes(dir.File("noise.wav"), std::vector<uint8_t>(100, 7));
    EXPECT_EQ(GetMediaLength(dir.File("noise.wav")), 0u);
}

TEST(GetMediaLength, CompressedMusicByItsDuration)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    const std::string mp3 = MakeMusic(folder, "a.mp3", 3 * 44100, 44100, 2);
    const std::string wma = MakeMusic(folder, "b.wma", 2 * 44100, 44100, 2, "-c:a wmav2");
    const std::string m4a = MakeMusic(folder, "c.m4a", 44100 * 5 / 2, 44100, 2, "-c:a aac");
    const std::string flac = MakeMusic(folder, "d.flac", 44100 * 7 / 4, 44100, 1);
    EXPECT_NEAR(GetMediaLength(mp3), 3000, 30);
    EXPECT_EQ(GetMediaLength(mp3, MediaLengthUnit::Seconds), GetMediaLength(mp3) / 1000);
    EXPECT_NEAR(GetMediaLength(wma), 2000, 50);
    EXPECT_NEAR(GetMediaLength(m4a), 2500, 30);
    EXPECT_EQ(GetMediaLength(flac), 1750u);

    // Files without music: text, an empty file, a lyric file.
    WriteFileBytes(dir.File("text.mp3"), std::vector<uint8_t>(5000, 'x'));
    WriteFileBytes(dir.File("empty.wma"), {});
    WriteFileBytes(dir.File("words.txt"), {'l', 'a', ' ', 'l', 'a'});
    for (const char* name : {"text.mp3", "empty.wma", "words.txt"}) EXPECT_EQ(GetMediaLength(dir.File(name)), 0u) << name;
}
