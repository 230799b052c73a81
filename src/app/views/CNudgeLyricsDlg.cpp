#include "app/views/CNudgeLyricsDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "app/dialogs/CNudgeLyricsSettingsDlg.h"
#include "app/widgets/MRwViewerWindow.h"
#include "audio/MCdgPlayer.h"
#include "audio/ManualResetEvent.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/MRwGenerator.h"
#include "cdg/PagePreview.h"
#include "cdg/WordBoxes.h"
#include "cdg/WriteRwMemory.h"
#include "project/ColourSlots.h"
#include "project/LyricRow.h"
#include "player/MRwRenderer.h"
#include "project/MSongSettings.h"

namespace {

constexpr uint32_t kPlayFlags = kPlayAudio | kPlayGraphics | kPlayCallerFlag;
constexpr int kTimerMs = 20;
constexpr int kThousandths = 1000;
constexpr double kSampleRate = 44100.0;

} // namespace

CNudgeLyricsDlg::CNudgeLyricsDlg(CTessavoxApp& app, QWidget* parent)
    : CViewBase(app, ViewId::AdjustLyrics, parent), m_done(std::make_unique<ManualResetEvent>())
{
    setObjectName("CNudgeLyricsDlg");
    MSongSettings& song = App().Song();
    song.GenerateKaraokeLineList(true, false);
    const bool wasModified = song.IsModified();
    for (auto& w : song.words) w->flags &= ~kWordSelected;

    MRwViewerWindow* viewer = AddViewer();
    connect(viewer, &MRwViewerWindow::Clicked, this, [this](QPoint p, Qt::KeyboardModifiers m) {
        if (m_mode == kIdle) SelectAt(p, m);
    });
    Player().SetRenderer(Renderer());
    Player().SetDoneEvent(m_done.get());

    // Controls: the three groups and the page buttons.
    auto* row = new QHBoxLayout;
    m_auditionGroup = new QGroupBox(tr("Audition Play"), this);
    m_audition = new QPushButton(tr("Audition Play (Sb)"), m_auditionGroup);
    m_audition->setObjectName("audition");
    (new QVBoxLayout(m_auditionGroup))->addWidget(m_audition);
    m_adjustGroup = new QGroupBox(tr("Adjust Highlighting"), this);
    m_adjust = new QPushButton(tr("Adjust Play (n)"), m_adjustGroup);
    m_adjust->setObjectName("adjust");
    m_adjustArea = new QPushButton(tr("&Adjust Area..."), m_adjustGroup);
    m_adjustArea->setStyleSheet("background-color: rgb(0, 255, 255)");
    auto* adjustLayout = new QGridLayout(m_adjustGroup);
    adjustLayout->addWidget(m_adjust, 0, 0);
    adjustLayout->addWidget(m_adjustArea, 0, 1);
    adjustLayout->addWidget(new QLabel(tr("Start:       < >\nEnd: ctrl+< >"), m_adjustGroup), 1, 0, 1, 2);
    const char* const moveTexts[4] = {"&<", "&>", "&<", "&>"};
    for (int i = 0; i < 4; ++i) {
        m_moves[i] = new QPushButton(tr(moveTexts[i]), m_adjustGroup);
        m_moves[i]->setVisible(false);
    }
    m_singerGroup = new QGroupBox(tr("Assign Singers to Lines"), this);
    auto* singerLayout = new QGridLayout(m_singerGroup);
    const char* const singerTexts[3] = {"&1", "&2", "&Both"};
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    const int singerSlots[3] = {kSlotText, kSlotSinger2, kSlotBoth};
    for (int i = 0; i < 3; ++i) {
        m_singers[i] = new QPushButton(tr(singerTexts[i]), m_singerGroup);
        m_singers[i]->setCheckable(true);
        m_singers[i]->setFocusPolicy(Qt::NoFocus);
        if (lyrics) {
            const uint32_t c = lyrics->graphic.ColourRgb(singerSlots[i]);
            m_singers[i]->setStyleSheet(QString("background-color: #%1").arg(c, 6, 16, QChar('0')));
        }
        singerLayout->addWidget(m_singers[i], 0, i);
        connect(m_singers[i], &QPushButton::clicked, this, [this, i] {
            static const int kSlots[3] = {kSlotText, kSlotSinger2, kSlotBoth};
            AssignSinger(kSlots[i]);
        });
    }
    auto* hint = new QLabel(tr("Click a word then a singer button to assign to that line."), m_singerGroup);
    hint->setWordWrap(true);
    singerLayout->addWidget(hint, 1, 0, 1, 3);
    auto* pageBox = new QVBoxLayout;
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName("page");
    m_previous = new QPushButton(QString::fromUtf8("\u25C0"), this);
    m_next = new QPushButton(QString::fromUtf8("\u25B6"), this);
    for (QPushButton* b : {m_previous, m_next}) b->setStyleSheet("background-color: rgb(0, 255, 0)");
    auto* arrows = new QHBoxLayout;
    arrows->addWidget(m_previous);
    arrows->addWidget(m_next);
    pageBox->addWidget(m_pageLabel, 0, Qt::AlignHCenter);
    pageBox->addLayout(arrows);
    row->addWidget(m_auditionGroup);
    row->addWidget(m_adjustGroup);
    row->addWidget(m_singerGroup);
    row->addLayout(pageBox);
    m_controls = new QWidget(this);
    m_controls->setLayout(row);

    connect(m_audition, &QPushButton::clicked, this, &CNudgeLyricsDlg::AuditionToggle);
    connect(m_adjust, &QPushButton::clicked, this, &CNudgeLyricsDlg::AdjustToggle);
    connect(m_moves[0], &QPushButton::clicked, this, &CNudgeLyricsDlg::StartEarlier);
    connect(m_moves[1], &QPushButton::clicked, this, &CNudgeLyricsDlg::StartLater);
    connect(m_moves[2], &QPushButton::clicked, this, &CNudgeLyricsDlg::EndEarlier);
    connect(m_moves[3], &QPushButton::clicked, this, &CNudgeLyricsDlg::EndLater);
    connect(m_previous, &QPushButton::clicked, this, &CNudgeLyricsDlg::PreviousPage);
    connect(m_next, &QPushButton::clicked, this, &CNudgeLyricsDlg::NextPage);
    connect(m_adjustArea, &QPushButton::clicked, this, [this] {
        CNudgeLyricsSettingsDlg dialog(App().Song(), this);
        dialog.exec();
    });

    if (lyrics) {
        const ColourTable table = MRwGenerator::PageColourTable(*lyrics);
        Renderer()->LoadColours(0, kCdgColourCount, table);
        Renderer()->BorderPreset(lyrics->borderColour);
    }
    const int first = FirstWordOfPage(0);
    if (first >= 0) SelectWord(first);
    else DrawPage();
    ComputeWordBoxes(song);
    song.settings.adjustUsed = 1;
    song.SetModified(wasModified);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &CNudgeLyricsDlg::OnTimer);
    m_timer->start(kTimerMs);
    UpdateControls();
}

