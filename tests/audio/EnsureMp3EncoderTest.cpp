#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "audio/EncodeMp3.h"
#include "audio/EnsureMp3Encoder.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace {

// Records the check box too, and ticks it when asked to.
class CheckPrompt : public PromptRecorder {
public:
    bool MessageWithCheck(const std::string& text, const std::string& caption, PromptIcon icon,
                          const std::string& checkLabel) override
    {
        Message(text, caption, icon);
        labels.push_back(checkLabel);
        return tick;
    }
    bool tick = false;
    std::vector<std::string> labels;
};

// Points the loader at another file for one test and puts the real library back afterwards.
class LibraryOverride {
public:
    explicit LibraryOverride(const char* file) { ::setenv("TESSAVOX_LAME_LIBRARY", file, 1); }
    ~LibraryOverride()
    {
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
        CheckPrompt prompt;
        Mp3NoticeSettings notices;
        EnsureMp3Encoder(prompt, notices, true);
    }
};

} // namespace

TEST(EnsureMp3Encoder, MissingLibraryGivesTheNoticeAndNoMp3)
{
    LibraryOverride missing("/nonexistent.so");
    CheckPrompt prompt;
    Mp3NoticeSettings notices;
    EXPECT_FALSE(EnsureMp3Encoder(prompt, notices, true));
    EXPECT_FALSE(Mp3EncoderAvailable());
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].caption, "MP3 Encoder Not Found");
    EXPECT_NE(prompt.entries[0].text.find("/nonexistent.so"), std::string::npos) << prompt.entries[0].text;
    EXPECT_NE(prompt.entries[0].text.find("libmp3lame0"), std::string::npos) << prompt.entries[0].text;
    EXPECT_EQ(prompt.labels, std::vector<std::string>({"&Don't show me this again."}));
    EXPECT_FALSE(notices.hideMp3Message);

    // Encoding refuses and writes nothing.
    TempDir dir;
    const std::vector<uint8_t> raw(4000, 0);
    std::string failure;
    EXPECT_FALSE(EncodeMp3(std::span<const uint8_t>(raw), dir.File("x.mp3"), AudioEncodeOptions{}, &failure));
    EXPECT_NE(failure.find("not available"), std::string::npos) << failure;
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.mp3")));

    // Ticking the box is remembered; with it set nothing more is shown.
    prompt.tick = true;
    EXPECT_FALSE(EnsureMp3Encoder(prompt, notices));
    EXPECT_TRUE(notices.hideMp3Message);
    EXPECT_FALSE(EnsureMp3Encoder(prompt, notices, true));
    EXPECT_EQ(prompt.entries.size(), 2u);
}

TEST(EnsureMp3Encoder, LibraryWithoutTheEntryPointsGivesTheVersionNotice)
{
    // A real shared library that is not the encoder.
    LibraryOverride other("libz.so.1");
    CheckPrompt prompt;
    prompt.tick = true;
    Mp3NoticeSettings notices;
    EXPECT_FALSE(EnsureMp3Encoder(prompt, notices, true));
    EXPECT_FALSE(Mp3EncoderAvailable());
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].caption, "MP3 Support Not Found");
    EXPECT_NE(prompt.entries[0].text.find("lame_encode_buffer_interleaved"), std::string::npos) << prompt.entries[0].text;
    EXPECT_EQ(prompt.labels, std::vector<std::string>({"&Don't show this message again."}));
    EXPECT_TRUE(notices.hideMp3VersionMessage);
    EXPECT_FALSE(notices.hideMp3Message);
    EXPECT_FALSE(EnsureMp3Encoder(prompt, notices, true));
    EXPECT_EQ(prompt.entries.size(), 1u);
}

TEST(EnsureMp3Encoder, InstalledLibraryIsFoundSilentlyOncePerRun)
{
    ::unsetenv("TESSAVOX_LAME_LIBRARY");
    CheckPrompt prompt;
    Mp3NoticeSettings notices;
    ASSERT_TRUE(EnsureMp3Encoder(prompt, notices, true));
    EXPECT_TRUE(Mp3EncoderAvailable());
    // Loaded once: a changed override is not looked at until forced.
    LibraryOverride missing("/nonexistent.so");
    EXPECT_TRUE(EnsureMp3Encoder(prompt, notices));
    EXPECT_TRUE(prompt.entries.empty());
}
