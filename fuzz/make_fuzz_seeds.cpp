// Writes the seed corpora of the fuzz targets into FOLDER/<target>/:
//   make_fuzz_seeds fuzz/corpus
// Every seed is made here from synthesized content (tones, test patterns, lyrics we wrote),
// so the corpora hold nothing but our own bytes. scripts/make-fuzz-seeds.sh adds the JPEG, GIF
// and TIFF pictures, converted by ffmpeg from the PNG seed.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio/WavOutFile.h"
#include "cdg/CdgPacket.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PagePicture.h"
#include "media/ByteWriter.h"
#include "player/PngCodec.h"
#include "media/RgbPicture.h"
#include "player/RgbImage.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"

namespace fs = std::filesystem;

namespace {

fs::path g_root;
bool g_failed = false;

void Put(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const fs::path folder = g_root / target;
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot write %s/%s\n", target.c_str(), name.c_str());
        g_failed = true;
    }
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

constexpr const char* kLyrics = "Ro/ses are red,\r\nvio/lets are blue,\r\n\r\n"
                                "{M}su/gar is sweet\r\n{F}and so are you.\r\n";

// A small song: lyrics, timed words, artist and title; pages only when asked for.
void TimedSong(KaraokeSong& song, size_t keepPages)
{
    song.lyricText = kLyrics;
    song.artist = "Seed Artist";
    song.title = "Seed Song";
    song.singerDescriptions = {"Lead", "Second", "Both"};
    song.GenerateKaraokeLineList(false, false);
    uint32_t t = 44100;
    for (size_t i = 0; i < song.LineCount(); ++i) {
        MKaraokeLine& line = *song.LineAt(i);
        for (MKaraokeWord* word : line.words) {
            word->start = t;
            word->end = t + 20000;
            t += 22050;
        }
        line.placed = line.words.empty() ? 0 : 1;
    }
    song.pages.resize(std::min(song.pages.size(), keepPages));
}

// The older layouts, written field by field: no page, one line of one word.
std::vector<uint8_t> OldProject(int32_t version)
{
    SettingsBlock block;
    block.version = version;
    const auto settings = block.ToBytes();
    std::vector<uint8_t> bytes(settings.begin(), settings.end());
    ByteWriter out(bytes);
    out.String("Hel/lo\r\n");
    out.String("");
    out.U32(0); // pages
    out.U32(1); // lines
    out.I32(0);
    out.I32(1000);
    out.I32(9000);
    out.I32(0);
    out.U8(1);
    out.U8(0);
    if (version >= 500) {
        out.I32(12);
        out.U8(0);
    }
    out.String("Hello");
    out.U32(1);
    MKaraokeWord word{};
    word.first = 0;
    word.last = 4;
    word.start = 44100;
    word.end = 88200;
    WriteWordElement(out, word);
    return bytes;
}

// Colour ramps and a check.
RgbPicture TestPattern(int width, int height)
{
    RgbPicture image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels[size_t(y) * size_t(width) + size_t(x)] =
                MakeColourValue(uint8_t((x * 255) / width), uint8_t((y * 255) / height), uint8_t(((x / 4 + y / 4) % 2) * 200));
    return image;
}

// A 24-bit bottom-up BMP.
std::vector<uint8_t> Bmp(const RgbPicture& image)
{
    const uint32_t stride = (uint32_t(image.width) * 3 + 3) & ~3u;
    const uint32_t dataBytes = stride * uint32_t(image.height);
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    out.U8('B');
    out.U8('M');
    out.U32(54 + dataBytes);
    out.U32(0);
    out.U32(54);
    out.U32(40);
    out.I32(image.width);
    out.I32(image.height);
    out.U16(1);
    out.U16(24);
    out.U32(0);
    out.U32(dataBytes);
    out.I32(2835);
    out.I32(2835);
    out.U32(0);
    out.U32(0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t c = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
            out.U8(ColourBlue(c));
            out.U8(ColourGreen(c));
            out.U8(ColourRed(c));
        }
        out.Zeros(stride - uint32_t(image.width) * 3);
    }
    return bytes;
}

