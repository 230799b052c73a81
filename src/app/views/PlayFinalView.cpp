#include "app/views/PlayFinalView.h"

#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QPushButton>
#include <QSlider>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppContext.h"
#include "timing/PlayClock.h"
#include "app/QtText.h"
#include "app/CommandIds.h"
#include "app/widgets/CdgScreenWidget.h"
#include "audio/ManualResetEvent.h"
#include "media/WaveStreamReader.h"
#include "cdg/CdgPacket.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/WriteRwMemory.h"
#include "document/SongDocument.h"
#include "log/MLineListLog.h"
#include "log/MLogQueue.h"
#include "log/MUserActionLog.h"
#include "player/KaraokePlayer.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreen.h"
#include "project/KaraokeSong.h"

namespace {

constexpr uint32_t kPlayFlags = kPlayAudio | kPlayGraphics | kPlayCallerFlag;
constexpr int kClearColour = 15;
constexpr int kClearRepeat = 63;
constexpr uint32_t kPlaybackAction = 5;
constexpr int kSliderLineStep = 300; // one second

void Log(const char* name)
{
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MUserActionLog>(name, kPlaybackAction), true);
}

// Scripts that watch the view from outside (scripts/xvfb_play_final.sh) name a file here: every
// stop appends a line "clock FRAMES packets N viewer X Y W H", the clock where the music
// stopped, the packets the screen shows and where the screen lies on the display.
constexpr const char* kStopReportVariable = "TESSAVOX_PLAY_FINAL_REPORT";

void ReportStop(uint32_t clock, int packets, const QWidget& viewer)
{
    const QString path = qEnvironmentVariable(kStopReportVariable);
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Text)) return;
    const QPoint at = viewer.mapToGlobal(QPoint(0, 0));
    file.write(QString("clock %1 packets %2 viewer %3 %4 %5 %6\n")
                   .arg(clock)
                   .arg(packets)
                   .arg(at.x())
                   .arg(at.y())
                   .arg(viewer.width())
                   .arg(viewer.height())
                   .toUtf8());
}

} // namespace

PlayFinalView::PlayFinalView(AppContext& app, QWidget* parent)
    : SongView(app, ViewId::PlayFinal, parent), m_done(std::make_unique<ManualResetEvent>())
{
    setObjectName("PlayFinalView");
    AddViewer();
    m_controls = BuildControlRow(this, m_play, m_slider, m_clock);
    // The view's keys (Space to play) reach it from the moment it shows.
    setFocusProxy(m_play);

    Player().SetRenderer(Renderer());

    const KaraokeSong& song = App().Song();
    App().Document().RebuildLineList(true);
    if (const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics)) {
        const ColourTable table = CdgPacketGenerator::PageColourTable(*lyrics);
        Renderer()->LoadColours(0, kCdgColourCount, table);
        Renderer()->BorderPreset(lyrics->borderColour);
        Renderer()->MemoryPreset(lyrics->backgroundColour);
    }
    BuildStream();

    connect(m_play, &QPushButton::clicked, this, &PlayFinalView::PlayToggle);
    // Every move the user makes (keys, a click in the groove, the wheel, a drag) comes as a new
    // value; the program's own moves are made with the signals blocked.
    connect(m_slider, &QSlider::valueChanged, this, &PlayFinalView::OnSliderMoved);
    connect(m_slider, &QSlider::sliderReleased, this, &PlayFinalView::EndTracking);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &PlayFinalView::OnTimer);
    m_timer->start(kTimerMs);
}

QWidget* PlayFinalView::BuildControlRow(QWidget* parent, QPushButton*& play, QSlider*& slider, QLabel*& clock)
{
    auto* row = new QHBoxLayout;
    play = new QPushButton(tr("Pause (SB)"), parent);
    play->setMinimumWidth(play->sizeHint().width());
    play->setText(tr("Play (SB)"));
    play->setMinimumWidth(std::max(play->minimumWidth(), play->sizeHint().width()));
    play->setObjectName("play");
    slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName("position");
    slider->setSingleStep(kSliderLineStep);
    slider->setPageStep(kSliderLineStep);
    // Short enough to fit, long enough to aim at.
    slider->setMinimumWidth(kMinimumScreenWidth / 2);
    clock = new QLabel(parent);
    clock->setObjectName("clock");
    clock->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    clock->setMinimumWidth(clock->fontMetrics().horizontalAdvance("00:00.00"));
    row->addWidget(play);
    row->addWidget(slider, 1);
    row->addWidget(clock);
    auto* controls = new QWidget(parent);
    controls->setLayout(row);
    return controls;
}

