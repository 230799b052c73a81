#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "audio/MusicImport.h"
#include "audio/WorkFileSource.h"
#include "media/ByteOrder.h"
#include "support/MusicFiles.h"
#include "support/PictureFiles.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;

// Every name in a folder, hidden ones too (a left-over temporary file is hidden).
std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A work folder holding a previous work file, which a failed import must leave as it was.
struct WorkFolder {
    explicit WorkFolder(const TempDir& dir) : folder(dir.Path() / "work"), path((folder / kMusicWorkFileName).string())
    {
        fs::create_directories(folder);
        WriteFileBytes(path, previous);
    }
    void ExpectUntouched() const
    {
        EXPECT_EQ(ReadFileBytes(path), previous);
        EXPECT_EQ(Names(folder), std::vector<std::string>{kMusicWorkFileName});
    }
    fs::path folder;
    std::string path;
    std::vector<uint8_t> previous = {'o', 'l', 'd', ' ', 'm', 'u', 's', 'i', 'c'};
};

// The fields of the 44-byte header the import writes.
struct Header44 {
    explicit Header44(const std::vector<uint8_t>& b) : bytes(b) {}
    std::string Id(size_t at) const { return std::string(bytes.begin() + long(at), bytes.begin() + long(at) + 4); }
    uint32_t U32(size_t at) const { return GetLe32(bytes.data() + at); }
    uint16_t U16(size_t at) const { return GetLe16(bytes.data() + at); }
    const std::vector<uint8_t>& bytes;
};

void ExpectPcmHeader(const std::vector<uint8_t>& file, uint16_t channels, uint32_t rate, uint16_t bits)
{
    ASSERT_GE(file.size(), 44u);
    const Header44 h(file);
    const uint32_t data = h.U32(40);
    ASSERT_GE(file.size(), 44u + data);
    EXPECT_EQ(h.Id(0), "RIFF");
    EXPECT_EQ(h.U32(4), file.size() - 8);
    EXPECT_EQ(h.Id(8), "WAVE");
    EXPECT_EQ(h.Id(12), "fmt ");
    EXPECT_EQ(h.U32(16), 16u);
    EXPECT_EQ(h.U16(20), 1u); // PCM
    EXPECT_EQ(h.U16(22), channels);
    EXPECT_EQ(h.U32(24), rate);
    EXPECT_EQ(h.U32(28), rate * channels * bits / 8);
    EXPECT_EQ(h.U16(32), channels * bits / 8);
    EXPECT_EQ(h.U16(34), bits);
    EXPECT_EQ(h.Id(36), "data");
}

// The samples: the data chunk after the 44-byte header (a note of the music's source follows).
std::vector<uint8_t> DataOf(const std::vector<uint8_t>& file)
{
    if (file.size() < 44) return {};
    const size_t data = std::min<size_t>(GetLe32(file.data() + 40), file.size() - 44);
    return std::vector<uint8_t>(file.begin() + 44, file.begin() + long(44 + data));
}

// The level of a 1 kHz tone in one channel of 44,100 Hz stereo samples and the level of all
// else (distortion and noise, THD+N), both in dB, measured over two seconds from the half
// second mark. Two seconds hold whole periods of the tone, so the projections on its sine and
// cosine are the least-squares fit, as a perfect notch would take it out.
struct ToneLevels {
    double toneDbfs = 0;
    double thdPlusNoiseDb = 0;
};

ToneLevels MeasureTone(const std::vector<uint8_t>& stereo, int channel)
{
    constexpr double kTone = 1000.0;
    const size_t first = kRate / 2;
    const size_t count = 2 * kRate;
    if (stereo.size() < (first + count) * 4) return {};
    auto sample = [&](size_t i) { return double(int16_t(GetLe16(stereo.data() + 4 * (first + i) + 2 * channel))); };
    double sine = 0, cosine = 0, mean = 0;
    for (size_t i = 0; i < count; ++i) {
        const double phase = 2 * M_PI * kTone * double(i) / kRate;
        sine += sample(i) * std::sin(phase);
        cosine += sample(i) * std::cos(phase);
        mean += sample(i);
    }
    sine *= 2.0 / double(count);
    cosine *= 2.0 / double(count);
    mean /= double(count);
    double tone = 0, rest = 0;
    for (size_t i = 0; i < count; ++i) {
        const double phase = 2 * M_PI * kTone * double(i) / kRate;
        const double fit = sine * std::sin(phase) + cosine * std::cos(phase);
        tone += fit * fit;
        rest += (sample(i) - fit - mean) * (sample(i) - fit - mean);
    }
    const double amplitude = std::hypot(sine, cosine);
    return {20 * std::log10(amplitude / 32767.0), 10 * std::log10(rest / tone)};
}

} // namespace

