#include "app/views/PlaceLyricsView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "document/SongDocument.h"
#include "app/CommandIds.h"
#include "app/QtText.h"
#include "app/widgets/CWaveformStrip.h"
#include "app/widgets/CdgScreenWidget.h"
#include "align/VocalOnsets.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/TextLayout.h"
#include "log/MKaraokeLineDumpLog.h"
#include "log/MLineListLog.h"
#include "log/MLogQueue.h"
#include "log/MUserActionLog.h"
#include "player/KaraokePlayer.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenSink.h"
#include "player/PagePreview.h"
#include "project/ColourSlots.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"
#include "timing/Placement.h"
#include "timing/PlayClock.h"

namespace {

constexpr uint32_t kPlacePlayFlags = kPlayAudio | kPlayCallerFlag;
constexpr const char* kStartText = "Start (Home)";
constexpr const char* kRestartText = "Restart (Home)";
constexpr const char* kLinesOnlyText = "Lines &Only";
constexpr uint32_t kActionStart = 9;
constexpr uint32_t kActionPlaced = 10;
constexpr uint32_t kActionPaused = 11;
constexpr uint32_t kActionEnd = 12;

void LogAction(std::string name, uint32_t action)
{
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MUserActionLog>(std::move(name), action), true);
}

// The text of a word element as it stands in its line.
std::string WordText(const MKaraokeWord& w)
{
    if (!w.line || w.first < 0 || w.last < w.first || size_t(w.last) >= w.line->text.size()) return {};
    return w.line->text.substr(size_t(w.first), size_t(w.last - w.first + 1));
}

// The placement row's parts at their natural size, in reference's font: the four buttons
// ("Start (Home)" keeps room for "Restart (Home)"), the tempo label, field and spin, "Lines
// Only", the clock.
struct PlacementRow {
    static constexpr int kButtons = 5;
    int buttons[kButtons] = {};
    int height = 0;
    QSize label;
    int field = 0;
    int spin = 0;
    int linesOnly = 0;
    int clock = 0;

    int Natural() const { return buttons[0] + buttons[1] + buttons[2] + buttons[3] + buttons[4]; }
    // What the tempo and the clock keep whatever the width.
    int Fixed() const
    {
        return label.width() + SongView::kGap / 2 + field + spin + SongView::kGap + linesOnly + SongView::kGap + clock;
    }
};

PlacementRow MeasurePlacementRow(const QWidget& reference)
{
    PlacementRow row;
    const QString texts[PlacementRow::kButtons] = {QObject::tr(kRestartText), QObject::tr("Place Word (SB)"),
                                                   QObject::tr("Pause (Ctrl)"), QObject::tr("Stop (End)"),
                                                   QObject::tr(CommandText::AutoTime)};
    for (int i = 0; i < PlacementRow::kButtons; ++i) {
        QSize button = SongView::ButtonSize(reference, texts[i]);
        if (i == 0) button = button.expandedTo(SongView::ButtonSize(reference, QObject::tr(kStartText)));
        row.buttons[i] = button.width();
        row.height = std::max(row.height, button.height());
    }
    QLabel label(QObject::tr("Tempo:"));
    label.setFont(reference.font());
    row.label = label.sizeHint();
    row.field = QFontMetrics(reference.font()).horizontalAdvance("100%") + 10;
    row.spin = row.height / 2 + 2;
    QCheckBox linesOnly(QObject::tr(kLinesOnlyText));
    linesOnly.setFont(reference.font());
    row.linesOnly = linesOnly.sizeHint().width();
    row.clock = QFontMetrics(reference.font()).horizontalAdvance("00:00.00") + 4;
    return row;
}

} // namespace

QSize PlaceLyricsView::Needs(const QWidget& reference)
{
    const PlacementRow row = MeasurePlacementRow(reference);
    const QSize base = SongView::Needs(reference);
    return {std::max(base.width(), 2 * kMargin + row.Natural() + PlacementRow::kButtons * kGap + row.Fixed()),
            base.height() + row.height + kGap + WaveformNeeds()};
}

