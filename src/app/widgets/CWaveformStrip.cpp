#include "app/widgets/CWaveformStrip.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>

#include "app/QtText.h"
#include "app/ViewReport.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "timing/WordTiming.h"
#include "waveform/WaveformPeaks.h"

namespace {

// Word times are samples at 44,100 Hz; the strip counts in microseconds.
constexpr int64_t kRate = 44100;
constexpr int64_t kMicros = 1000000;
// One notch of the wheel zooms by this factor.
constexpr double kZoomStep = 1.25;
const QColor kHintColour(200, 200, 210);

int64_t ToMicros(int64_t samples)
{
    return samples * kMicros / kRate;
}

int64_t ToSamples(int64_t micros)
{
    return micros * kRate / kMicros;
}

} // namespace

CWaveformStrip::CWaveformStrip(SongDocument& document, QWidget* parent) : QWidget(parent), m_document(document)
{
    // Words the last Auto-Time was unsure of stand out until they are moved.
    for (WaveformStrip* strip : {&m_strip, &m_tile})
        strip->SetUnsureProbe([this](size_t element) { return m_document.WordUnsure(element); });
    setObjectName("waveform");
    setAccessibleName(tr("Waveform"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &CWaveformStrip::OnFrame);
    ReadPeaks();
    // Undo, redo and new music change what the strip shows; the peaks are read again when the
    // music changed.
    m_subscription = m_document.Subscribe([this](SongDocument::Change change) {
        if (change == SongDocument::Change::History) {
            // A step recorded: a move, a placement, an edit.
            SongChanged();
            return;
        }
        if (change != SongDocument::Change::Content && change != SongDocument::Change::Music) return;
        m_tileValid = false;
        ReadPeaks();
        m_from = ClampFrom(m_from);
        update();
    });
}

void CWaveformStrip::ReadPeaks()
{
    const KaraokeSong& song = m_document.Song();
    m_peaksFor = song.MusicWorkPath();
    m_peaksBytes = song.MusicPlayBytes();
    std::string why;
    m_peaks = &m_document.MusicPeaks(&why);
    m_why = m_peaks->Empty() && m_document.MusicLoaded() ? QString::fromStdString(why) : QString();
}

CWaveformStrip::~CWaveformStrip()
{
    m_document.Unsubscribe(m_subscription);
}

QSize CWaveformStrip::sizeHint() const
{
    return {200, kDefaultHeight};
}

QSize CWaveformStrip::minimumSizeHint() const
{
    return {100, kMinimumHeight};
}

int64_t CWaveformStrip::SongMicros() const
{
    // The music's length, else as far as the words go.
    const KaraokeSong& song = m_document.Song();
    int64_t frames = m_document.MusicLoaded() ? int64_t(song.MusicFrames()) : 0;
    for (const auto& w : song.words) frames = std::max<int64_t>(frames, w->end);
    return ToMicros(frames);
}

void CWaveformStrip::SetSpan(int64_t micros)
{
    const int64_t whole = std::max(SongMicros(), kShortestSpan);
    const int64_t centre = m_from + m_span / 2;
    m_span = std::clamp(micros, kShortestSpan, whole);
    m_from = ClampFrom(centre - m_span / 2);
    m_tileValid = false;
    update();
}

int64_t CWaveformStrip::ClampFrom(int64_t from) const
{
    // Playing, the strip may look half its span before the start or past the end (the cursor
    // stays centred); idle, it stays within the song.
    const int64_t first = m_playing ? -m_span / 2 : 0;
    const int64_t last = std::max<int64_t>(SongMicros() - (m_playing ? m_span / 2 : m_span), first);
    return std::clamp(from, first, last);
}

void CWaveformStrip::CentreOn(int64_t samples)
{
    const int64_t from = ClampFrom(ToMicros(samples) - m_span / 2);
    if (from == m_from) return;
    m_from = from;
    update();
}

void CWaveformStrip::KeepInView(int64_t from, int64_t to)
{
    if (m_drag.word >= 0) return;
    const int64_t a = ToMicros(from), b = ToMicros(to);
    if (a >= m_from && b <= m_from + m_span) return;
    CentreOn((from + to) / 2);
}

int CWaveformStrip::ColumnOf(int64_t samples) const
{
    const int64_t offset = std::clamp<int64_t>(ToMicros(samples) - m_from, -2 * m_span, 3 * m_span);
    const int64_t num = offset * std::max(width(), 1);
    int64_t q = num / m_span;
    if (num % m_span != 0 && num < 0) --q;
    return int(q);
}

int64_t CWaveformStrip::SamplesAt(int x) const
{
    return ToSamples(m_from + int64_t(x) * m_span / std::max(width(), 1));
}

CWaveformStrip::Hit CWaveformStrip::HitAt(QPoint p) const
{
    Hit hit;
    const KaraokeSong& song = m_document.Song();
    int nearest = kEdgeGrab + 1;
    for (size_t i = 0; i < song.words.size(); ++i) {
        const MKaraokeWord& w = *song.words[i];
        if (w.start == 0) continue; // not placed: not drawn
        const int left = ColumnOf(w.start), right = std::max(ColumnOf(std::max(w.end, w.start)), left + 1);
        if (right < -kEdgeGrab || left > width() + kEdgeGrab) continue;
        // The nearer edge wins; two touching words share a column, so a drag there takes the
        // start of the later word (its left edge is drawn there).
        const int toStart = std::abs(p.x() - left), toEnd = std::abs(p.x() - right);
        if (toStart <= kEdgeGrab && toStart <= nearest) {
            nearest = toStart;
            hit = {int(i), Edge::Start};
        } else if (toEnd <= kEdgeGrab && toEnd < nearest) {
            nearest = toEnd;
            hit = {int(i), Edge::End};
        } else if (hit.edge == Edge::None && p.x() >= left && p.x() < right) {
            hit = {int(i), Edge::None};
        }
    }
    return hit;
}

int64_t CWaveformStrip::CursorMicros() const
{
    if (!m_clock) return -1;
    const int64_t t = m_clock();
    return t < 0 ? -1 : ToMicros(t);
}

void CWaveformStrip::SetPlaying(bool playing)
{
    if (playing == m_playing) return;
    m_playing = playing;
    if (playing) {
        m_paints = 0;
        m_paintMsSum = m_paintMsMax = 0;
        m_tileValid = false;
        ReadPeaks();
        m_timer->start(kFrameMs);
        OnFrame();
    } else {
        m_timer->stop();
        if (m_paints > 0)
            ReportLine(QString("paints %1 mean %2 max %3\n")
                           .arg(m_paints)
                           .arg(m_paintMsSum / m_paints, 0, 'f', 3)
                           .arg(m_paintMsMax, 0, 'f', 3));
        update();
    }
}

void CWaveformStrip::OnFrame()
{
    // Zoomed out, the music takes longer than a frame to move a pixel.
    const int pixelMs = int(m_span / std::max(width(), 1) / 1000);
    if (const int interval = std::max(kFrameMs, pixelMs); m_timer->interval() != interval) m_timer->setInterval(interval);
    // The cursor stays in the middle and the music moves under it.
    const int64_t cursor = CursorMicros();
    if (cursor >= 0) m_from = ClampFrom(cursor - m_span / 2);
    update();
}

void CWaveformStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_strip.SetSize(std::max(width(), 1), std::max(height(), 1));
    const RgbImage& image = m_strip.Image();
    // The strip's own pixels, which live as long as the strip keeps its size.
    m_image = QImage(image.pixels.data(), image.width, image.height, int(image.width * RgbImage::kBytesPerPixel),
                     QImage::Format_RGB888);
    m_tile.SetSize(kTileSpans * std::max(width(), 1), std::max(height(), 1));
    // In the screen's own pixel format, so that a frame is a plain copy.
    m_tileImage = QImage(m_tile.Image().width, m_tile.Image().height, QImage::Format_RGB32);
    m_tileValid = false;
}