void ProjectSeeds()
{
    KaraokeSong small;
    TimedSong(small, 0);
    Put("project", "lyrics-no-pages.tvx", SerializeProject(small));

    KaraokeSong onePage;
    TimedSong(onePage, 1);
    IMAGE_STRUCT& title = *onePage.pages[0];
    title.text = "Seed Song\nby Seed Artist";
    title.enabled = 1;
    title.lineStyles.lines.push_back({15, 28, 1, "Arial", 1});
    title.lineStyles.lines.push_back({14, 20, 0, "Arial", 2});
    const auto bmp = Bmp(TestPattern(64, 40));
    if (LoadPictureBytes(bmp, title.graphic)) {
        title.hasGraphic = 1;
        title.displayMode = kDisplayTiled;
        PictureToIndexed(title.graphic, 1);
    }
    Put("project", "title-page-picture.tvx", SerializeProject(onePage));

    Put("project", "version-500.tvx", OldProject(500));
    Put("project", "version-400.tvx", OldProject(400));
}

void CdgSeeds()
{
    // Generator-made packets: presets, colour tables, image tiles; then the scrolls and the
    // transparent colour as packets of their own.
    std::vector<uint8_t> stream(300 * kCdgPacketBytes, 0);
    CdgPacketGenerator generator{std::span<uint8_t>(stream)};
    size_t at = 0;
    at += generator.PresetMemory(1, at);
    at += generator.PresetBorder(2, at);
    std::array<uint32_t, kCdgColourCount> colours{};
    for (size_t i = 0; i < colours.size(); ++i) colours[i] = uint32_t(i * 0x111111u);
    at += generator.LoadColorTable(colours, at);
    std::vector<uint8_t> pixels(size_t(48) * 36);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t((i / 3 + i / 48) % 5);
    const IndexImageView view{pixels.data(), 48, 36, 48};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 8; ++c) at += generator.WriteImageTile(view, c, r, c + 2, r + 3, at);
    at += generator.WriteScrollCopy(2, 3, 1, 5, at);
    stream.resize(at);
    const auto append = [&stream](const CdgPacket& p) { stream.insert(stream.end(), p.bytes.begin(), p.bytes.end()); };
    CdgPacket scrollPreset = CdgPacket::Graphics(kCdgScrollPreset);
    scrollPreset.Data(kCdgScrollColourField) = 3;
    scrollPreset.Data(kCdgScrollHorizontalField) = 0x15;
    scrollPreset.Data(kCdgScrollVerticalField) = 0x27;
    append(scrollPreset);
    CdgPacket transparent = CdgPacket::Graphics(kCdgDefineTransparent);
    transparent.Data(kCdgPresetColourField) = 4;
    append(transparent);
    TilePattern pattern{};
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t(0x2A >> (i % 2));
    append(CdgPacket::Tile(kCdgTileXor, 5, 9, 17, 49, pattern));
    std::vector<uint8_t> seed{0}; // the presenter scale byte
    seed.insert(seed.end(), stream.begin(), stream.end());
    Put("cdg", "generated.cdg", seed);
    seed[0] = 2;
    Put("cdg", "generated-scale3.cdg", seed);
}

std::vector<uint8_t> Wav(uint32_t rate, uint16_t bits, uint16_t channels, size_t frames)
{
    std::ostringstream stream;
    WavOutFile wav;
    wav.Create(stream, rate, bits, channels);
    std::vector<int16_t> samples(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (uint16_t c = 0; c < channels; ++c)
            samples[i * channels + c] = int16_t(12000 * std::sin(double(i) * (0.05 + 0.03 * c)));
    wav.Write(samples);
    wav.Close();
    const std::string s = stream.str();
    return Bytes(s);
}

// A minimal PCM file with a list chunk of odd size before the data and an extensible format.
std::vector<uint8_t> ChunkyWav()
{
    std::vector<uint8_t> bytes;
    ByteWriter out(bytes);
    out.Bytes("RIFF", 4);
    out.U32(0); // a writer that never finished
    out.Bytes("WAVE", 4);
    out.Bytes("fmt ", 4);
    out.U32(40);
    out.U16(0xFFFE);
    out.U16(2);
    out.U32(44100);
    out.U32(44100 * 4);
    out.U16(4);
    out.U16(16);
    out.U16(22);
    out.U16(16);
    out.U32(3);
    out.U16(1); // PCM sub-format
    const uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    out.Bytes(guidTail, sizeof guidTail);
    out.Bytes("LIST", 4);
    out.U32(5);
    out.Bytes("INFOx", 5);
    out.U8(0); // pad byte
    out.Bytes("data", 4);
    out.U32(64);
    for (int i = 0; i < 32; ++i) out.U16(uint16_t(i * 1000));
    return bytes;
}

void WavSeeds()
{
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"stereo16.wav", Wav(44100, 16, 2, 300)},
        {"mono8.wav", Wav(44100, 8, 1, 301)},
        {"mono16-22050.wav", Wav(22050, 16, 1, 200)},
        {"extensible-list.wav", ChunkyWav()},
    };
    for (const auto& [name, bytes] : files) {
        // The WAV reader's target reads a byte of lead-in frames and one of request size first.
        std::vector<uint8_t> prefixed{10, 7};
        prefixed.insert(prefixed.end(), bytes.begin(), bytes.end());
        Put("wavestream", name, prefixed);
    }
}