PlaceLyricsView::PlaceLyricsView(AppContext& app, QWidget* parent) : SongView(app, ViewId::PlaceLyrics, parent)
{
    setObjectName("PlaceLyricsView");
    setFocusPolicy(Qt::StrongFocus);
    App().Document().RebuildLineList(false);
    App().Document().SelectWord(-1);
    m_placement = std::make_unique<Placement>(App().Song(), App().Clock());

    BuildControls();
    SetState(State::Ready);

    // The player's tempo follows the view; the done event tells the view the music has ended.
    Player().SetTempoChange(m_tempo - kMaxTempo);
    DrawPageOfCursor();
    ShowTempo();
}

PlaceLyricsView::~PlaceLyricsView()
{
    if (!Closed()) CloseView();
}

void PlaceLyricsView::BuildControls()
{
    m_previewFrame = new QFrame(this);
    m_previewFrame->setObjectName("previewFrame");
    m_previewFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    AddViewer(m_previewFrame);

    m_start = new QPushButton(tr(kStartText), this);
    m_start->setObjectName("start");
    m_place = new QPushButton(tr("Place Word (SB)"), this);
    m_place->setObjectName("placeWord");
    m_pause = new QPushButton(tr("Pause (Ctrl)"), this);
    m_pause->setObjectName("pause");
    m_stop = new QPushButton(tr("Stop (End)"), this);
    m_stop->setObjectName("stop");
    m_autoTime = new QPushButton(tr(CommandText::AutoTime), this);
    m_autoTime->setObjectName("autoTime");
    m_tempoLabel = new QLabel(tr("Tempo:"), this);
    m_tempoLabel->setObjectName("tempoLabel");
    m_tempoField = new QLineEdit(this);
    m_tempoField->setObjectName("tempo");
    m_tempoField->setReadOnly(true);
    m_tempoField->setAlignment(Qt::AlignCenter);
    m_tempoField->setFocusPolicy(Qt::TabFocus);
    QPalette white = m_tempoField->palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Text, Qt::black);
    m_tempoField->setPalette(white);
    m_tempoUp = new QToolButton(this);
    m_tempoUp->setObjectName("tempoUp");
    m_tempoUp->setArrowType(Qt::UpArrow);
    m_tempoUp->setAutoRepeat(true);
    m_tempoDown = new QToolButton(this);
    m_tempoDown->setObjectName("tempoDown");
    m_tempoDown->setArrowType(Qt::DownArrow);
    m_tempoDown->setAutoRepeat(true);
    // The tempo by keys: "-" and "+" anywhere in the view, the arrows and page keys on the
    // field and its arrows (which Tab reaches).
    const QString tempoTip = tr("Tempo before you start: - slower, + faster; Up, Down, Page Up and Page Down here");
    for (QWidget* tempo : {static_cast<QWidget*>(m_tempoField), static_cast<QWidget*>(m_tempoUp),
                           static_cast<QWidget*>(m_tempoDown)})
        tempo->setToolTip(tempoTip);

    m_linesOnly = new QCheckBox(tr(kLinesOnlyText), this);
    m_linesOnly->setObjectName("linesOnly");
    // Space is the tap: the box never takes the keyboard from the placement.
    m_linesOnly->setFocusPolicy(Qt::NoFocus);
    m_linesOnly->setChecked(App().Settings().Int(AppSettings::kSettings, kKeyLinesOnly, 0) != 0);
    m_placement->SetLinesOnly(m_linesOnly->isChecked());

    m_clock = new QLabel(this);
    m_clock->setObjectName("clock");
    m_clock->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    CWaveformStrip* strip = AddWaveform();
    strip->SetClock([this]() -> int64_t { return m_state == State::Placing ? int64_t(ClockNow()) : -1; });

    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);

    connect(m_start, &QPushButton::clicked, this, &PlaceLyricsView::Start);
    // The mouse going down is the moment, as with the Space bar; the click places.
    connect(m_place, &QPushButton::pressed, this, [this] { m_pressedAt = ClockNow(); });
    connect(m_place, &QPushButton::clicked, this, [this] {
        if (MusicPlaying()) PlaceWordAt(m_pressedAt);
    });
    connect(m_pause, &QPushButton::clicked, this, &PlaceLyricsView::Pause);
    connect(m_stop, &QPushButton::clicked, this, &PlaceLyricsView::End);
    connect(m_autoTime, &QPushButton::clicked, this, [this] { App().RunCommand(CommandId::AutoTime); });
    connect(m_linesOnly, &QCheckBox::toggled, this, [this](bool on) {
        App().Settings().SetInt(AppSettings::kSettings, kKeyLinesOnly, on ? 1 : 0);
        m_placement->SetLinesOnly(on);
    });
    connect(m_tempoUp, &QToolButton::clicked, this, [this] { TempoStep(m_tempo / kTempoStep + 1); });
    connect(m_tempoDown, &QToolButton::clicked, this, [this] { TempoStep(m_tempo / kTempoStep - 1); });
    connect(m_timer, &QTimer::timeout, this, &PlaceLyricsView::OnTimer);
}

