#include "waveform/WaveformStrip.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "media/ColourValue.h"
#include "project/KaraokeSong.h"
#include "text/IndexSurface.h"
#include "text/MFont.h"
#include "waveform/WaveformPeaks.h"

const uint32_t WaveformStrip::kBackground = MakeColourValue(24, 24, 32);
const uint32_t WaveformStrip::kCentreLine = MakeColourValue(64, 64, 80);
const uint32_t WaveformStrip::kWave = MakeColourValue(80, 200, 120);
const uint32_t WaveformStrip::kWordSpan = MakeColourValue(40, 70, 130);
const uint32_t WaveformStrip::kWordSpanAlternate = MakeColourValue(60, 50, 120);
const uint32_t WaveformStrip::kWordSelectedSpan = MakeColourValue(0, 140, 140);
const uint32_t WaveformStrip::kWordUnsureSpan = MakeColourValue(170, 90, 20);
const uint32_t WaveformStrip::kWordEdge = MakeColourValue(140, 170, 230);
const uint32_t WaveformStrip::kWordText = MakeColourValue(255, 255, 255);
const uint32_t WaveformStrip::kPageStart = MakeColourValue(255, 140, 0);
const uint32_t WaveformStrip::kCursor = MakeColourValue(255, 60, 60);

namespace {

// Word times are samples at 44,100 Hz from the start of the music.
constexpr int64_t kWordRate = 44100;
constexpr int kTextCell = 13;
constexpr uint8_t kTextIndex = 1;

int64_t WordMicros(uint32_t samples)
{
    return int64_t(samples) * 1000000 / kWordRate;
}

} // namespace

WaveformStrip::WaveformStrip()
{
    FontSpec face; // the default face, which the install script's fonts provide
    face.cellHeight = kTextCell;
    m_font = MFont::Get(face);
}

WaveformStrip::~WaveformStrip() = default;

void WaveformStrip::SetSize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    m_image = RgbImage(width, height);
    m_band = height >= 3 * (kTextCell + 4) ? kTextCell + 4 : 0;
    m_text.assign(size_t(width) * size_t(m_band), 0);
}

int WaveformStrip::ColumnOf(int64_t micros) const
{
    // floor((t - from) x width / (to - from)), the mapping the columns are drawn with. Times
    // far outside the strip are clamped first so the product stays in range.
    const int64_t span = m_to - m_from;
    const int64_t offset = std::clamp<int64_t>(micros - m_from, -2 * span, 3 * span);
    const int64_t num = offset * m_image.width;
    int64_t q = num / span;
    if (num % span != 0 && num < 0) --q;
    return int(q);
}

void WaveformStrip::VerticalLine(int x, int top, int bottom, uint32_t colour)
{
    if (x < 0 || x >= m_image.width) return;
    top = std::max(top, 0);
    bottom = std::min(bottom, m_image.height);
    for (int y = top; y < bottom; ++y) m_image.SetColour(x, y, colour);
}

void WaveformStrip::Draw(const WaveformPeaks& peaks, const KaraokeSong& song, int64_t fromMicros, int64_t toMicros,
                         int64_t cursorMicros)
{
    if (m_image.width == 0) SetSize(1, 1);
    m_from = fromMicros;
    m_to = std::max(toMicros, fromMicros + 1);
    // One row filled pixel by pixel, the others copied from it: a frame at 60 a second costs
    // a fraction of the per-pixel fill.
    const size_t row = size_t(m_image.width) * RgbImage::kBytesPerPixel;
    uint8_t* pixels = m_image.pixels.data();
    for (int x = 0; x < m_image.width; ++x) m_image.SetColour(x, 0, kBackground);
    for (int y = 1; y < m_image.height; ++y) std::memcpy(pixels + size_t(y) * row, pixels, row);

    DrawWave(peaks);
    DrawWords(song);
    if (cursorMicros >= 0) VerticalLine(ColumnOf(cursorMicros), 0, m_image.height, kCursor);
}