void LyricSeeds()
{
    Put("lrc", "simple.lrc",
        Bytes("[ar:Seed Artist]\r\n[ti:Seed Song]\r\n[al:Seeds]\r\n[by:tessavox]\r\n[offset:+120]\r\n"
              "[length:2:05]\r\n[00:01.00]Roses are red,\r\n[00:04.50]violets are blue,\r\n"
              "[00:08.00]M:sugar is sweet\r\n[00:11.25]F:and so are you.\r\n"));
    Put("lrc", "enhanced.lrc",
        Bytes("[ti:Seed Song]\n[00:01.00]<00:01.00>Ro<00:01.40>ses <00:01.80>are <00:02.20>red,<00:03.00>\n"
              "[00:04.00]D:<00:04.00>vio<00:04.30>lets <00:04.60>are <00:05.00>blue \xE2\x80\xA6<00:06.00>\n"
              "[00:07.00][00:09.00]<00:07.00>su<<00:07.50>gar<00:08.00>\n"));
    Put("txt", "plain.txt", Bytes(kLyrics));
    Put("txt", "markup-lf.txt",
        Bytes("{M}Ro-ses are red,\n{F}vio/lets are \xE2\x80\x9C" "blue\xE2\x80\x9D\n\n{D}_sug*ar is sweet\n# note\n"));
    std::vector<uint8_t> utf16{0xFF, 0xFE};
    for (const char16_t c : std::u16string(u"Ros/es are red,\r\nvio\u2019lets \u00E9t\u00E9 \U0001F600\r\n")) {
        utf16.push_back(uint8_t(c));
        utf16.push_back(uint8_t(c >> 8));
    }
    Put("txt", "utf16.txt", utf16);

    // A karaoke MIDI file: header, one track with a "Words" name, lyric and text events.
    std::vector<uint8_t> track;
    const auto meta = [&track](uint8_t type, const std::string& text) {
        track.push_back(0x00); // delta time
        track.push_back(0xFF);
        track.push_back(type);
        track.push_back(uint8_t(text.size()));
        track.insert(track.end(), text.begin(), text.end());
    };
    meta(0x03, "Words");
    meta(0x01, "@TSeed Song");
    meta(0x05, "Ro");
    meta(0x05, "ses ");
    meta(0x05, "are red,");
    meta(0x01, "/vio");
    meta(0x01, "lets\r");
    meta(0x05, "\\sugar \xE2\x80\x99tis sweet");
    track.insert(track.end(), {0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x00});
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> midi;
    ByteWriter out(midi);
    out.Bytes("MThd", 4);
    for (uint8_t b : {0, 0, 0, 6, 0, 0, 0, 1, 0, 96}) out.U8(b);
    out.Bytes("MTrk", 4);
    const uint32_t n = uint32_t(track.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.U8(uint8_t(n >> shift));
    out.Bytes(track.data(), track.size());
    Put("midi", "karaoke.kar", midi);
}

std::vector<uint8_t> Png(const RgbPicture& picture)
{
    RgbImage image(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) image.SetColour(x, y, picture.At(x, y));
    return EncodePng(image);
}

void PictureSeeds()
{
    Put("picture", "pattern.bmp", Bmp(TestPattern(40, 30)));
    Put("picture", "pattern.png", Png(TestPattern(300, 24)));
    Put("picture", "small.png", Png(TestPattern(7, 5)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    g_root = argv[1];
    ProjectSeeds();
    CdgSeeds();
    WavSeeds();
    LyricSeeds();
    PictureSeeds();
    return g_failed ? 1 : 0;
}