CNudgeLyricsDlg::~CNudgeLyricsDlg()
{
    if (!Closed()) CloseView();
}

int CNudgeLyricsDlg::PageOfWord(int index) const
{
    const auto& words = const_cast<CNudgeLyricsDlg*>(this)->App().Song().words;
    if (index < 0 || size_t(index) >= words.size() || !words[size_t(index)]->line) return 0;
    return words[size_t(index)]->line->page;
}

int CNudgeLyricsDlg::FirstWordOfPage(int page) const
{
    const auto& words = const_cast<CNudgeLyricsDlg*>(this)->App().Song().words;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i]->line && words[i]->line->page == page) return int(i);
    return -1;
}

int CNudgeLyricsDlg::LastWordOfPage(int page) const
{
    const auto& words = const_cast<CNudgeLyricsDlg*>(this)->App().Song().words;
    for (size_t i = words.size(); i-- > 0;)
        if (words[i]->line && words[i]->line->page == page) return int(i);
    return -1;
}

int CNudgeLyricsDlg::LastPage() const
{
    return const_cast<CNudgeLyricsDlg*>(this)->App().Song().HighestPageNumber();
}

uint32_t CNudgeLyricsDlg::AmountSamples() const
{
    const float f = float(const_cast<CNudgeLyricsDlg*>(this)->App().Song().settings.adjustAmount) / float(kThousandths);
    return uint32_t(std::max(0.0, std::floor(double(f) * kSampleRate)));
}