void CWaveformStrip::SongChanged()
{
    m_tileValid = false;
    update();
}

bool CWaveformStrip::PaintFromTile(QPainter& painter, const WaveformPeaks& peaks)
{
    // While playing, the strip only slides under the cursor: it is drawn once for three spans
    // and each frame shows the part of it under the window, so that a frame costs a copy.
    const int w = std::max(width(), 1);
    auto offset = [&] { return int((m_from - m_tileFrom) * w / m_span); };
    if (!m_tileValid || m_from < m_tileFrom || offset() + w > m_tileImage.width()) {
        m_tileFrom = m_from - m_span;
        m_tile.Draw(peaks, m_document.Song(), m_tileFrom, m_tileFrom + kTileSpans * m_span);
        const RgbImage& tile = m_tile.Image();
        for (int y = 0; y < tile.height; ++y) {
            const uint8_t* from = tile.pixels.data() + tile.Index(0, y);
            auto* to = reinterpret_cast<QRgb*>(m_tileImage.scanLine(y));
            for (int x = 0; x < tile.width; ++x, from += RgbImage::kBytesPerPixel) to[x] = qRgb(from[0], from[1], from[2]);
        }
        m_tileValid = true;
    }
    const int dx = offset();
    painter.drawImage(QRect(0, 0, w, height()), m_tileImage, QRect(dx, 0, w, height()));
    const int64_t cursor = CursorMicros();
    if (cursor >= 0) {
        const int x = m_tile.ColumnOf(cursor) - dx;
        painter.setPen(QColor(ColourRed(WaveformStrip::kCursor), ColourGreen(WaveformStrip::kCursor),
                              ColourBlue(WaveformStrip::kCursor)));
        painter.drawLine(x, 0, x, height() - 1);
    }
    return true;
}