QSize PlayFinalView::Needs(const QWidget& reference)
{
    QWidget probe;
    probe.setFont(reference.font());
    QPushButton* play = nullptr;
    QSlider* slider = nullptr;
    QLabel* clock = nullptr;
    const QSize row = BuildControlRow(&probe, play, slider, clock)->minimumSizeHint();
    const QSize base = SongView::Needs(reference);
    return {std::max(base.width(), 2 * kMargin + row.width()), base.height() + row.height() + kGap};
}

PlayFinalView::~PlayFinalView()
{
    if (!Closed()) CloseView();
}

void PlayFinalView::BuildStream()
{
    const KaraokeSong& song = App().Song();
    m_stream = WriteRwMemory(song, kWriteWholeSong);
    m_streamStart = m_stream.leadIn;
    // The song's music: the file's samples and the silence the stream needs after them.
    const uint32_t musicBytes = m_stream.musicBytes != kFileLength ? m_stream.musicBytes : song.musicDataBytes;
    uint64_t musicFrames = musicBytes / std::max<uint32_t>(1, song.musicFrameBytes);
    WaveStreamReader work;
    if (work.Open(song.MusicWorkPath())) {
        const uint32_t frameBytes = work.Format().FrameBytes();
        if (frameBytes > 0) musicFrames = std::max(work.DataBytes(), musicBytes) / frameBytes;
    }
    const uint64_t total = m_streamStart + musicFrames;
    m_slider->blockSignals(true);
    m_slider->setRange(0, int(total / kSamplesPerStep));
    m_slider->setValue(0);
    m_slider->blockSignals(false);
    m_playPosition = 0;
    m_shown = 0;
    ShowClock();
    Player().Prepare({.musicPath = song.MusicWorkPath(),
                      .stream = m_stream.bytes,
                      .musicBytes = m_stream.musicBytes,
                      .leadInFrames = m_streamStart,
                      .tempoChange = 0},
                     m_done.get());
}

void PlayFinalView::UpdateControls()
{
    SongView::UpdateControls();
    if (m_playing || m_pausedForScroll)
        for (int i : {0, 1, 2, 4}) ModeButton(i)->setEnabled(false);
}

void PlayFinalView::PlayToggle()
{
    if (m_playing) {
        Log("Stop Playback");
        Player().Stop();
        TakeStopPosition();
        Player().Release();
        m_playing = false;
        if (!m_pausedForScroll) m_play->setText(tr("Play (SB)"));
    } else {
        m_done->Reset();
        m_playedFrom = m_playPosition;
        Player().SetPosition(m_playPosition);
        if (!Player().Start(kPlayFlags, m_playPosition, kPlayToEnd)) {
            // The player has told the user why; the button says what is true.
            m_pausedForScroll = false;
            m_play->setText(tr("Play (SB)"));
            UpdateControls();
            return;
        }
        m_playing = true;
        m_play->setText(tr("Pause (SB)"));
        Log("Start Playback");
    }
    UpdateControls();
}

void PlayFinalView::StopPlaying()
{
    m_pausedForScroll = false;
    if (m_playing) PlayToggle();
    else m_play->setText(tr("Play (SB)"));
}

void PlayFinalView::OnTimer()
{
    if (!m_playing) return;
    if (!m_done->IsSet()) {
        m_playPosition = Player().Position();
        if (m_playPosition != 0) SetSliderQuietly(int(m_playPosition / kSamplesPerStep));
        return;
    }
    PlayToggle();
    m_playPosition = 0;
    SetSliderQuietly(0);
    ClearScreen();
}

void PlayFinalView::SetSliderQuietly(int step)
{
    m_slider->blockSignals(true);
    m_slider->setValue(step);
    m_slider->blockSignals(false);
    ShowClock();
}

void PlayFinalView::ShowClock()
{
    // The finished song's time, as a player of the export shows it: from the start of the lead-in.
    m_clock->setText(SongTimeText(int64_t(m_playPosition)));
}

void PlayFinalView::TakeStopPosition()
{
    // The CD+G player follows the clock from its own thread and may have stopped a few packets
    // short of it; what it drew is known, the rest is drawn here, so that the screen, the
    // slider and the position to resume from agree.
    const CdgPacketScheduler* cdg = Player().CdgPlayer();
    const uint32_t drawnTo = cdg ? cdg->StoppedPosition() : 0;
    m_shown = std::max(m_shown, PacketsAt(drawnTo));
    m_playPosition = std::max({Player().Position(), drawnTo, m_playedFrom});
    SetSliderQuietly(int(m_playPosition / kSamplesPerStep));
    // While playing, each tile was presented on its own, scaled with its own rectangle's
    // rounding; the still picture is the whole screen presented at once.
    if (const int target = PacketsAt(m_playPosition); target != m_shown) DrawUpTo(target);
    else Renderer()->PresentAll();
    ReportStop(m_playPosition, m_shown, *Viewer());
}