void CNudgeLyricsDlg::DrawPage()
{
    MSongSettings& song = App().Song();
    DrawLyricPagePreview(*Renderer(), song, m_page);
    // The selected word shows swept, so it stands out.
    if (m_selected >= 0 && size_t(m_selected) < song.words.size()) {
        const MKaraokeWord& w = *song.words[size_t(m_selected)];
        const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
        if (lyrics && w.line && w.line->page == m_page) {
            MRwGenerator generator(Renderer());
            generator.SetLineWidthFlag(0);
            MTextType style = lyrics->style;
            style.colour = song.settings.singerCount == 1 ? kSlotText : w.line->colour;
            const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
            const LyricRow row = LyricRowFor(share, song.settings.linesPerPage, w.line->slot);
            WriteSweep(generator, row.rows, row.row, w.line->text, w.first, w.last, style,
                       lyrics->backgroundColour & 0x0F, song.settings.sweepColour, song.settings.sweepKind, 0, 0);
        }
    }
    Renderer()->PresentAll();
    ComputeWordBoxes(song);
}

void CNudgeLyricsDlg::SelectWord(int index)
{
    MSongSettings& song = App().Song();
    for (auto& w : song.words) w->flags &= ~kWordSelected;
    if (index < 0 || size_t(index) >= song.words.size()) return;
    m_selected = m_cursor = index;
    song.words[size_t(index)]->flags |= kWordSelected;
    m_page = PageOfWord(index);
    DrawPage();
    UpdateControls();
}

void CNudgeLyricsDlg::SelectAt(QPoint p, Qt::KeyboardModifiers modifiers)
{
    MSongSettings& song = App().Song();
    const int w = std::max(1, Viewer()->width()), h = std::max(1, Viewer()->height());
    const int x = p.x() * kCdgScreenWidth / w - kCdgVisibleLeft;
    const int y = p.y() * kCdgScreenHeight / h - kCdgVisibleTop;
    for (size_t i = 0; i < song.words.size(); ++i) {
        const MKaraokeWord& word = *song.words[i];
        if (!word.line || word.line->page != m_page) continue;
        if (x >= word.boxLeft && x < word.boxRight && y >= word.boxTop && y < word.boxBottom) {
            const int page = m_page;
            SelectWord(int(i));
            m_page = page;
            DrawPage();
            UpdateControls();
            return;
        }
    }
    if (!(modifiers & Qt::ShiftModifier)) {
        for (auto& word : song.words) word->flags &= ~kWordSelected;
        m_selected = -1;
    }
    DrawPage();
    UpdateControls();
}

void CNudgeLyricsDlg::CursorLeft()
{
    const int first = FirstWordOfPage(m_page), last = LastWordOfPage(m_page);
    if (first < 0) return;
    m_cursor = (m_cursor < first || m_cursor > last) ? first : std::max(0, m_cursor - 1);
    SelectWord(m_cursor);
}

void CNudgeLyricsDlg::CursorRight()
{
    const int first = FirstWordOfPage(m_page), last = LastWordOfPage(m_page);
    if (first < 0) return;
    const int lastWord = int(App().Song().words.size()) - 1;
    m_cursor = (m_cursor < first || m_cursor > last) ? first : std::min(lastWord, m_cursor + 1);
    SelectWord(m_cursor);
}

void CNudgeLyricsDlg::PreviousPage()
{
    if (m_page <= App().Song().LowestPageNumber()) return;
    const int word = FirstWordOfPage(m_page - 1);
    --m_page;
    if (word >= 0) SelectWord(word);
    else DrawPage();
    UpdateControls();
}

