#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "player/RgbImage.h"

class MFont;
class KaraokeSong;
class WaveformPeaks;

// Draws a stretch of the song's music as a strip picture: the waveform (the peaks of each
// column's time), under it a band with each placed word as a span holding its text, the page
// starts as lines across the whole strip and an optional play cursor. A selected word's span
// stands out in its own colour, and so does a word whose time is unsure. The picture and its text
// layer are made by SetSize and reused: drawing allocates nothing.
class WaveformStrip {
public:
    // Colours (red in the low byte), for whoever reads the picture back.
    static const uint32_t kBackground;
    static const uint32_t kCentreLine;
    static const uint32_t kWave;
    static const uint32_t kWordSpan;
    static const uint32_t kWordSpanAlternate;
    static const uint32_t kWordSelectedSpan; // a word marked selected (kWordSelected)
    static const uint32_t kWordUnsureSpan;   // a word timed by guess, worth checking by ear
    static const uint32_t kWordEdge;
    static const uint32_t kWordText;
    static const uint32_t kPageStart;
    static const uint32_t kCursor;

    WaveformStrip();
    ~WaveformStrip();
    WaveformStrip(const WaveformStrip&) = delete;
    WaveformStrip& operator=(const WaveformStrip&) = delete;

    // width and height at least 1; the word band takes the bottom BandHeight rows when the
    // strip is tall enough to leave the waveform some room.
    void SetSize(int width, int height);
    int BandHeight() const { return m_band; }
    // Rows of the waveform: 0 to WaveHeight() - 1.
    int WaveHeight() const { return m_image.height - m_band; }

    // The music from song time fromMicros to toMicros (microseconds, toMicros > fromMicros)
    // across the width. cursorMicros < 0: no cursor.
    void Draw(const WaveformPeaks& peaks, const KaraokeSong& song, int64_t fromMicros, int64_t toMicros,
              int64_t cursorMicros = -1);
    const RgbImage& Image() const { return m_image; }

    // Which word elements (by index in the song's word list) show as unsure; none without it.
    void SetUnsureProbe(std::function<bool(size_t element)> probe) { m_unsure = std::move(probe); }

    // The column where song time t falls (may lie outside the strip).
    int ColumnOf(int64_t micros) const;

private:
    void DrawWave(const WaveformPeaks& peaks);
    void DrawWords(const KaraokeSong& song);
    void VerticalLine(int x, int top, int bottom, uint32_t colour);

    RgbImage m_image;
    std::vector<uint8_t> m_text; // the word band's text layer, one palette index a pixel
    std::shared_ptr<const MFont> m_font;
    std::function<bool(size_t)> m_unsure;
    int m_band = 0;
    int64_t m_from = 0;
    int64_t m_to = 1;
};