void PlayFinalView::ClearScreen()
{
    const CdgPacket clear = CdgPacket::MemoryPreset(kClearColour, kClearRepeat);
    Player().MakeCdgPlayer().ExecutePacket(clear.Span());
    Renderer()->PresentAll();
    m_shown = 0;
}

void PlayFinalView::OnSliderMoved(int step)
{
    if (m_playing) {
        m_pausedForScroll = true;
        PlayToggle();
        SetSliderQuietly(step); // the pause put it where the music stopped
    }
    m_playPosition = uint32_t(step) * kSamplesPerStep;
    ShowClock();
    ShowPosition(step);
    // A turn of the wheel (or a move nothing holds open) is over at once; the rest end when
    // their key or button goes up.
    if (m_pausedForScroll && !Tracking()) QTimer::singleShot(0, this, &PlayFinalView::EndTracking);
}

bool PlayFinalView::Tracking() const
{
    return m_keyHeld || m_mouseHeld || m_slider->isSliderDown();
}

void PlayFinalView::EndTracking()
{
    if (!m_pausedForScroll || Tracking() || Closed()) return;
    PlayToggle();
    m_pausedForScroll = false;
    UpdateControls();
}

bool PlayFinalView::eventFilter(QObject* watched, QEvent* event)
{
    // The mouse on the slider holds a move open until it lets go: a drag, or a click in the
    // groove that pages on while it is held.
    if (watched == m_slider) {
        if (event->type() == QEvent::MouseButtonPress) {
            m_mouseHeld = true;
        } else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::FocusOut) {
            // A key or button that comes up elsewhere (a dialog took the focus) ends the move too.
            m_mouseHeld = false;
            if (event->type() == QEvent::FocusOut) m_keyHeld = false;
            // After the slider has seen the release.
            QTimer::singleShot(0, this, &PlayFinalView::EndTracking);
        }
    }
    return SongView::eventFilter(watched, event);
}

void PlayFinalView::ShowPosition(int step)
{
    Player().SetPosition(m_playPosition);
    // At the very start nothing has played: the clear screen.
    if (step == 0) ClearScreen();
    else DrawUpTo(PacketsAt(m_playPosition));
}

int PlayFinalView::PacketsAt(uint32_t position)
{
    const size_t packets = m_stream.bytes.size() / kCdgPacketBytes;
    if (packets == 0) return 0;
    return int(std::min<uint64_t>(PositionToPacket(position), packets - 1));
}

void PlayFinalView::DrawUpTo(int target)
{
    if (target == m_shown) return;
    const std::vector<uint8_t>& stream = m_stream.bytes;
    CdgScreen* renderer = Renderer();
    renderer->SetSuppressPresent(true);
    if (target < m_shown) {
        // Back: the screen is built again from the start of the stream, by a new CD+G player
        // on a new screen, as playing from the start would build it (the player remembers the
        // last colour tables and would skip one it thinks is loaded).
        Player().Release();
        renderer->Reset();
        m_shown = 0;
    }
    CdgPacketScheduler& decoder = Player().MakeCdgPlayer();
    const uint8_t* packet = stream.data() + size_t(m_shown) * kCdgPacketBytes;
    for (int p = m_shown; p < target; ++p, packet += kCdgPacketBytes)
        if (IsCdgGraphicsCommand(packet[kCdgCommandByte]))
            decoder.ExecutePacket(std::span<const uint8_t, kCdgPacketBytes>(packet, kCdgPacketBytes));
    m_shown = target;
    renderer->SetSuppressPresent(false);
    renderer->PresentAll();
}

bool PlayFinalView::ViewKeyPress(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            m_play->setFocus();
            PlayToggle();
        }
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // The move lasts while the key is down.
        m_keyHeld = true;
        // The slider handles it: the key handed on comes back through here on its way.
        if (m_handingKeyOn) return false;
        m_slider->setFocus();
        m_handingKeyOn = true;
        QCoreApplication::sendEvent(m_slider, event);
        m_handingKeyOn = false;
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true; // never closes the view
    default: return false;
    }
}

bool PlayFinalView::ViewKeyRelease(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // A held key repeats as release and press pairs; the move ends with the real release.
        if (event->isAutoRepeat()) return false;
        m_keyHeld = false;
        EndTracking();
        return false;
    default: return false;
    }
}

void PlayFinalView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutWithControls(m_controls);
}

void PlayFinalView::CloseView()
{
    if (Closed()) return;
    m_timer->stop();
    StopPlaying();
    SongView::CloseView();
    // Leaving the view ends its player; the next view makes its own.
    DestroyGlobalPlayer();
}