void CNudgeLyricsDlg::NextPage()
{
    if (m_page >= LastPage()) return;
    const int word = FirstWordOfPage(m_page + 1);
    ++m_page;
    if (word >= 0) SelectWord(word);
    else DrawPage();
    UpdateControls();
}

void CNudgeLyricsDlg::StartEarlier()
{
    auto& words = App().Song().words;
    if (m_selected < 0) return;
    MKaraokeWord& w = *words[size_t(m_selected)];
    MKaraokeWord* p = m_selected > 0 ? words[size_t(m_selected) - 1].get() : nullptr;
    const int64_t moved = int64_t(w.start) - AmountSamples();
    w.start = uint32_t(std::max<int64_t>(moved, p ? int64_t(p->start) : 0));
    if (p) p->end = std::min(p->end, w.start);
    App().Song().SetModified(true);
}

void CNudgeLyricsDlg::StartLater()
{
    auto& words = App().Song().words;
    if (m_selected < 0) return;
    MKaraokeWord& w = *words[size_t(m_selected)];
    MKaraokeWord* p = m_selected > 0 ? words[size_t(m_selected) - 1].get() : nullptr;
    const uint32_t old = w.start;
    w.start = uint32_t(std::min<uint64_t>(uint64_t(w.start) + AmountSamples(), w.end));
    if (p) p->end = p->end == old ? w.start : std::min(p->end, w.start);
    App().Song().SetModified(true);
}

void CNudgeLyricsDlg::EndEarlier()
{
    auto& words = App().Song().words;
    if (m_selected < 0) return;
    MKaraokeWord& w = *words[size_t(m_selected)];
    w.end = uint32_t(std::max<int64_t>(int64_t(w.end) - AmountSamples(), w.start));
    App().Song().SetModified(true);
}

void CNudgeLyricsDlg::EndLater()
{
    auto& words = App().Song().words;
    if (m_selected < 0) return;
    MKaraokeWord& w = *words[size_t(m_selected)];
    MKaraokeWord* n = size_t(m_selected) + 1 < words.size() ? words[size_t(m_selected) + 1].get() : nullptr;
    uint64_t end = uint64_t(w.end) + AmountSamples();
    if (n) end = std::min<uint64_t>(end, n->end);
    w.end = uint32_t(std::min<uint64_t>(end, UINT32_MAX));
    if (n) n->start = std::max(n->start, w.end);
    App().Song().SetModified(true);
}

std::pair<uint32_t, uint32_t> CNudgeLyricsDlg::LoopStretch() const
{
    const MSongSettings& song = const_cast<CNudgeLyricsDlg*>(this)->App().Song();
    const auto& words = song.words;
    if (m_selected < 0 || words.empty()) return {0, 0};
    const SettingsBlock& s = song.settings;
    const int last = int(words.size()) - 1;
    auto lineWords = [&](int i) { return int(words[size_t(i)]->line ? words[size_t(i)]->line->words.size() : 0); };
    auto secondSinger = [&](int i) { return words[size_t(i)]->line && words[size_t(i)]->line->secondSinger; };

    int64_t from = words[size_t(m_selected)]->start;
    if (s.loopBeforeUnit == 1) {
        from = std::max<int64_t>(from - int64_t(s.loopBefore) * int64_t(kSampleRate) / kThousandths, 0);
    } else {
        const int n = s.loopBefore / kThousandths;
        int i = m_selected - (secondSinger(m_selected) ? lineWords(m_selected) : 0);
        i = std::max(i, 0);
        for (int passed = 0; passed < n && i > 0;) {
            --i;
            if (!(words[size_t(i)]->flags & kWordJoinsNext)) ++passed;
        }
        // The loop starts with the whole word, not its last syllable.
        while (i > 0 && (words[size_t(i) - 1]->flags & kWordJoinsNext)) --i;
        if (secondSinger(i)) i = std::max(0, i - lineWords(i));
        from = words[size_t(i)]->start;
    }
    int64_t to = words[size_t(m_selected)]->end;
    if (s.loopAfterUnit == 1) {
        to = std::max<int64_t>(to + int64_t(s.loopAfter) * int64_t(kSampleRate) / kThousandths, 0);
    } else {
        const int m = s.loopAfter / kThousandths;
        int i = std::min(last, m_selected + (secondSinger(m_selected) ? lineWords(m_selected) : 0));
        for (int step = 0; step < m && i < last; ++step) {
            ++i;
            while (i < last && (words[size_t(i)]->flags & kWordContinues)) ++i;
        }
        if (secondSinger(i)) i = std::min(last, i + lineWords(i));
        to = words[size_t(i)]->end;
    }
    return {uint32_t(from), uint32_t(to)};
}