void WaveformStrip::DrawWave(const WaveformPeaks& peaks)
{
    const int height = WaveHeight();
    if (height <= 0) return;
    const int centre = height / 2;
    for (int x = 0; x < m_image.width; ++x) m_image.SetColour(x, centre, kCentreLine);
    if (peaks.Empty() || peaks.SampleRate() == 0) return;
    const int64_t span = m_to - m_from;
    const uint64_t rate = peaks.SampleRate();
    // Half the height for full scale, the lowest sample on the bottom row.
    const int half = std::max(height / 2, 1);
    const auto row = [&](int v) { return std::clamp(centre - int(int64_t(v) * half / 32768), 0, height - 1); };
    for (int x = 0; x < m_image.width; ++x) {
        const int64_t t0 = m_from + span * x / m_image.width;
        const int64_t t1 = m_from + span * (x + 1) / m_image.width;
        if (t1 <= 0) continue;
        const uint64_t f0 = uint64_t(std::max<int64_t>(t0, 0)) * rate / 1000000;
        uint64_t f1 = uint64_t(t1) * rate / 1000000;
        if (f1 <= f0) f1 = f0 + 1;
        if (f0 >= peaks.Frames()) break;
        const PeakPair p = peaks.Range(f0, f1);
        if (p.low == 0 && p.high == 0) continue;
        const int top = row(p.high), bottom = row(p.low);
        for (int y = top; y <= bottom; ++y) m_image.SetColour(x, y, kWave);
    }
}

void WaveformStrip::DrawWords(const KaraokeSong& song)
{
    const int bandTop = WaveHeight();
    const int width = m_image.width;
    if (m_band > 0) std::fill(m_text.begin(), m_text.end(), uint8_t(0));
    const bool font = m_band > 0 && m_font && m_font->Valid();
    const uint32_t spanColours[2] = {kWordSpan, kWordSpanAlternate};

    int32_t page = INT32_MIN;
    bool pageMarkDue = false;
    size_t drawn = 0;
    size_t element = 0; // the word's index in the song's word list, which holds the lines' words in order
    for (const auto& linePtr : song.lines) {
        const MKaraokeLine& line = *linePtr;
        if (line.page != page) {
            page = line.page;
            pageMarkDue = true;
        }
        for (const MKaraokeWord* word : line.words) {
            const size_t index = element++;
            if (!word || word->start == 0) continue;
            const int64_t start = WordMicros(word->start);
            const int64_t end = WordMicros(std::max(word->end, word->start));
            if (pageMarkDue) {
                // A page begins with its first placed word.
                pageMarkDue = false;
                VerticalLine(ColumnOf(start), 0, m_image.height, kPageStart);
            }
            if (m_band == 0 || end < m_from || start > m_to) {
                ++drawn;
                continue;
            }
            const int left = ColumnOf(start);
            const int right = std::max(ColumnOf(end), left + 1); // exclusive
            const int x0 = std::max(left, 0), x1 = std::min(right, width);
            uint32_t fill = spanColours[drawn % 2];
            if (word->flags & kWordSelected) fill = kWordSelectedSpan;
            else if (m_unsure && m_unsure(index)) fill = kWordUnsureSpan;
            ++drawn;
            for (int y = bandTop + 1; y < m_image.height - 1; ++y)
                for (int x = x0; x < x1; ++x) m_image.SetColour(x, y, fill);
            VerticalLine(left, bandTop, m_image.height, kWordEdge);
            if (!font || word->last < word->first || word->first < 0 || size_t(word->last) >= line.text.size()) continue;
            IndexSurface surface;
            surface.pixels = m_text.data();
            surface.width = width;
            surface.height = m_band;
            surface.stride = width;
            surface.clipLeft = std::max(left + 2, 0);
            surface.clipRight = std::min(right - 1, width);
            surface.clipTop = 0;
            surface.clipBottom = m_band;
            if (surface.clipRight <= surface.clipLeft) continue;
            const std::string_view text(line.text.data() + word->first, size_t(word->last - word->first + 1));
            m_font->Draw(surface, left + 2, 2, text, kTextIndex);
        }
    }
    if (!font) return;
    for (int y = 0; y < m_band; ++y)
        for (int x = 0; x < width; ++x)
            if (m_text[size_t(y) * size_t(width) + size_t(x)] == kTextIndex) m_image.SetColour(x, bandTop + y, kWordText);
}
