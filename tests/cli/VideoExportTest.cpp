// The MP4 export as a user checks it: what ffprobe says of the file, and the decoded pictures
// against the player's screen at the same moments (tessavox-cli render --at).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/CliRunner.h"
#include "cli/RenderCliRunner.h"
#include "export/EncodeMp4.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "support/MediaProbe.h"
#include "support/MusicFiles.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"
#include "text/SongTime.h"
#include "text/UserPrompt.h"

namespace {

constexpr int kFps = 30;
constexpr uint32_t kWordFrames = kSongSamplesPerSecond / 4;
constexpr uint32_t kFirstWord = kSongSamplesPerSecond / 2;
// Words (syllables) in all, and the first of the second page.
constexpr size_t kWordCount = 15;
constexpr size_t kSecondPageWord = 8;

// A short song with everything a video must get right: a title page drawn and erased by
// transitions, lines swept word by word, and a second lyrics page.
std::string MakeShortSong(const TempDir& dir)
{
    KaraokeSong song(dir.File("short.tvx"));
    song.lyricText = "One two three four\nFive six se*ven\n^\nRed green blue\nUp down a*gain";
    song.title = "Short Song";
    song.artist = "Test Band";
    IMAGE_STRUCT* title = song.FindPage(kPageTitle);
    title->enabled = 1;
    title->text = "Short Song";
    title->drawTransition = 2;  // Fill Down
    // Scroll Left: a transition that moves the screen (a dissolve would differ between exports).
    title->eraseTransition = 5;
    title->holdTime = 50;
    song.GenerateKaraokeLineList(true, false);
    uint32_t t = kFirstWord;
    for (size_t i = 0; i < song.LineCount(); ++i) {
        MKaraokeLine& line = *song.LineAt(i);
        for (auto& word : line.words) {
            word->start = t;
            word->end = t + kWordFrames;
            t += kWordFrames;
        }
        line.placed = line.words.empty() ? 0 : 1;
    }
    EXPECT_EQ(song.words.size(), kWordCount);
    song.musicPath = MakeMusic(dir.Path().string(), "short.wav", t + kSongSamplesPerSecond, 44100, 2);
    EXPECT_FALSE(song.musicPath.empty());
    EXPECT_TRUE(SaveProject(song));
    return song.projectPath;
}

// One decoded 4:2:0 picture.
struct YuvFrame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;

    // The colour at (x, y), back to RGB by the BT.709 limited-range matrix the file declares.
    std::array<int, 3> Rgb(int x, int y) const
    {
        const size_t lumaSize = size_t(width) * size_t(height);
        const double luma = (bytes[size_t(y) * size_t(width) + size_t(x)] - 16) / 219.0;
        const size_t c = size_t(y / 2) * size_t(width / 2) + size_t(x / 2);
        const double cb = (bytes[lumaSize + c] - 128) / 224.0;
        const double cr = (bytes[lumaSize + lumaSize / 4 + c] - 128) / 224.0;
        const double r = luma + 1.5748 * cr;
        const double g = luma - 0.187324 * cb - 0.468124 * cr;
        const double b = luma + 1.8556 * cb;
        auto level = [](double v) { return int(std::clamp(std::lround(v * 255.0), 0L, 255L)); };
        return {level(r), level(g), level(b)};
    }
};

// The frames with these numbers (ascending), as ffmpeg decodes them.
std::vector<YuvFrame> DecodeFrames(const std::string& mp4, const std::vector<int>& numbers, int width, int height,
                                   const std::string& rawPath)
{
    std::string select;
    for (int n : numbers) select += (select.empty() ? "" : "+") + std::string("eq(n\\,") + std::to_string(n) + ")";
    const CliResult run = RunProgram("ffmpeg", {"-v", "error", "-i", mp4, "-vf", "select='" + select + "'", "-vsync",
                                                "0", "-f", "rawvideo", "-pix_fmt", "yuv420p", "-y", rawPath});
    EXPECT_EQ(run.status, 0) << run.Output();
    const std::vector<uint8_t> raw = ReadFileBytes(rawPath);
    const size_t frameBytes = size_t(width) * size_t(height) * 3 / 2;
    std::vector<YuvFrame> frames;
    for (size_t at = 0; at + frameBytes <= raw.size(); at += frameBytes)
        frames.push_back({width, height, std::vector<uint8_t>(raw.begin() + std::ptrdiff_t(at),
                                                              raw.begin() + std::ptrdiff_t(at + frameBytes))});
    return frames;
}