TEST(MusicImport, UsesA44100HzWavWhereItLiesWhateverTheLetterCase)
{
    TempDir dir;
    WorkFolder work(dir);
    struct Case {
        const char* name;
        int channels;
        const char* codec;
        uint16_t bits;
    };
    for (const Case c : {Case{"quiet.wav", 1, "pcm_u8", 8}, Case{"LOUD.WAV", 2, "pcm_s16le", 16}}) {
        SCOPED_TRACE(c.name);
        const std::string wav = MakeMusic(dir.Path().string(), c.name, 22050, kRate, c.channels,
                                          std::string("-c:a ") + c.codec);
        MusicImport import(work.path);
        ASSERT_TRUE(import.ImportMusic(wav)) << import.Result().errorText;
        const MusicImportResult& r = import.Result();
        EXPECT_EQ(r.path, wav);
        EXPECT_EQ(r.folder, dir.Path().string() + "/");
        EXPECT_EQ(r.dataBytes, 22050u * unsigned(c.channels) * c.bits / 8);
        EXPECT_EQ(r.sampleRate, kRate);
        EXPECT_EQ(r.bitsPerSample, c.bits);
        EXPECT_EQ(r.channels, c.channels);
        EXPECT_FALSE(r.decoded);
        EXPECT_EQ(r.errorText, "");
        work.ExpectUntouched();
    }
}

TEST(MusicImport, ConvertsMusicOfAnyRateChannelsAndSampleSizeAndLeavesItAsItWas)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    struct Case {
        const char* name;
        int rate;
        int channels;
        const char* extra;
        const char* note;
    };
    const Case cases[] = {
        {"fast.mp3", 48000, 2, "", "Converted from 48,000 Hz stereo to 44,100 Hz stereo."},
        {"slow.mp3", 22050, 2, "", "Converted from 22,050 Hz stereo to 44,100 Hz stereo."},
        {"mono.mp3", 48000, 1, "", "Converted from 48,000 Hz mono to 44,100 Hz stereo."},
        {"fast.wav", 48000, 2, "-c:a pcm_s16le", "Converted from 48,000 Hz stereo to 44,100 Hz stereo."},
        {"deep.wav", kRate, 2, "-c:a pcm_s24le", "Converted from 44,100 Hz 24-bit stereo to 44,100 Hz 16-bit stereo."},
        {"float.wav", 96000, 1, "-c:a pcm_f32le",
         "Converted from 96,000 Hz 32-bit float mono to 44,100 Hz 16-bit stereo."},
        {"wide.wav", kRate, 6, "-c:a pcm_s16le", "Converted from 44,100 Hz 6-channel to 44,100 Hz stereo."},
        {"fast.flac", 48000, 2, "", "Converted from 48,000 Hz stereo to 44,100 Hz stereo."},
        {"huge.wav", 48000, 2, "-c:a pcm_s16le -rf64 always", "Converted from 48,000 Hz stereo to 44,100 Hz stereo."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t frames = int64_t(c.rate) * 3 / 2 + 7; // 1.5 s and a few frames
        const std::string music = MakeMusic(folder, c.name, frames, c.rate, c.channels, c.extra);
        const auto before = ReadFileBytes(music);
        EXPECT_FALSE(MusicImport::IsUsedInPlace(music));
        const std::string work = dir.File(std::string("work-") + c.name + ".wav");
        MusicImport import(work);
        ASSERT_TRUE(import.ImportMusic(music)) << import.Result().errorText;
        const MusicImportResult& r = import.Result();
        EXPECT_EQ(r.path, work);
        EXPECT_TRUE(r.decoded);
        EXPECT_EQ(r.conversionNote, c.note);
        EXPECT_EQ(r.sampleRate, kRate);
        EXPECT_EQ(r.bitsPerSample, 16);
        EXPECT_EQ(r.channels, 2);
        EXPECT_EQ(r.source.rate, c.rate);
        EXPECT_EQ(r.source.channels, c.channels);

        const auto file = ReadFileBytes(work);
        ExpectPcmHeader(file, 2, kRate, 16);
        EXPECT_EQ(r.dataBytes, DataOf(file).size());
        EXPECT_EQ(ReadWorkFileSource(work), music); // it remembers the user's file
        // As long as the music, to a frame.
        const double expected = double(frames) * kRate / c.rate;
        EXPECT_NEAR(double(r.dataBytes / 4), expected, 1.0);
        EXPECT_EQ(ReadFileBytes(music), before);
    }
}