void CNudgeLyricsDlg::Play(bool window)
{
    MSongSettings& song = App().Song();
    uint32_t from = m_selected >= 0 ? song.words[size_t(m_selected)]->start : 0;
    uint32_t to = 0;
    if (window) std::tie(from, to) = LoopStretch();
    if (m_mode == kIdle) return;

    size_t used = 0;
    m_streamStart = WriteRwMemory(song, used, int64_t(from));
    // The screen as it looks at `from`: the page of the selected word with its earlier words swept.
    DrawPage();
    Player().SetSource(song.MusicWorkPath(), song.streamBuffer, song.MusicPlayBytes());
    Player().SetLeadInFrames(m_streamStart);
    Player().SetTempoChange(m_tempo - 100);
    const int64_t shift = int64_t(song.settings.advanceSweep) * 441 / 2;
    m_playStart = uint32_t(std::max<int64_t>(int64_t(from) + m_streamStart + shift, 0));
    const uint32_t end = window && to != 0 ? uint32_t(std::max<int64_t>(int64_t(m_streamStart) + to + shift, 0))
                                           : kPlayToEnd;
    m_musicEnd = m_streamStart + song.musicDataBytes / 4;
    m_done->Reset();
    Player().SetPosition(m_playStart);
    if (!Player().Start(kPlayFlags, m_playStart, end)) {
        m_mode = kIdle;
        UpdateControls();
    }
}

void CNudgeLyricsDlg::StopPlayer()
{
    Player().Stop();
    Player().Release();
}

void CNudgeLyricsDlg::AuditionToggle()
{
    if (m_mode == kAdjust) return;
    if (m_mode == kIdle) {
        m_mode = kAudition;
        UpdateControls();
        Play(false);
        return;
    }
    m_mode = kIdle;
    const int64_t t = int64_t(Player().Position()) - m_streamStart;
    StopPlayer();
    const auto& words = App().Song().words;
    for (size_t i = 0; i < words.size(); ++i)
        if (int64_t(words[i]->start) <= t && t <= int64_t(words[i]->end)) {
            SelectWord(int(i));
            break;
        }
    DrawPage();
    UpdateControls();
}

void CNudgeLyricsDlg::AdjustToggle()
{
    if (m_mode == kAudition || m_selected < 0) return;
    if (m_mode == kIdle) {
        m_mode = kAdjust;
        UpdateControls();
        Play(true);
        return;
    }
    m_mode = kIdle;
    StopPlayer();
    DrawPage();
    UpdateControls();
}

void CNudgeLyricsDlg::OnTimer()
{
    if (m_mode == kIdle || !m_done->IsSet()) return;
    if (m_mode == kAudition) {
        AuditionToggle();
        return;
    }
    // The loop: every pass builds the stream again, so moves show at the next pass.
    StopPlayer();
    if (m_playStart < m_musicEnd) Play(true);
    else AdjustToggle();
}

void CNudgeLyricsDlg::StopPlaying()
{
    if (m_mode == kAudition) AuditionToggle();
    else if (m_mode == kAdjust) AdjustToggle();
}

void CNudgeLyricsDlg::AssignSinger(int slot)
{
    MSongSettings& song = App().Song();
    if (m_selected < 0 || m_mode != kIdle) return;
    MKaraokeLine* line = song.words[size_t(m_selected)]->line;
    if (!line) return;
    line->colour = slot;
    DrawPage();
    song.SetModified(true);
    UpdateControls();
}