// The largest difference of a colour channel between the screen and the video picture
// scaled back down with nearest-neighbour (each screen pixel read at the middle of its block),
// and between the border colour and the bands left and right of the screen. Stops looking once
// it exceeds enough.
int LargestError(const RgbImage& screen, const YuvFrame& frame, int enough = 255)
{
    const VideoRect area = FitCdgScreen(frame.width, frame.height);
    int worst = 0;
    for (const int x : {area.x / 2, area.x + area.width + area.x / 2}) {
        const auto rgb = frame.Rgb(x, frame.height / 2);
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[size_t(c)] - int(screen.pixels[size_t(c)])));
    }
    for (int sy = 0; sy < kCdgScreenHeight; ++sy) {
        for (int sx = 0; sx < kCdgScreenWidth; ++sx) {
            const int x = area.x + (2 * sx + 1) * area.width / (2 * kCdgScreenWidth);
            const int y = area.y + (2 * sy + 1) * area.height / (2 * kCdgScreenHeight);
            const auto rgb = frame.Rgb(x, y);
            const size_t i = screen.Index(sx, sy);
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[size_t(c)] - int(screen.pixels[i + size_t(c)])));
            if (worst > enough) return worst;
        }
    }
    return worst;
}

size_t DifferentPixels(const RgbImage& a, const RgbImage& b)
{
    if (a.pixels == b.pixels) return 0;
    const uint8_t* p = a.pixels.data();
    const uint8_t* q = b.pixels.data();
    size_t count = 0;
    for (size_t i = 0; i + 2 < std::min(a.pixels.size(), b.pixels.size()); i += 3)
        count += (p[i] != q[i] || p[i + 1] != q[i + 1] || p[i + 2] != q[i + 2]) ? 1 : 0;
    return count;
}

double Seconds(const std::string& text)
{
    return text.empty() ? -1.0 : std::stod(text);
}

} // namespace

// Each screen pixel is read at the middle of its block (at least 3 x 3 video pixels), so 4:2:0
// chroma, which mixes colours only across the 2 x 2 pairs at a block's edge, does not reach
// it; what remains is CRF 18's quantisation ringing near edges and the rounding of the colour
// matrix, about 10 levels of 255 here. 32 leaves room for other encoder builds and stays far
// below the distance between the colours of a page (text, sweep and background differ by
// 100 or more on some channel), so the picture of another moment cannot pass.
constexpr int kColourTolerance = 32;