TEST(MusicImport, MonoIsDuplicatedAtFullLevelAndDeepSamplesAreDitheredNotCut)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    // Same rate, so nothing but the channels changes: both sides are the mono samples.
    const std::string mono = MakeMusic(folder, "mono.mp3", kRate, kRate, 1);
    MusicImport import(dir.File("work.wav"));
    ASSERT_TRUE(import.ImportMusic(mono)) << import.Result().errorText;
    const auto reference = FfmpegPcm(mono);
    const auto stereo = DataOf(ReadFileBytes(dir.File("work.wav")));
    ASSERT_EQ(stereo.size(), reference.size() * 2);
    size_t differing = 0;
    for (size_t i = 0; i + 1 < reference.size(); i += 2) {
        const bool same = stereo[2 * i] == reference[i] && stereo[2 * i + 1] == reference[i + 1] &&
                          stereo[2 * i + 2] == reference[i] && stereo[2 * i + 3] == reference[i + 1];
        differing += same ? 0 : 1;
    }
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(import.Result().conversionNote, "Converted from 44,100 Hz mono to 44,100 Hz stereo.");

    // 24-bit samples a third of a 16-bit step apart from silence: cut, they would all be 0;
    // dithered, some become -1 or 1.
    const std::string quiet = dir.File("quiet.wav");
    ASSERT_TRUE(RunCommand("ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=44100 -af "
                           "atrim=end_sample=4410,volume=0.00001 -ac 2 -c:a pcm_s24le -y '" + quiet + "'"));
    ASSERT_TRUE(import.ImportMusic(quiet)) << import.Result().errorText;
    const auto samples = DataOf(ReadFileBytes(dir.File("work.wav")));
    size_t nonZero = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) nonZero += (samples[i] | samples[i + 1]) != 0 ? 1 : 0;
    EXPECT_GT(nonZero, samples.size() / 20);
}

TEST(MusicImport, A48kHzSixteenBitToneComesOutCleanTheSameOnEveryImportAndMonoAlikeOnBothSides)
{
    TempDir dir;
    for (const int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        // A -3 dBFS 1 kHz tone rounded to 16 bits without dither (-95 dB of THD+N): what is
        // left over after the conversion is the conversion's own. Resampled in 16-bit integers
        // it measured -82 dB; in floating point with one dither at the end, -89 dB.
        const std::string tone = dir.File("tone" + std::to_string(channels) + ".wav");
        ASSERT_TRUE(RunCommand("sox -D -n -r 48000 -b 16 -c " + std::to_string(channels) + " '" + tone +
                               "' synth 3 sine 1000 vol -3dB"));
        MusicImport import(dir.File("work.wav"));
        ASSERT_TRUE(import.ImportMusic(tone)) << import.Result().errorText;
        const auto samples = DataOf(ReadFileBytes(dir.File("work.wav")));
        for (int side = 0; side < 2; ++side) {
            const ToneLevels levels = MeasureTone(samples, side);
            EXPECT_NEAR(levels.toneDbfs, -3.0, 0.05) << "side " << side;
            EXPECT_LT(levels.thdPlusNoiseDb, -86.0) << "side " << side;
        }
        if (channels == 1) {
            size_t differing = 0;
            for (size_t i = 0; i + 3 < samples.size(); i += 4)
                differing += GetLe16(samples.data() + i) != GetLe16(samples.data() + i + 2) ? 1 : 0;
            EXPECT_EQ(differing, 0u);
        } else {
            // The dither repeats itself: the same music gives the same work file.
            MusicImport again(dir.File("again.wav"));
            ASSERT_TRUE(again.ImportMusic(tone)) << again.Result().errorText;
            EXPECT_EQ(DataOf(ReadFileBytes(dir.File("again.wav"))), samples);
        }
    }
}

TEST(MusicImport, MusicIsNeverConvertedIntoItself)
{
    TempDir dir;
    const std::string wav = MakeMusic(dir.Path().string(), "song.wav", 4800, 48000, 2, "-c:a pcm_s16le");
    const auto before = ReadFileBytes(wav);
    MusicImport import(wav);
    EXPECT_FALSE(import.ImportMusic(wav));
    EXPECT_EQ(import.Result().errorText, "Error opening Audio File\nThe music would be converted into itself; the work "
                                         "file \"" + wav + "\" must be another file\n");
    EXPECT_EQ(ReadFileBytes(wav), before);
}

