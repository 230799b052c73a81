#include "support/MusicFiles.h"

#include <gtest/gtest.h>

#include "support/PictureFiles.h"
#include "support/TempDir.h"

std::string MakeMusic(const std::string& folder, const std::string& name, int64_t frames, int rate, int channels,
                      const std::string& extra)
{
    const std::string path = folder + "/" + name;
    const std::string cmd = "ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) +
                            " -af atrim=end_sample=" + std::to_string(frames) + " -ac " + std::to_string(channels) +
                            " " + extra + " -y '" + path + "'";
    const bool made = RunCommand(cmd);
    EXPECT_TRUE(made) << cmd;
    return made ? path : std::string();
}

std::vector<uint8_t> FfmpegPcm(const std::string& path)
{
    TempDir dir;
    const std::string raw = dir.File("reference.raw");
    const std::string cmd = "ffmpeg -v error -i '" + path + "' -f s16le -c:a pcm_s16le -y '" + raw + "'";
    EXPECT_TRUE(RunCommand(cmd)) << cmd;
    return ReadFileBytes(raw);
}

void WriteTruncatedCopy(const std::string& from, const std::string& to, size_t bytes)
{
    auto all = ReadFileBytes(from);
    ASSERT_GT(all.size(), bytes);
    all.resize(bytes);
    WriteFileBytes(to, all);
}