TEST(VideoExport, ShowsThePlayersScreenAtEveryMomentWithTheMp3gSound)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string project = MakeShortSong(dir);
    const auto projectBytes = ReadFileBytes(project);
    const auto musicBytes = ReadFileBytes(dir.File("short.wav"));
    const std::string mp4 = dir.File("short.mp4");
    CliResult run = RunCli({"export", project, "--type", "mp4", "-o", mp4});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_NE(run.out.find("video 1280x720 at 30 fps"), std::string::npos) << run.out;
    const size_t leadInAt = run.out.find("lead-in ");
    ASSERT_NE(leadInAt, std::string::npos) << run.out;
    const double leadIn = std::stod(run.out.substr(leadInAt + 8));
    run = RunCli({"export", project, "-o", dir.File("short.mp3")});
    ASSERT_EQ(run.status, 0) << run.Output();
    // The user's files are only read.
    EXPECT_EQ(ReadFileBytes(project), projectBytes);
    EXPECT_EQ(ReadFileBytes(dir.File("short.wav")), musicBytes);

    EXPECT_EQ(ProbeEntry(mp4, "stream=codec_name"), "h264\naac");
    EXPECT_EQ(ProbeEntry(mp4, "stream=width"), "1280");
    EXPECT_EQ(ProbeEntry(mp4, "stream=height"), "720");
    EXPECT_EQ(ProbeEntry(mp4, "stream=pix_fmt"), "yuv420p");
    EXPECT_EQ(ProbeEntry(mp4, "stream=r_frame_rate"), "30/1\n0/0");
    EXPECT_EQ(ProbeEntry(mp4, "stream=avg_frame_rate"), "30/1\n0/0");
    EXPECT_EQ(ProbeEntry(mp4, "stream=sample_rate"), "44100");
    EXPECT_EQ(ProbeEntry(mp4, "stream=channels"), "2");
    EXPECT_EQ(ProbeEntry(mp4, "format_tags=title"), "Short Song");
    EXPECT_EQ(ProbeEntry(mp4, "format_tags=artist"), "Test Band");
    // The MP3's length as it plays (its decoder drops the encoder's padding) against the MP4's.
    const double mp3Seconds = double(DecodeWithFfmpeg(dir.File("short.mp3"), 2).size()) / 2 / 44100;
    EXPECT_NEAR(Seconds(ProbeEntry(mp4, "format=duration")), mp3Seconds, 1.0 / kFps);
    // The index in front of the media data.
    const auto bytes = ReadFileBytes(mp4);
    const std::string head(bytes.begin(), bytes.end());
    ASSERT_NE(head.find("moov"), std::string::npos);
    EXPECT_LT(head.find("moov"), head.find("mdat"));

    // The screen every tenth of a second, as the player shows it.
    const std::string cdg = dir.File("short.cdg");
    run = RunCli({"render", cdg, "--every", "0.1", "-o", dir.File("screens")});
    ASSERT_EQ(run.status, 0) << run.Output();
    std::vector<RgbImage> screens;
    for (int k = 0;; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", k);
        if (!std::filesystem::exists(dir.File("screens/" + std::string(name)))) break;
        screens.push_back(LoadPng(dir.File("screens/" + std::string(name))));
    }
    // The MP3+G .cdg lasts as long as the sound; the video covers it.
    ASSERT_GT(screens.size(), 50u);

    // Twelve moments: the first and the last picture, three while the title page is drawn and
    // erased by its transitions (before the lead-in ends), the page change (the largest change
    // within half a second of the second page's first word) and six while words are swept.
    const double lyricsStart = leadIn + double(kFirstWord) / kSongSamplesPerSecond;
    const double secondPage = lyricsStart + double(kSecondPageWord) * kWordFrames / kSongSamplesPerSecond;
    const double lyricsEnd = lyricsStart + double(kWordCount) * kWordFrames / kSongSamplesPerSecond;
    std::vector<size_t> changed(screens.size(), 0); // pixels that differ from the picture before
    for (size_t k = 1; k < screens.size(); ++k) changed[k] = DifferentPixels(screens[k], screens[k - 1]);
    std::vector<size_t> transitions, sweeps;
    size_t pageChange = 0, largest = 0;
    for (size_t k = 1; k < screens.size(); ++k) {
        const size_t d = changed[k];
        const double t = double(k) / 10;
        if (d == 0) continue;
        if (t < leadIn) transitions.push_back(k);
        if (std::abs(t - secondPage) <= 0.5 && d > largest) {
            largest = d;
            pageChange = k;
        }
    }
    for (size_t k = 1; k < screens.size(); ++k) {
        const double t = double(k) / 10;
        if (t > lyricsStart && t < lyricsEnd && k != pageChange && changed[k] > 0)
            sweeps.push_back(k);
    }
    ASSERT_GE(transitions.size(), 3u);
    ASSERT_NE(pageChange, 0u);
    ASSERT_GE(sweeps.size(), 6u);
    std::vector<size_t> moments = {0, screens.size() - 1, pageChange};
    for (size_t i = 0; i < 3; ++i) moments.push_back(transitions[i * (transitions.size() - 1) / 2]);
    for (size_t i = 0; i < 6; ++i) moments.push_back(sweeps[i * (sweeps.size() - 1) / 5]);
    std::sort(moments.begin(), moments.end());
    ASSERT_EQ(std::unique(moments.begin(), moments.end()), moments.end());

    std::vector<int> frameNumbers;
    for (size_t k : moments) frameNumbers.push_back(int(k) * kFps / 10);
    // The screen at 4:3, as the viewer shows it, in the middle of the frame.
    const VideoRect area = FitCdgScreen(1280, 720);
    EXPECT_EQ(area.x, 160);
    EXPECT_EQ(area.y, 0);
    EXPECT_EQ(area.width, 960);
    EXPECT_EQ(area.height, 720);
    const std::vector<YuvFrame> frames = DecodeFrames(mp4, frameNumbers, 1280, 720, dir.File("frames.yuv"));
    ASSERT_EQ(frames.size(), moments.size());
    for (size_t i = 0; i < moments.size(); ++i) {
        // The series' picture k is render --at k x 0.1; check one of them through --at itself.
        if (moments[i] == pageChange) {
            char at[16];
            std::snprintf(at, sizeof at, "%.1f", double(moments[i]) / 10);
            run = RunCli({"render", cdg, "--at", at, "-o", dir.File("at.png")});
            ASSERT_EQ(run.status, 0) << run.Output();
            EXPECT_EQ(DifferentPixels(LoadPng(dir.File("at.png")), screens[moments[i]]), 0u);
        }
        EXPECT_LE(LargestError(screens[moments[i]], frames[i]), kColourTolerance)
            << "at " << double(moments[i]) / 10 << " s";
        // The picture of a tenth of a second earlier is not the same screen.
        if (moments[i] > 0 && changed[moments[i]] > 0) {
            EXPECT_GT(LargestError(screens[moments[i] - 1], frames[i], kColourTolerance), kColourTolerance)
                << "at " << double(moments[i]) / 10 << " s";
        }
    }
}