void PlaceLyricsView::CloseView()
{
    if (Closed()) return;
    StopPlaying();
    m_timer->stop();
    SongView::CloseView();
    if (KaraokePlayer* player = GlobalPlayer()) player->SetTempoChange(0);
}

void PlaceLyricsView::StopPlaying()
{
    // Leaving while placing ends the placement as the End key would.
    if (m_state == State::Placing) End();
}

size_t PlaceLyricsView::Cursor() const
{
    return m_placement->Cursor();
}

const MKaraokeWord* PlaceLyricsView::OpenWord() const
{
    return m_placement->OpenWord();
}

uint32_t PlaceLyricsView::ClockNow() const
{
    return App().Clock().Now();
}

bool PlaceLyricsView::MusicPlaying() const
{
    return m_state == State::Placing && App().Clock().Running();
}

bool PlaceLyricsView::ViewKeyPress(QKeyEvent* event)
{
    const bool autoRepeat = event->isAutoRepeat();
    switch (event->key()) {
    case Qt::Key_Space: {
        // The moment of the key going down, before anything else is done or drawn.
        const uint32_t t = ClockNow();
        if (autoRepeat || m_spaceLatch || !MusicPlaying()) return true;
        m_spaceLatch = true;
        m_place->setDown(true);
        PlaceWordAt(t);
        return true;
    }
    case Qt::Key_Control: {
        const uint32_t t = ClockNow();
        if (autoRepeat || m_ctrlLatch || !MusicPlaying()) return true;
        m_ctrlLatch = true;
        m_pause->setDown(true);
        PauseAt(t);
        return true;
    }
    case Qt::Key_Home:
        if (!autoRepeat && !GlobalPlayerIsPlaying()) Start();
        return true;
    case Qt::Key_End:
        if (!autoRepeat && MusicPlaying()) {
            m_stop->setDown(true);
            End();
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return true;
    case Qt::Key_Minus:
    case Qt::Key_Plus:
    case Qt::Key_Equal: { // "=" is "+" without Shift
        if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) return false;
        TempoStep(m_tempo / kTempoStep + (event->key() == Qt::Key_Minus ? -1 : 1));
        return true;
    }
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // Only on the tempo itself; elsewhere the keys move the focus as in any dialog.
        const QWidget* focus = focusWidget();
        if (focus != m_tempoField && focus != m_tempoUp && focus != m_tempoDown) return false;
        const int steps = event->key() == Qt::Key_Up ? 1
                        : event->key() == Qt::Key_Down ? -1
                        : event->key() == Qt::Key_PageUp ? kTempoPageSteps
                                                         : -kTempoPageSteps;
        TempoStep(std::clamp(m_tempo / kTempoStep + steps, kMinTempo / kTempoStep, kMaxTempo / kTempoStep));
        return true;
    }
    default: return false;
    }
}

bool PlaceLyricsView::ViewKeyRelease(QKeyEvent* event)
{
    // A held key repeats as release and press pairs; only the real release opens the latch.
    const bool autoRepeat = event->isAutoRepeat();
    switch (event->key()) {
    case Qt::Key_Space:
        if (!autoRepeat) {
            m_spaceLatch = false;
            m_place->setDown(false);
        }
        return true;
    case Qt::Key_Control:
        if (!autoRepeat) {
            m_ctrlLatch = false;
            m_pause->setDown(false);
        }
        return true;
    case Qt::Key_End:
        if (!autoRepeat) m_stop->setDown(false);
        return true;
    case Qt::Key_Home:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: return true;
    default: return false;
    }
}