void CNudgeLyricsDlg::UpdateControls()
{
    CViewBase::UpdateControls();
    if (!m_audition) return; // still being built
    const bool idle = m_mode == kIdle;
    m_audition->setText(m_mode == kAudition ? tr("Stop Audition (Sb)") : tr("Audition Play (Sb)"));
    m_auditionGroup->setEnabled(m_mode != kAdjust);
    const bool adjustAvailable = m_mode != kAudition && m_selected >= 0;
    m_adjust->setText(m_mode == kAdjust ? tr("Stop Adjust (n)") : tr("Adjust Play (n)"));
    m_adjust->setEnabled(adjustAvailable);
    for (QPushButton* b : m_moves) b->setEnabled(adjustAvailable);
    for (int i : {0, 1, 3}) ModeButton(i)->setEnabled(ModeButton(i)->isEnabled() && idle);
    ModeButton(4)->setEnabled(ModeButton(4)->isEnabled() && idle);
    m_adjustArea->setEnabled(idle);

    const MSongSettings& song = App().Song();
    m_singerGroup->setVisible(song.settings.singerCount != 1);
    m_singerGroup->setEnabled(m_selected >= 0 && idle);
    const bool selected = m_selected >= 0 && size_t(m_selected) < song.words.size();
    const int colour = selected && song.words[size_t(m_selected)]->line ? song.words[size_t(m_selected)]->line->colour : -1;
    m_singers[0]->setChecked(colour == kSlotText);
    m_singers[1]->setChecked(colour == kSlotSinger2);
    m_singers[2]->setChecked(colour == kSlotBoth);
    const int last = LastPage();
    m_pageLabel->setText(QString("%1 of %2").arg(m_page + 1).arg(last + 1));
    m_previous->setEnabled(m_page > 0 && idle);
    m_next->setEnabled(m_page < last && idle);
}

bool CNudgeLyricsDlg::ViewKeyPress(QKeyEvent* event)
{
    const bool playing = m_mode != kIdle;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        if (!m_latchSpace && m_mode != kAdjust) {
            m_latchSpace = true;
            m_audition->setFocus();
            AuditionToggle();
        }
        break;
    case Qt::Key_N:
        if (ctrl) return false;
        if (!m_latchN && m_mode != kAudition) {
            m_latchN = true;
            m_adjust->setFocus();
            AdjustToggle();
        }
        break;
    case Qt::Key_PageUp:
        if (!playing && m_previous->isEnabled()) PreviousPage();
        break;
    case Qt::Key_PageDown:
        if (!playing && m_next->isEnabled()) NextPage();
        break;
    case Qt::Key_Left:
        if (!playing) CursorLeft();
        break;
    case Qt::Key_Right:
        if (!playing) CursorRight();
        break;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        if (m_mode != kAudition && !m_latchLess) {
            m_latchLess = true;
            m_moves[ctrl ? 2 : 0]->setDown(true);
            if (ctrl) EndEarlier();
            else StartEarlier();
        }
        break;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        if (m_mode != kAudition && !m_latchMore) {
            m_latchMore = true;
            m_moves[ctrl ? 3 : 1]->setDown(true);
            if (ctrl) EndLater();
            else StartLater();
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: break; // never closes the view
    default: return false;
    }
    return true;
}

bool CNudgeLyricsDlg::ViewKeyRelease(QKeyEvent* event)
{
    if (event->isAutoRepeat()) return false;
    switch (event->key()) {
    case Qt::Key_Space: m_latchSpace = false; break;
    case Qt::Key_N: m_latchN = false; break;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        m_latchLess = false;
        m_moves[0]->setDown(false);
        m_moves[2]->setDown(false);
        break;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        m_latchMore = false;
        m_moves[1]->setDown(false);
        m_moves[3]->setDown(false);
        break;
    default: return false;
    }
    return true;
}

void CNudgeLyricsDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutWithControls(m_controls);
}

void CNudgeLyricsDlg::CloseView()
{
    if (Closed()) return;
    m_timer->stop();
    StopPlaying();
    CViewBase::CloseView();
    // Leaving the view ends its player; the next view makes its own.
    DestroyGlobalPlayer();
}