// The smallest per-frame PSNR between two videos of the same pictures, over frames that differ
// at all (ffmpeg's psnr filter; identical frames read "inf").
double SmallestPsnr(const std::string& a, const std::string& b, const std::string& statsPath)
{
    const CliResult run = RunProgram("ffmpeg", {"-v", "error", "-i", a, "-i", b, "-lavfi",
                                                "[0:v][1:v]psnr=stats_file=" + statsPath, "-f", "null", "-"});
    EXPECT_EQ(run.status, 0) << run.Output();
    const std::vector<uint8_t> stats = ReadFileBytes(statsPath);
    const std::string text(stats.begin(), stats.end());
    double smallest = 1000;
    size_t lines = 0;
    for (size_t at = text.find("psnr_avg:"); at != std::string::npos; at = text.find("psnr_avg:", at + 1)) {
        ++lines;
        const std::string value = text.substr(at + 9, text.find(' ', at) - at - 9);
        if (value != "inf") smallest = std::min(smallest, std::stod(value));
    }
    EXPECT_GT(lines, 0u);
    return smallest;
}

// Pictures encoded in runs side by side, unchanged pictures written as repeats: one stream that
// every decoder reads without an error, frame for frame the same pictures as one encoder's.
TEST(VideoExport, RunsEncodedSideBySideAndRepeatedFramesMakeOneFaultlessStream)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string project = MakeShortSong(dir);
    CliResult run = RunCli({"export", project, "-o", dir.File("short.mp3")});
    ASSERT_EQ(run.status, 0) << run.Output();
    const std::vector<uint8_t> stream = ReadFileBytes(dir.File("short.cdg"));
    const std::vector<uint8_t> music = ReadFileBytes(dir.File("short.wav"));
    Mp4EncodeOptions options;
    std::string why;
    options.pictureEncoders = 1;
    ASSERT_TRUE(EncodeMp4(stream, dir.File("short.wav"), dir.File("one.mp4"), options, &why)) << why;
    options.pictureEncoders = 3;
    ASSERT_TRUE(EncodeMp4(stream, dir.File("short.wav"), dir.File("three.mp4"), options, &why)) << why;
    EXPECT_EQ(ReadFileBytes(dir.File("short.wav")), music) << "the music was written to";

    const auto packets = [](const std::string& mp4) {
        return RunProgram("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries", "packet=pts,size,flags",
                                      "-of", "csv=p=0", mp4}).out;
    };
    size_t frames = 0;
    for (const std::string name : {"one.mp4", "three.mp4"}) {
        // -xerror stops at the first fault a decoder meets (a frame number out of turn, a
        // reference missing, a slice it cannot read).
        run = RunProgram("ffmpeg", {"-v", "error", "-xerror", "-i", dir.File(name), "-f", "null", "-"});
        EXPECT_EQ(run.status, 0) << name << ": " << run.Output();
        EXPECT_EQ(run.err, "") << name;
        // A still picture costs a few bytes a frame: most frames of this song are such.
        size_t count = 0, tiny = 0;
        std::vector<int64_t> keys, times;
        const std::string list = packets(dir.File(name));
        for (size_t at = 0; at < list.size();) {
            const size_t end = list.find('\n', at);
            const std::string line = list.substr(at, end - at);
            at = end == std::string::npos ? list.size() : end + 1;
            if (line.empty()) continue;
            const size_t comma = line.find(',');
            const int64_t pts = std::stoll(line.substr(0, comma));
            const int size = std::stoi(line.substr(comma + 1));
            ++count;
            tiny += size < 64;
            times.push_back(pts);
            if (line.find(",K") != std::string::npos) keys.push_back(pts);
        }
        ASSERT_GT(times.size(), 2u);
        // The file's times in frames.
        const int64_t tick = times[1] - times[0];
        ASSERT_GT(tick, 0);
        for (int64_t& key : keys) key = (key - times[0]) / tick;
        EXPECT_GT(tiny * 3, count) << name << ": " << tiny << " of " << count << " frames are repeats";
        if (frames == 0) frames = count;
        EXPECT_EQ(count, frames) << name;
        // A key frame at each run's start and every ten seconds within a run.
        std::vector<int64_t> expected;
        const std::vector<uint64_t> starts = VideoRunStarts(frames, kFps, name == "one.mp4" ? 1 : 3, VideoSize::Hd720);
        for (size_t i = 0; i < starts.size(); ++i) {
            const uint64_t end = i + 1 < starts.size() ? starts[i + 1] : frames;
            for (uint64_t k = starts[i]; k < end; k += 10 * kFps) expected.push_back(int64_t(k));
        }
        EXPECT_EQ(keys, expected) << name;
    }
    ASSERT_GT(frames, 100u);
    // CRF 18 of the same pictures gives 50 dB or more on every frame; a picture from another
    // moment, or one a decoder had to guess, falls below 35.
    EXPECT_GE(SmallestPsnr(dir.File("three.mp4"), dir.File("one.mp4"), dir.File("psnr.txt")), 45.0);
}