void PlaceLyricsView::Start()
{
    if (GlobalPlayerIsPlaying()) return;
    ReadOnsets();
    m_lastTap = 0;
    m_placement->Restart();
    // Opened before the music starts: the first key finds the edit ready.
    m_pass.emplace(App().Document().BeginEdit("Place Lyrics"));
    DrawPageOfCursor();

    KaraokePlayer& player = Player();
    player.Prepare({.musicPath = QFile::encodeName(App().WorkingAudioPath()).toStdString(),
                    .tempoChange = m_tempo - kMaxTempo},
                   &m_done);
    player.SetPosition(0);
    if (!player.Start(kPlacePlayFlags, 0)) { // the player has told the user why
        m_pass.reset();
        return;
    }
    LogAction("Start Placement Music", kActionStart);
    SetState(State::Placing);
    m_timer->start(kTimerMs);
}

void PlaceLyricsView::PlaceWord()
{
    const uint32_t t = ClockNow();
    if (MusicPlaying()) PlaceWordAt(t);
}

void PlaceLyricsView::Pause()
{
    const uint32_t t = ClockNow();
    if (MusicPlaying()) PauseAt(t);
}

void PlaceLyricsView::ReadOnsets()
{
    const QString vocals = App().Settings().Int(AppSettings::kSettings, AppSettings::kSnapTaps, 0) != 0
                               ? App().Settings().LastVocalTrack()
                               : QString();
    const QFileInfo info(vocals);
    if (vocals.isEmpty() || !info.isFile()) {
        m_onsets.reset();
        m_onsetsFrom.clear();
        return;
    }
    const QString from = info.absoluteFilePath() + '\n' + info.lastModified().toString(Qt::ISODateWithMs);
    if (m_onsets && from == m_onsetsFrom) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto onsets = std::make_unique<VocalOnsets>();
    std::string why;
    bool cancelled = false;
    const bool read = onsets->Load(QFile::encodeName(vocals).toStdString(), {}, why, cancelled);
    QApplication::restoreOverrideCursor();
    // A track that cannot be read leaves the taps where they fall.
    m_onsets = read ? std::move(onsets) : nullptr;
    m_onsetsFrom = read ? from : QString();
}

void PlaceLyricsView::PlaceWordAt(uint32_t t)
{
    if (m_onsets) {
        const uint32_t snapped = m_onsets->Snap(t);
        if (snapped > m_lastTap) t = snapped;
    }
    m_lastTap = t;
    const MKaraokeWord* w = m_pass ? m_placement->PlaceWordAt(m_pass->Song(), t) : nullptr;
    if (!w) return;
    const MKaraokeWord* next = m_placement->CursorWord();
    BeginDraw();
    if (!next || !next->line || !w->line || next->line->page == w->line->page) {
        SweepWord(*w);
        if (next) MarkCursorWord();
    } else {
        DrawPageOfCursor();
    }
    EndDraw();

    if (MLogQueue::LoggingOn())
        LogAction("Placed word '" + WordText(*w) + "' at " + std::to_string(w->start), kActionPlaced);
    if (Waveform()) Waveform()->SongChanged();
}

void PlaceLyricsView::PauseAt(uint32_t t)
{
    if (MLogQueue::LoggingOn())
        LogAction(std::string("--Paused sweep at ") + (OpenWord() ? std::to_string(t) : std::string("<none>")),
                  kActionPaused);
    if (m_pass) m_placement->PauseAt(m_pass->Song(), t);
    if (Waveform()) Waveform()->SongChanged();
}

void PlaceLyricsView::End()
{
    if (m_state != State::Placing) return;
    m_timer->stop();
    if (KaraokePlayer* player = GlobalPlayer()) {
        player->Stop();
        player->Release();
    }
    SetState(State::Finished);
    if (m_pass) {
        // The whole pass, Home to End, is one step.
        m_placement->Finish(m_pass->Song());
        m_pass->Commit();
        m_pass.reset();
    }
    const KaraokeSong& song = App().Song();
    LogAction("End Place Lyrics", kActionEnd);
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MKaraokeLineDumpLog>("End Place Lryics", song.lines), true);
    m_start->setFocus();
    emit App().StateChanged();
}