TEST(MusicImport, MissingOrUnreadableWavFilesSayWhy)
{
    TempDir dir;
    MusicImport import(dir.File("work.wav"));

    EXPECT_FALSE(import.ImportMusic(dir.File("missing.wav")));
    EXPECT_EQ(import.Result().errorText, "File not found\n");
    fs::create_directory(dir.File("folder.wav"));
    EXPECT_FALSE(import.ImportMusic(dir.File("folder.wav")));
    EXPECT_EQ(import.Result().errorText, "\"" + dir.File("folder.wav") + "\" is a folder, not a music file.\n");

    // Not a WAV at all: no format to blame, the reader says what is wrong.
    WriteFileBytes(dir.File("notes.wav"), {'h', 'e', 'l', 'l', 'o', '\n'});
    WriteFileBytes(dir.File("empty.wav"), {});
    for (const char* name : {"notes.wav", "empty.wav"}) {
        EXPECT_FALSE(import.ImportMusic(dir.File(name)));
        EXPECT_EQ(import.Result().errorText, "Error opening Audio File\nInput file is corrupt or not a WAV file\n");
        EXPECT_EQ(import.Result().path, "");
    }

    EXPECT_FALSE(fs::exists(dir.File("work.wav")));

    // 44,100 Hz 8-bit mono by its header, but A-law samples: not used in place (they would
    // play as noise) but decoded.
    const std::string alaw = MakeMusic(dir.Path().string(), "alaw.wav", 1000, kRate, 1, "-c:a pcm_alaw");
    EXPECT_TRUE(import.ImportMusic(alaw)) << import.Result().errorText;
    EXPECT_EQ(import.Result().path, dir.File("work.wav"));
    EXPECT_EQ(import.Result().dataBytes, 4000u);
}

TEST(MusicImport, DecodesMp3IntoTheWorkFileWithItsHeaderProgressAndTags)
{
    TempDir dir;
    WorkFolder work(dir);
    const std::string mp3 = MakeMusic(dir.Path().string(), "tune.mp3", 3 * kRate, kRate, 2,
                                      "-metadata title='Night Song' -metadata artist=Singer -metadata album=Disc "
                                      "-metadata publisher=Label -metadata track=4");
    MusicImport import(work.path);
    std::vector<int> percents;
    import.SetProgress([&](int p) {
        percents.push_back(p);
        return true;
    });
    ASSERT_TRUE(import.ImportMusic(mp3)) << import.Result().errorText;
    const MusicImportResult& r = import.Result();
    EXPECT_EQ(r.path, work.path);
    EXPECT_EQ(r.folder, work.folder.string() + "/");
    EXPECT_TRUE(r.decoded);
    EXPECT_EQ(r.errorText, "");
    EXPECT_EQ(r.sampleRate, kRate);
    EXPECT_EQ(r.bitsPerSample, 16);
    EXPECT_EQ(r.channels, 2);

    const auto file = ReadFileBytes(work.path);
    ExpectPcmHeader(file, 2, kRate, 16);
    EXPECT_EQ(r.dataBytes, DataOf(file).size());
    // Exactly what FFmpeg's own program decodes, encoder delay and padding trimmed alike.
    EXPECT_EQ(DataOf(file), FfmpegPcm(mp3));
    EXPECT_EQ(r.dataBytes, 3u * kRate * 4);

    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end()) << "a percentage repeated";
    EXPECT_LE(percents.front(), 5);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_GE(percents.size(), 20u);

    EXPECT_EQ(r.tags.title, "Night Song");
    EXPECT_EQ(r.tags.artist, "Singer");
    EXPECT_EQ(r.tags.album, "Disc");
    EXPECT_EQ(r.tags.brand, "Label");
    EXPECT_EQ(r.tags.track, "4");
    // Nothing else in the folder: the temporary file became the work file.
    EXPECT_EQ(Names(work.folder), std::vector<std::string>{kMusicWorkFileName});
}

