#pragma once
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "document/SongEdit.h"
#include "waveform/WaveformStrip.h"

class QPainter;
class QTimer;
class SongDocument;
class WaveformPeaks;

// The song's music as a strip under a view's preview: the waveform around the play position,
// the placed words as spans with their text, the selected one highlighted, the page starts and
// a play cursor that follows the clock while the view plays. Ctrl+wheel zooms between 2 s and
// the whole song. Where edits are allowed, a click on a word's span picks the word and a drag
// of its left or right edge moves its start or end through the move rules, as one undo step.
class CWaveformStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultHeight = 96;
    static constexpr int kMinimumHeight = 40;
    static constexpr int kMaximumHeight = 400;
    static constexpr int64_t kDefaultSpan = 8000000; // microseconds shown
    static constexpr int64_t kShortestSpan = 2000000;
    // While playing the strip is drawn for this many spans at once and slides under the window.
    static constexpr int kTileSpans = 3;
    // How near an edge (pixels) the mouse grabs it.
    static constexpr int kEdgeGrab = 4;
    // At most 60 frames a second while playing, and no more than one a pixel the music moves.
    static constexpr int kFrameMs = 17;
    // To the view report (app/ViewReport.h) the strip appends "strip X Y W H from F to T"
    // (global pixels, microseconds) whenever what it shows moved, and when a play ends
    // "paints N mean M max X" (the paints while it played, milliseconds each).

    enum class Edge { None, Start, End };
    struct Hit {
        int word = -1;
        Edge edge = Edge::None;
    };

    CWaveformStrip(SongDocument& document, QWidget* parent);
    ~CWaveformStrip() override;

    // Song time (samples from the music's start) of the play position; read every frame while
    // playing, and where the cursor is drawn.
    void SetClock(std::function<int64_t()> songTime) { m_clock = std::move(songTime); }
    // Follows the clock at up to 60 frames a second while playing; idle otherwise.
    void SetPlaying(bool playing);
    bool Playing() const { return m_playing; }
    // Edge drags and clicks on words (off while playing).
    void SetEditable(bool editable) { m_editable = editable; }

    // The song changed in a way no step records (a word placed while placing).
    void SongChanged();
    // Shows the stretch centred on song time t (samples).
    void CentreOn(int64_t samples);
    // Moves the window only when the stretch [from, to] (samples) is not wholly shown.
    void KeepInView(int64_t from, int64_t to);
    // The shown stretch, microseconds; the span is kept between 2 s and the whole song.
    int64_t From() const { return m_from; }
    int64_t To() const { return m_from + m_span; }
    void SetSpan(int64_t micros);
    int64_t Span() const { return m_span; }
    // Song time t (samples) as a column, and a column as song time.
    int ColumnOf(int64_t samples) const;
    int64_t SamplesAt(int x) const;
    // The word span or edge under a point.
    Hit HitAt(QPoint p) const;
    // Milliseconds the last paint took (drawing the strip and putting it on screen).
    double LastPaintMs() const { return m_lastPaintMs; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A click on a word's span or edge.
    void WordClicked(int word);
    // A drag moved a word's time (the song is changed, not yet recorded).
    void WordMoved(int word);
    // A drag was let go; its change is recorded as one step.
    void DragFinished(int word);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnFrame();
    bool PaintFromTile(QPainter& painter, const WaveformPeaks& peaks);
    void Report();
    void ReportLine(const QString& line);
    int64_t SongMicros() const;
    int64_t ClampFrom(int64_t from) const;
    int64_t CursorMicros() const;
    void ShowDragTime(QPoint global);

    SongDocument& m_document;
    WaveformStrip m_strip;
    // The strip's picture as Qt sees it: its pixels, not a copy.
    QImage m_image;
    // The strip of three spans that the window slides over while playing.
    WaveformStrip m_tile;
    QImage m_tileImage;
    int64_t m_tileFrom = 0;
    bool m_tileValid = false;
    // The document's peaks of the music, looked up when the music may have changed (the
    // look-up builds a path, which the paint path must not).
    const WaveformPeaks* m_peaks = nullptr;
    QString m_why; // why the music has no peaks
    // The song's work file and length when the peaks were looked up.
    std::string m_peaksFor;
    uint32_t m_peaksBytes = 0;
    void ReadPeaks();
    std::function<int64_t()> m_clock;
    QTimer* m_timer = nullptr;
    size_t m_subscription = 0;
    bool m_playing = false;
    bool m_editable = false;
    int64_t m_from = 0;
    int64_t m_span = kDefaultSpan;
    double m_lastPaintMs = 0;
    // The paints of the current play.
    int m_paints = 0;
    double m_paintMsSum = 0, m_paintMsMax = 0;
    QString m_reported;

    // The drag under way: the word, which edge, where the mouse went down and every word's
    // times as they were then (each move starts again from them).
    Hit m_drag;
    int m_pressX = 0;
    int64_t m_pressTime = 0;
    std::vector<std::pair<uint32_t, uint32_t>> m_before;
    // The edit of the drag under way, begun at its first move.
    std::optional<SongEdit> m_dragEdit;
};