void PlaceLyricsView::OnTimer()
{
    ShowClock();
    if (m_done.IsSet()) End();
}

void PlaceLyricsView::ShowClock()
{
    m_clock->setText(SongTimeText(m_state == State::Placing ? int64_t(ClockNow()) : 0));
}

void PlaceLyricsView::SetLinesOnly(bool linesOnly)
{
    if (m_state != State::Placing) m_linesOnly->setChecked(linesOnly);
}

bool PlaceLyricsView::TempoStep(int position)
{
    if (m_state == State::Placing) return false;
    if (position < kMinTempo / kTempoStep || position > kMaxTempo / kTempoStep) return false;
    m_tempo = position * kTempoStep;
    Player().SetTempoChange(m_tempo - kMaxTempo);
    ShowTempo();
    return true;
}

void PlaceLyricsView::ShowTempo()
{
    m_tempoField->setText(QString("%1%").arg(m_tempo));
    m_tempoUp->setEnabled(m_state != State::Placing && m_tempo < kMaxTempo);
    m_tempoDown->setEnabled(m_state != State::Placing && m_tempo > kMinTempo);
}

void PlaceLyricsView::SetState(State state)
{
    m_state = state;
    const bool placing = state == State::Placing;
    m_start->setEnabled(!placing);
    m_start->setText(tr(state == State::Ready ? kStartText : kRestartText));
    m_place->setEnabled(placing);
    m_pause->setEnabled(placing);
    m_stop->setEnabled(placing);
    m_tempoLabel->setEnabled(!placing);
    m_tempoField->setEnabled(!placing);
    m_linesOnly->setEnabled(!placing);
    ShowTempo();
    ShowClock();
    if (Waveform()) {
        Waveform()->SetPlaying(placing);
        if (state == State::Ready) Waveform()->CentreOn(0);
    }
    if (placing) m_place->setFocus();
    // What to do first, until the first pass starts.
    if (Viewer())
        Viewer()->SetHint(state == State::Ready ? tr("Press Start (Home), then Space as each word is sung.") : QString());
    UpdateControls();
}

void PlaceLyricsView::UpdateControls()
{
    SongView::UpdateControls();
    if (m_autoTime) m_autoTime->setEnabled(m_state != State::Placing && App().CommandEnabled(CommandId::AutoTime));
    if (m_state == State::Placing)
        for (int i = 0; i < kModeCount; ++i)
            if (i + 1 != ViewId()) ModeButton(i)->setEnabled(false);
}

QWidget* PlaceLyricsView::KeyboardTarget() const
{
    // The button the next key is meant for.
    return m_state == State::Placing ? m_place : m_start;
}

void PlaceLyricsView::BeginDraw()
{
    if (Renderer()) Renderer()->SetSuppressPresent(true);
}

void PlaceLyricsView::EndDraw()
{
    if (!Renderer()) return;
    Renderer()->SetSuppressPresent(false);
    Renderer()->PresentAll();
}

void PlaceLyricsView::DrawPageOfCursor()
{
    const KaraokeSong& song = App().Song();
    CdgScreen* renderer = Renderer();
    if (!renderer) return;
    const bool own = !renderer->SuppressPresent();
    if (own) BeginDraw();
    const MKaraokeWord* next = m_placement->CursorWord();
    m_page = next && next->line ? next->line->page : 0;
    DrawLyricPagePreview(*renderer, song, m_page);
    if (next) MarkCursorWord();
    if (own) EndDraw();
}

namespace {

// Where a line's words are drawn and in which style and colour (the page's picture-share rule,
// the singer's colour in a duet).
struct LineLook {
    LyricRow row{1, 0};
    MTextType style;
    int background = 0;
};

bool LookOf(const KaraokeSong& song, const MKaraokeLine& line, LineLook& look)
{
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    if (!lyrics) return false;
    const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
    look.row = LyricRowFor(share, song.settings.linesPerPage, line.slot);
    look.style = lyrics->style;
    look.style.colour = song.settings.singerCount == 1 ? kSlotText : line.colour;
    look.background = lyrics->backgroundColour & 0x0F;
    return true;
}

} // namespace