TEST(VideoExport, OffersTwoSizesAndFourRatesAndLeavesNothingWhenStopped)
{
    TempDir dir;
    ScopedTempFolder temp(dir.File("tmp"));
    const std::string project = MakeShortSong(dir);
    const std::string mp4 = dir.File("big.mp4");
    CliResult run = RunCli({"export", project, "--type", "mp4", "--size", "1080p", "--fps", "25", "-o", mp4});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(ProbeEntry(mp4, "stream=width"), "1920");
    EXPECT_EQ(ProbeEntry(mp4, "stream=height"), "1080");
    EXPECT_EQ(ProbeEntry(mp4, "stream=r_frame_rate"), "25/1\n0/0");
    // Every frame is there: a constant rate from start to end.
    const double seconds = Seconds(ProbeEntry(mp4, "format=duration"));
    const std::string frames = RunProgram("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v",
                                                      "-show_entries", "stream=nb_read_frames", "-of",
                                                      "default=nw=1:nk=1", mp4}).out;
    EXPECT_NEAR(std::stod(frames), seconds * 25, 1.0) << frames;

    // Ctrl+C while the video is being written: the old file stays as it was, nothing else is left.
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFileBytes(mp4, old);
    const auto writing = [&dir] {
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            if (e.path().filename().string().rfind(".big.mp4.", 0) == 0 && e.file_size() > 0) return true;
        return false;
    };
    run = RunProgramAndSignal(TESSAVOX_CLI_PATH, {"export", project, "--type", "mp4", "--size", "1080p", "-o", mp4, "--force"},
                              SIGINT, writing);
    ASSERT_TRUE(run.signalSent);
    EXPECT_EQ(run.status, 128 + SIGINT) << run.Output();
    EXPECT_EQ(ReadFileBytes(mp4), old);
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().filename().string().rfind(".big.mp4", 0), std::string::npos) << e.path();

    struct Refused {
        std::vector<std::string> args;
        std::string why;
    };
    const std::vector<Refused> refused = {
        {{"--type", "mp4", "-o", dir.File("a.mp3")}, "--type mp4 writes a .mp4 file"},
        {{"--size", "4k", "-o", dir.File("a.mp4")}, "--size is 720p or 1080p"},
        {{"--fps", "24", "-o", dir.File("a.mp4")}, "--fps is 25, 30, 50 or 60"},
        {{"--fps", "30", "-o", dir.File("a.mp3")}, "--size and --fps are for MP4 exports"},
        {{"--bitrate", "128", "-o", dir.File("a.mp4")}, "--bitrate is for MP3+G and WMA+G exports"},
        {{"--lrc", "simple", "-o", dir.File("a.mp4")}, "--zip, --lrc and --lrc-encoding are for MP3+G and WMA+G exports"},
    };
    for (const Refused& r : refused) {
        std::vector<std::string> args = {"export", project};
        args.insert(args.end(), r.args.begin(), r.args.end());
        run = RunCli(args);
        EXPECT_EQ(run.status, 2) << r.why;
        EXPECT_NE(run.err.find(r.why), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("a.mp4")));
    }
}