void CWaveformStrip::paintEvent(QPaintEvent*)
{
    QElapsedTimer clock;
    clock.start();
    if (m_image.isNull()) return;
    // The shell may hand the song its music without a word to the document's listeners (a view
    // is built for new music before the song names it): what the song plays is checked here, a
    // comparison that allocates nothing.
    const KaraokeSong& song = m_document.Song();
    if (song.MusicWorkPath() != m_peaksFor || song.MusicPlayBytes() != m_peaksBytes) ReadPeaks();
    const WaveformPeaks& peaks = *m_peaks;
    QPainter painter(this);
    if (m_playing && !peaks.Empty()) {
        PaintFromTile(painter, peaks);
    } else {
        m_strip.Draw(peaks, m_document.Song(), m_from, m_from + m_span, CursorMicros());
        painter.drawImage(0, 0, m_image);
    }
    if (peaks.Empty()) {
        // Said on a patch of the background, so that the centre line does not cross the words.
        const QString hint = m_document.MusicLoaded() ? tr("The music could not be read: %1").arg(m_why)
                                                      : tr("No music yet: its waveform shows here once it is added.");
        const QRect wave(0, 0, width(), m_strip.WaveHeight());
        const QRect text = painter.fontMetrics().boundingRect(wave, Qt::AlignCenter, hint).adjusted(-6, -2, 6, 2);
        painter.fillRect(text, QColor(ColourRed(WaveformStrip::kBackground), ColourGreen(WaveformStrip::kBackground),
                                      ColourBlue(WaveformStrip::kBackground)));
        painter.setPen(kHintColour);
        painter.drawText(wave, Qt::AlignCenter, hint);
    }
    painter.end();
    m_lastPaintMs = double(clock.nsecsElapsed()) / 1e6;
    if (m_playing) {
        ++m_paints;
        m_paintMsSum += m_lastPaintMs;
        m_paintMsMax = std::max(m_paintMsMax, m_lastPaintMs);
    }
    Report();
}

void CWaveformStrip::Report()
{
    // While playing the strip moves every frame; where it went is told when it stops.
    if (m_playing || qEnvironmentVariableIsEmpty(kViewReportVariable)) return;
    const QPoint at = mapToGlobal(QPoint(0, 0));
    const QString line = QString("strip %1 %2 %3 %4 from %5 to %6\n")
                             .arg(at.x())
                             .arg(at.y())
                             .arg(width())
                             .arg(height())
                             .arg(m_from)
                             .arg(m_from + m_span);
    if (line == m_reported) return;
    m_reported = line;
    ReportLine(line);
}