TEST(MusicImport, SixtySecondStereoWmaGivesAHeaderThatMatchesItsData)
{
    TempDir dir;
    const std::string wma = MakeMusic(dir.Path().string(), "minute.wma", 60 * kRate, kRate, 2,
                                      "-c:a wmav2 -b:a 128k -metadata title=Minute -metadata artist=Clock "
                                      "-metadata album=Hours -metadata publisher=Works -metadata track=9");
    MusicImport import(dir.File("tessavox_music.wav"));
    ASSERT_TRUE(import.ImportMusic(wma)) << import.Result().errorText;
    const auto file = ReadFileBytes(dir.File("tessavox_music.wav"));
    ExpectPcmHeader(file, 2, kRate, 16);
    const auto reference = FfmpegPcm(wma);
    EXPECT_EQ(DataOf(file), reference);
    EXPECT_EQ(import.Result().dataBytes, reference.size());
    // WMA decodes in frames of 2,048 samples: of 60 s the decoder gives the whole frames, which
    // is 2,643,968 sample frames (10,575,872 bytes) with this FFmpeg, not 10,584,000.
    EXPECT_NEAR(double(import.Result().dataBytes), 10584000.0, 2048.0 * 4);

    const MusicTags& tags = import.Result().tags;
    EXPECT_EQ(tags.title, "Minute");
    EXPECT_EQ(tags.artist, "Clock"); // the ASF Author
    EXPECT_EQ(tags.album, "Hours");  // WM/AlbumTitle
    EXPECT_EQ(tags.brand, "Works");  // WM/Publisher
    EXPECT_EQ(tags.track, "9");      // WM/TrackNumber
    EXPECT_NEAR(double(tags.duration) / 1e7, 60.0, 0.05);
}

TEST(MusicImport, BrokenCompressedFilesFailWithTheDecodersTextAndLeaveNothing)
{
    TempDir dir;
    WorkFolder work(dir);
    const std::string folder = dir.Path().string();
    WriteFileBytes(dir.File("text.mp3"), std::vector<uint8_t>(5000, 'x'));
    WriteFileBytes(dir.File("empty.mp3"), {});
    const std::string wma = MakeMusic(folder, "whole.wma", 20 * kRate, kRate, 2, "-c:a wmav2");
    WriteTruncatedCopy(wma, dir.File("half.wma"), size_t(fs::file_size(wma) / 2));
    WriteTruncatedCopy(wma, dir.File("head.wma"), 100);

    struct Case {
        const char* name;
        const char* text;
    };
    // The reason names the file and says what is wrong with it in words.
    const Case cases[] = {
        {"text.mp3", "Could not open the specified file: \"%s\" is not a music file, or it is damaged\n"},
        {"empty.mp3", "Could not open the specified file: \"%s\" is empty, not a music file\n"},
        {"head.wma", "Could not open the specified file: \"%s\" is not a music file, or it is damaged\n"},
        {"half.wma", "The music file ends before its stated length; it is truncated or damaged: \"%s\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MusicImport import(work.path);
        EXPECT_FALSE(import.ImportMusic(dir.File(c.name)));
        std::string text = c.text;
        text.replace(text.find("%s"), 2, dir.File(c.name));
        EXPECT_EQ(import.Result().errorText, text);
        EXPECT_EQ(import.Result().path, "");
        work.ExpectUntouched();
    }
}

TEST(MusicImport, ProgressThatAnswersFalseOrACancelStopsTheImport)
{
    TempDir dir;
    WorkFolder work(dir);
    const std::string mp3 = MakeMusic(dir.Path().string(), "long.mp3", 20 * kRate, kRate, 2);
    MusicImport import(work.path);
    int last = -1;
    import.SetProgress([&](int p) {
        last = p;
        return p < 30;
    });
    EXPECT_FALSE(import.ImportMusic(mp3));
    EXPECT_EQ(import.Result().errorText, "Decoding was cancelled\n");
    EXPECT_EQ(last, 30);
    work.ExpectUntouched();

    // Cancel() (from another thread or a signal handler) works the same way; the next import
    // starts afresh.
    import.SetProgress([&](int p) {
        if (p == 10) import.Cancel();
        return true;
    });
    EXPECT_FALSE(import.ImportMusic(mp3));
    EXPECT_EQ(import.Result().errorText, "Decoding was cancelled\n");
    work.ExpectUntouched();
    import.SetProgress(nullptr);
    EXPECT_TRUE(import.ImportMusic(mp3)) << import.Result().errorText;
}

TEST(MusicImport, AWorkFileThatCannotBeCreatedIsReported)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "tune.mp3", kRate, kRate, 2);
    const std::string work = dir.File("no/such/folder/tessavox_music.wav");
    MusicImport import(work);
    EXPECT_FALSE(import.ImportMusic(mp3));
    EXPECT_EQ(import.Result().errorText, "Error opening Audio File\nCould not create the work file \"" + work + "\"\n");
}