void PlaceLyricsView::SweepWord(const MKaraokeWord& word)
{
    const KaraokeSong& song = App().Song();
    LineLook look;
    if (!Renderer() || !word.line || !LookOf(song, *word.line, look)) return;
    CdgScreenSink screen(Renderer());
    CdgPacketGenerator generator(screen);
    generator.SetLineWidthFlag(0);
    WriteSweep(generator, look.row.rows, look.row.row, word.line->text, word.first, word.last, look.style,
               look.background, song.settings.sweepColour, song.settings.sweepKind, 0, 0);
}

void PlaceLyricsView::MarkCursorWord()
{
    const KaraokeSong& song = App().Song();
    const MKaraokeWord* next = m_placement->CursorWord();
    if (!next) return;
    const MKaraokeWord& word = *next;
    LineLook look;
    if (!Renderer() || !word.line || !LookOf(song, *word.line, look)) return;
    MTextType underlined = look.style;
    underlined.style |= kStyleUnderline;
    CdgScreenSink screen(Renderer());
    CdgPacketGenerator generator(screen);
    generator.SetLineWidthFlag(0);
    WriteSweep(generator, look.row.rows, look.row.row, word.line->text, word.first, word.last, underlined,
               look.background, look.style.colour, kSweepText, 0, 0);
}

void PlaceLyricsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int cx = width();
    const int modeTop = LayoutModeRow();

    QPushButton* const buttons[PlacementRow::kButtons] = {m_start, m_place, m_pause, m_stop, m_autoTime};
    const PlacementRow row = MeasurePlacementRow(*this);
    const int h = row.height;
    const int natural = row.Natural();
    const int top = modeTop - kGap - h;
    const QSize label = row.label;
    const int fieldW = row.field;
    const int spinW = row.spin;
    // Narrower than the window's least width (a test may make it so) the gaps close first,
    // then the four buttons give up width; the tempo keeps its own.
    const int fixed = row.Fixed();
    const int gap = std::clamp((cx - 2 * kMargin - fixed - natural) / PlacementRow::kButtons, 2, int(kGap));
    const int forButtons = cx - 2 * kMargin - PlacementRow::kButtons * gap - fixed;
    int x = kMargin;
    for (int i = 0; i < PlacementRow::kButtons; ++i) {
        const int wanted = row.buttons[i];
        const int w = natural <= forButtons ? wanted : std::max(1, wanted * forButtons / std::max(1, natural));
        buttons[i]->setGeometry(x, top, w, h);
        x += w + gap;
    }
    m_tempoLabel->setGeometry(x, top + (h - label.height()) / 2, label.width(), label.height());
    x += label.width() + kGap / 2;
    m_tempoField->setGeometry(x, top, fieldW, h);
    x += fieldW;
    m_tempoUp->setGeometry(x, top, spinW, h / 2);
    m_tempoDown->setGeometry(x, top + h / 2, spinW, h - h / 2);
    x += spinW + kGap;
    m_linesOnly->setGeometry(x, top, row.linesOnly, h);
    x += row.linesOnly + kGap;
    m_clock->setGeometry(x, top, std::max(row.clock, cx - kMargin - x), h);

    // The strip over the placement row, the preview at 4:3 above it.
    int above = top;
    if (const int stripH = WaveformHeightIn(top - kGap - kMargin)) {
        above -= kGap + stripH;
        Waveform()->setGeometry(kMargin, above, std::max(1, cx - 2 * kMargin), stripH);
    }
    const QRect box = ScreenBox(QRect(kMargin, kMargin, cx - 2 * kMargin, above - kGap - kMargin));
    const int w = box.width(), hh = box.height();
    m_previewFrame->setGeometry(box);
    if (Viewer())
        Viewer()->setGeometry(kViewerInset, kViewerInset, std::max(1, w - 2 * kViewerInset),
                              std::max(1, hh - 2 * kViewerInset));
    update();
}