void CWaveformStrip::ReportLine(const QString& line)
{
    AppendViewReport(line);
}

void CWaveformStrip::mousePressEvent(QMouseEvent* event)
{
    if (!m_editable || m_playing || event->button() != Qt::LeftButton) return;
    const Hit hit = HitAt(event->position().toPoint());
    if (hit.word < 0) return;
    if (hit.edge != Edge::None) {
        // The drag is set up before the word is selected, so that selecting it does not move
        // the strip from under the mouse.
        const KaraokeSong& song = m_document.Song();
        m_before.clear();
        m_before.reserve(song.words.size());
        for (const auto& w : song.words) m_before.emplace_back(w->start, w->end);
        m_drag = hit;
        m_pressX = int(event->position().x());
        const MKaraokeWord& w = *song.words[size_t(hit.word)];
        m_pressTime = hit.edge == Edge::Start ? w.start : w.end;
    }
    emit WordClicked(hit.word);
    if (m_drag.word >= 0) ShowDragTime(event->globalPosition().toPoint());
}

void CWaveformStrip::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (m_drag.word < 0) {
        const bool edge = m_editable && !m_playing && HitAt(p).edge != Edge::None;
        if (edge) setCursor(Qt::SizeHorCursor);
        else unsetCursor();
        return;
    }
    // The whole drag is one edit, from the press to the release.
    if (!m_dragEdit) m_dragEdit.emplace(m_document.BeginEdit(m_drag.edge == Edge::Start ? "Drag Start" : "Drag End"));
    KaraokeSong& song = m_dragEdit->Song();
    if (size_t(m_drag.word) >= song.words.size() || m_before.size() != song.words.size()) return;
    // Each move starts from the times the drag began with, so that a neighbour pushed on the
    // way comes back when the drag turns round.
    for (size_t i = 0; i < song.words.size(); ++i) std::tie(song.words[i]->start, song.words[i]->end) = m_before[i];
    const int64_t target = m_pressTime + ToSamples(int64_t(p.x() - m_pressX) * m_span / std::max(width(), 1));
    WordTiming timing(song);
    if (m_drag.edge == Edge::Start) timing.DragStartTo(size_t(m_drag.word), target);
    else timing.DragEndTo(size_t(m_drag.word), target);
    ShowDragTime(event->globalPosition().toPoint());
    emit WordMoved(m_drag.word);
    update();
}

void CWaveformStrip::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.word < 0 || event->button() != Qt::LeftButton) return;
    const Hit drag = m_drag;
    m_drag = {};
    m_before.clear();
    QToolTip::hideText();
    // The whole drag is one step (none when it came back to where it began).
    if (m_dragEdit) m_dragEdit->Commit();
    m_dragEdit.reset();
    emit DragFinished(drag.word);
    update();
}

void CWaveformStrip::ShowDragTime(QPoint global)
{
    const MKaraokeWord& w = *m_document.Song().words[size_t(m_drag.word)];
    QToolTip::showText(global, SongTimeText(m_drag.edge == Edge::Start ? w.start : w.end), this);
}

void CWaveformStrip::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) return;
    // Up zooms in, keeping the time under the mouse where it is.
    const int x = int(event->position().x());
    const int64_t under = m_from + int64_t(x) * m_span / std::max(width(), 1);
    double span = double(m_span);
    for (int i = 0; i < std::abs(notches); ++i) span = notches > 0 ? span / kZoomStep : span * kZoomStep;
    const int64_t whole = std::max(SongMicros(), kShortestSpan);
    m_span = std::clamp(int64_t(span), kShortestSpan, whole);
    m_from = ClampFrom(under - int64_t(x) * m_span / std::max(width(), 1));
    m_tileValid = false;
    event->accept();
    update();
}
