#include "app/views/AdjustLyricsView.h"

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

#include "app/AppContext.h"
#include "document/SongDocument.h"
#include "app/CommandIds.h"
#include "app/dialogs/AdjustSettingsDialog.h"
#include "app/QtText.h"
#include "app/ViewReport.h"
#include "app/widgets/CWaveformStrip.h"
#include "media/WaveStreamReader.h"
#include "app/widgets/CdgScreenWidget.h"
#include "audio/ManualResetEvent.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/TextLayout.h"
#include "cdg/WordBoxes.h"
#include "cdg/WriteRwMemory.h"
#include "log/MLineListLog.h"
#include "player/KaraokePlayer.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenSink.h"
#include "player/PagePreview.h"
#include "project/ColourSlots.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"
#include "project/SweepAdvance.h"
#include "timing/PlayClock.h"
#include "timing/WordTiming.h"
#include "media/ColourValue.h"
#include "waveform/WaveformStrip.h"

namespace {

constexpr uint32_t kPlayFlags = kPlayAudio | kPlayGraphics | kPlayCallerFlag;
constexpr int kTimerMs = 20;

} // namespace

AdjustLyricsView::AdjustLyricsView(AppContext& app, QWidget* parent)
    : SongView(app, ViewId::AdjustLyrics, parent), m_done(std::make_unique<ManualResetEvent>())
{
    setObjectName("AdjustLyricsView");
    const KaraokeSong& song = App().Song();
    App().Document().RebuildLineList(false);
    App().Document().SelectWord(-1);

    CdgScreenWidget* viewer = AddViewer();
    connect(viewer, &CdgScreenWidget::Clicked, this, [this](QPoint p, Qt::KeyboardModifiers m) {
        if (m_mode == kIdle) SelectAt(p, m);
    });
    Player().SetRenderer(Renderer());
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);

    // Controls: the three groups and the page buttons.
    ControlRow parts;
    m_controls = BuildControlRow(this, lyrics, parts);
    m_auditionGroup = parts.auditionGroup;
    m_audition = parts.audition;
    m_adjustGroup = parts.adjustGroup;
    m_adjust = parts.adjust;
    m_adjustArea = parts.adjustArea;
    std::copy(std::begin(parts.moves), std::end(parts.moves), std::begin(m_moves));
    m_singerGroup = parts.singerGroup;
    std::copy(std::begin(parts.singers), std::end(parts.singers), std::begin(m_singers));
    m_pageLabel = parts.pageLabel;
    std::copy(std::begin(parts.times), std::end(parts.times), std::begin(m_times));
    m_previous = parts.previous;
    m_next = parts.next;
    for (int i = 0; i < 3; ++i)
        connect(m_singers[i], &QPushButton::clicked, this, [this, i] {
            static const int kSlots[3] = {kSlotText, kSlotSinger2, kSlotBoth};
            AssignSinger(kSlots[i]);
        });

    connect(m_audition, &QPushButton::clicked, this, &AdjustLyricsView::AuditionToggle);
    connect(m_adjust, &QPushButton::clicked, this, &AdjustLyricsView::AdjustToggle);
    connect(m_moves[0], &QPushButton::clicked, this, &AdjustLyricsView::StartEarlier);
    connect(m_moves[1], &QPushButton::clicked, this, &AdjustLyricsView::StartLater);
    connect(m_moves[2], &QPushButton::clicked, this, &AdjustLyricsView::EndEarlier);
    connect(m_moves[3], &QPushButton::clicked, this, &AdjustLyricsView::EndLater);
    connect(m_previous, &QPushButton::clicked, this, &AdjustLyricsView::PreviousPage);
    connect(m_next, &QPushButton::clicked, this, &AdjustLyricsView::NextPage);
    connect(m_adjustArea, &QPushButton::clicked, this, [this] {
        // The dialog works on a copy; even a cancelled one counts the loop in words from now on.
        std::unique_ptr<KaraokeSong> copy = App().Song().Copy();
        AdjustSettingsDialog dialog(*copy, this);
        dialog.exec();
        App().Document().ApplySettings(*copy, "Adjust Area");
    });

    if (lyrics) {
        const ColourTable table = CdgPacketGenerator::PageColourTable(*lyrics);
        Renderer()->LoadColours(0, kCdgColourCount, table);
        Renderer()->BorderPreset(lyrics->borderColour);
    }

    CWaveformStrip* strip = AddWaveform();
    strip->SetClock([this]() -> int64_t {
        if (m_mode == kIdle) return -1;
        return int64_t(App().Clock().Now()) - int64_t(m_streamStart);
    });
    // A click on a word's span selects it as a click on the preview does; a drag of its edge
    // moves it.
    connect(strip, &CWaveformStrip::WordClicked, this, [this](int word) {
        if (m_mode != kIdle) return;
        const int page = PageOfWord(word);
        SelectWord(word);
        m_page = page;
    });
    connect(strip, &CWaveformStrip::WordMoved, this, &AdjustLyricsView::ShowTimes);
    connect(strip, &CWaveformStrip::DragFinished, this, [this] {
        DrawPage();
        UpdateControls();
    });
    const int first = FirstWordOfPage(0);
    if (first >= 0) SelectWord(first);
    else DrawPage();
    App().Document().MeasureWordBoxes();
    App().Document().NoteAdjustUsed();

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &AdjustLyricsView::OnTimer);
    m_timer->start(kTimerMs);
    UpdateControls();
}

QWidget* AdjustLyricsView::BuildControlRow(QWidget* parent, const IMAGE_STRUCT* lyrics, ControlRow& parts)
{
    auto* row = new QHBoxLayout;
    parts.auditionGroup = new QGroupBox(tr("Audition Play"), parent);
    // Room for the longer text the button shows while it plays.
    parts.audition = new QPushButton(tr("Stop Audition (Sb)"), parts.auditionGroup);
    parts.audition->setMinimumWidth(parts.audition->sizeHint().width());
    parts.audition->setText(tr("Audition Play (Sb)"));
    parts.audition->setObjectName("audition");
    (new QVBoxLayout(parts.auditionGroup))->addWidget(parts.audition);
    parts.adjustGroup = new QGroupBox(tr("Adjust Highlighting"), parent);
    parts.adjust = new QPushButton(tr("Stop Adjust (n)"), parts.adjustGroup);
    parts.adjust->setMinimumWidth(parts.adjust->sizeHint().width());
    parts.adjust->setText(tr("Adjust Play (n)"));
    parts.adjust->setObjectName("adjust");
    parts.adjustArea = new QPushButton(tr("&Adjust Area..."), parts.adjustGroup);
    parts.adjustArea->setStyleSheet("background-color: rgb(0, 255, 255)");
    parts.adjustArea->setMinimumWidth(parts.adjustArea->sizeHint().width());
    auto* adjustLayout = new QGridLayout(parts.adjustGroup);
    adjustLayout->addWidget(parts.adjust, 0, 0);
    adjustLayout->addWidget(parts.adjustArea, 0, 1);
    adjustLayout->addWidget(new QLabel(tr("Start:       < >\nEnd: ctrl+< >"), parts.adjustGroup), 1, 0, 1, 2);
    // The selected word's times under the keys, each value as wide as the longest it shows.
    auto* times = new QGridLayout;
    const char* const timeNames[4] = {"Start", "End", "Length", "Amount"};
    const char* const timeObjects[4] = {"wordStart", "wordEnd", "wordLength", "adjustAmount"};
    for (int i = 0; i < 4; ++i) {
        auto* name = new QLabel(tr(timeNames[i]) + ':', parts.adjustGroup);
        parts.times[i] = new QLabel(parts.adjustGroup);
        parts.times[i]->setObjectName(timeObjects[i]);
        parts.times[i]->setMinimumWidth(parts.times[i]->fontMetrics().horizontalAdvance("00:00.00"));
        times->addWidget(name, i / 2, (i % 2) * 2);
        times->addWidget(parts.times[i], i / 2, (i % 2) * 2 + 1);
    }
    times->setColumnStretch(1, 1);
    times->setColumnStretch(3, 1);
    adjustLayout->addLayout(times, 2, 0, 1, 2);
    const char* const moveTexts[4] = {"&<", "&>", "&<", "&>"};
    for (int i = 0; i < 4; ++i) {
        parts.moves[i] = new QPushButton(tr(moveTexts[i]), parts.adjustGroup);
        parts.moves[i]->setVisible(false);
    }
    parts.singerGroup = new QGroupBox(tr("Assign Singers to Lines"), parent);
    auto* singerLayout = new QGridLayout(parts.singerGroup);
    const char* const singerTexts[3] = {"&1", "&2", "&Both"};
    const int singerSlots[3] = {kSlotText, kSlotSinger2, kSlotBoth};
    for (int i = 0; i < 3; ++i) {
        parts.singers[i] = new QPushButton(tr(singerTexts[i]), parts.singerGroup);
        parts.singers[i]->setCheckable(true);
        parts.singers[i]->setFocusPolicy(Qt::NoFocus);
        if (lyrics) {
            const uint32_t c = lyrics->graphic.ColourRgb(singerSlots[i]);
            parts.singers[i]->setStyleSheet(QString("background-color: #%1").arg(c, 6, 16, QChar('0')));
        }
        NarrowToText(parts.singers[i]);
        singerLayout->addWidget(parts.singers[i], 0, i);
    }
    auto* hint = new QLabel(tr("Click a word then a singer button to assign to that line."), parts.singerGroup);
    hint->setWordWrap(true);
    // Wrapped into a few lines at most: as wide as the group's title.
    hint->setMinimumWidth(hint->fontMetrics().horizontalAdvance(parts.singerGroup->title()));
    singerLayout->addWidget(hint, 1, 0, 1, 3);
    auto* pageBox = new QVBoxLayout;
    parts.pageLabel = new QLabel(parent);
    parts.pageLabel->setObjectName("page");
    FitPageLabel(*parts.pageLabel, 1);
    parts.pageLabel->setAlignment(Qt::AlignCenter);
    parts.previous = new QPushButton(QString::fromUtf8("\u25C0"), parent);
    parts.next = new QPushButton(QString::fromUtf8("\u25B6"), parent);
    for (QPushButton* b : {parts.previous, parts.next}) {
        b->setStyleSheet("background-color: rgb(0, 255, 0)");
        NarrowToText(b);
    }
    auto* arrows = new QHBoxLayout;
    arrows->addWidget(parts.previous);
    arrows->addWidget(parts.next);
    pageBox->addWidget(parts.pageLabel, 0, Qt::AlignHCenter);
    pageBox->addLayout(arrows);
    row->addWidget(parts.auditionGroup);
    row->addWidget(parts.adjustGroup);
    row->addWidget(parts.singerGroup);
    row->addLayout(pageBox);
    auto* controls = new QWidget(parent);
    controls->setLayout(row);
    return controls;
}

QSize AdjustLyricsView::Needs(const QWidget& reference)
{
    QWidget probe;
    probe.setFont(reference.font());
    ControlRow parts;
    QWidget* controls = BuildControlRow(&probe, nullptr, parts);
    // Every group shown (a duet's singers too), at the least width that keeps them whole.
    const QSize least = controls->minimumSizeHint();
    const int height = controls->hasHeightForWidth() ? std::max(controls->heightForWidth(least.width()), least.height())
                                                     : controls->sizeHint().height();
    const QSize base = SongView::Needs(reference);
    return {std::max(base.width(), 2 * kMargin + least.width()), base.height() + height + kGap + WaveformNeeds()};
}

AdjustLyricsView::~AdjustLyricsView()
{
    if (!Closed()) CloseView();
}

int AdjustLyricsView::PageOfWord(int index) const
{
    const auto& words = App().Song().words;
    if (index < 0 || size_t(index) >= words.size() || !words[size_t(index)]->line) return 0;
    return words[size_t(index)]->line->page;
}

int AdjustLyricsView::FirstWordOfPage(int page) const
{
    const auto& words = App().Song().words;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i]->line && words[i]->line->page == page) return int(i);
    return -1;
}

int AdjustLyricsView::LastWordOfPage(int page) const
{
    const auto& words = App().Song().words;
    for (size_t i = words.size(); i-- > 0;)
        if (words[i]->line && words[i]->line->page == page) return int(i);
    return -1;
}

int AdjustLyricsView::LastPage() const
{
    return App().Song().HighestPageNumber();
}

uint32_t AdjustLyricsView::AmountSamples() const
{
    return WordTiming(App().Song()).Amount();
}

void AdjustLyricsView::DrawPage()
{
    const KaraokeSong& song = App().Song();
    DrawLyricPagePreview(*Renderer(), song, m_page);
    // Words Auto-Time was unsure of show underlined, until they are moved.
    if (const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics)) {
        CdgScreenSink screen(Renderer());
        CdgPacketGenerator generator(screen);
        generator.SetLineWidthFlag(0);
        for (size_t i = 0; i < song.words.size(); ++i) {
            const MKaraokeWord& w = *song.words[i];
            if (int(i) == m_selected || !w.line || w.line->page != m_page || !App().Document().WordUnsure(i)) continue;
            MTextType style = lyrics->style;
            style.colour = song.settings.singerCount == 1 ? kSlotText : w.line->colour;
            style.style |= kStyleUnderline;
            const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
            const LyricRow row = LyricRowFor(share, song.settings.linesPerPage, w.line->slot);
            WriteSweep(generator, row.rows, row.row, w.line->text, w.first, w.last, style,
                       lyrics->backgroundColour & 0x0F, style.colour, kSweepText, 0, 0);
        }
    }
    // The selected word shows swept, so it stands out.
    if (m_selected >= 0 && size_t(m_selected) < song.words.size()) {
        const MKaraokeWord& w = *song.words[size_t(m_selected)];
        const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
        if (lyrics && w.line && w.line->page == m_page) {
            CdgScreenSink screen(Renderer());
            CdgPacketGenerator generator(screen);
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
    App().Document().MeasureWordBoxes();
}

void AdjustLyricsView::SelectWord(int index)
{
    const KaraokeSong& song = App().Song();
    if (index < 0 || size_t(index) >= song.words.size()) {
        App().Document().SelectWord(-1);
        return;
    }
    m_selected = m_cursor = index;
    App().Document().SelectWord(index);
    m_page = PageOfWord(index);
    if (Waveform()) {
        const MKaraokeWord& w = *song.words[size_t(index)];
        if (w.start != 0) Waveform()->KeepInView(w.start, std::max(w.start, w.end));
        Waveform()->update();
    }
    DrawPage();
    UpdateControls();
}

void AdjustLyricsView::SelectAt(QPoint p, Qt::KeyboardModifiers modifiers)
{
    const KaraokeSong& song = App().Song();
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
        App().Document().SelectWord(-1);
        m_selected = -1;
    }
    DrawPage();
    UpdateControls();
}

bool AdjustLyricsView::SelectNextUnsure()
{
    const int next = App().Document().NextUnsureWord(m_selected);
    if (next < 0) return false;
    SelectWord(next);
    return true;
}

void AdjustLyricsView::CursorLeft()
{
    const int first = FirstWordOfPage(m_page), last = LastWordOfPage(m_page);
    if (first < 0) return;
    m_cursor = (m_cursor < first || m_cursor > last) ? first : std::max(0, m_cursor - 1);
    SelectWord(m_cursor);
}

void AdjustLyricsView::CursorRight()
{
    const int first = FirstWordOfPage(m_page), last = LastWordOfPage(m_page);
    if (first < 0) return;
    const int lastWord = int(App().Song().words.size()) - 1;
    m_cursor = (m_cursor < first || m_cursor > last) ? first : std::min(lastWord, m_cursor + 1);
    SelectWord(m_cursor);
}

void AdjustLyricsView::PreviousPage()
{
    if (m_page <= App().Song().LowestPageNumber()) return;
    const int word = FirstWordOfPage(m_page - 1);
    --m_page;
    if (word >= 0) SelectWord(word);
    else DrawPage();
    UpdateControls();
}

void AdjustLyricsView::NextPage()
{
    if (m_page >= LastPage()) return;
    const int word = FirstWordOfPage(m_page + 1);
    ++m_page;
    if (word >= 0) SelectWord(word);
    else DrawPage();
    UpdateControls();
}

void AdjustLyricsView::StartEarlier()
{
    if (m_selected < 0) return;
    SongEdit edit = App().Document().BeginEdit("Start Earlier");
    if (WordTiming(edit.Song()).StartEarlier(size_t(m_selected)) && edit.Commit()) ShowTimes();
}

void AdjustLyricsView::StartLater()
{
    if (m_selected < 0) return;
    SongEdit edit = App().Document().BeginEdit("Start Later");
    if (WordTiming(edit.Song()).StartLater(size_t(m_selected)) && edit.Commit()) ShowTimes();
}

void AdjustLyricsView::EndEarlier()
{
    if (m_selected < 0) return;
    SongEdit edit = App().Document().BeginEdit("End Earlier");
    if (WordTiming(edit.Song()).EndEarlier(size_t(m_selected)) && edit.Commit()) ShowTimes();
}

void AdjustLyricsView::EndLater()
{
    if (m_selected < 0) return;
    SongEdit edit = App().Document().BeginEdit("End Later");
    if (WordTiming(edit.Song()).EndLater(size_t(m_selected)) && edit.Commit()) ShowTimes();
}

std::pair<uint32_t, uint32_t> AdjustLyricsView::LoopStretch() const
{
    if (m_selected < 0) return {0, 0};
    return WordTiming(App().Song()).LoopStretch(size_t(m_selected));
}

void AdjustLyricsView::Play(bool window)
{
    const KaraokeSong& song = App().Song();
    uint32_t from = m_selected >= 0 ? song.words[size_t(m_selected)]->start : 0;
    uint32_t to = 0;
    if (window) std::tie(from, to) = LoopStretch();
    if (m_mode == kIdle) return;

    // The player is stopped here (the callers stop it): the stream it read may be replaced.
    m_stream = WriteRwMemory(song, int64_t(from));
    m_streamStart = m_stream.leadIn;
    // The screen as it looks at `from`: the page of the selected word with its earlier words swept.
    DrawPage();
    Player().Prepare({.musicPath = song.MusicWorkPath(),
                      .stream = m_stream.bytes,
                      .musicBytes = m_stream.musicBytes,
                      .leadInFrames = m_streamStart,
                      .tempoChange = m_tempo - 100},
                     m_done.get());
    const int64_t shift = SweepAdvance::FromStored(song.settings.advanceSweep).ShiftFrames();
    m_playStart = uint32_t(std::max<int64_t>(int64_t(from) + m_streamStart + shift, 0));
    const uint32_t end = window && to != 0 ? uint32_t(std::max<int64_t>(int64_t(m_streamStart) + to + shift, 0))
                                           : kPlayToEnd;
    const uint32_t musicBytes = m_stream.musicBytes != kFileLength ? m_stream.musicBytes : song.musicDataBytes;
    m_musicEnd = m_streamStart + musicBytes / std::max<uint32_t>(1, song.musicFrameBytes);
    Player().SetPosition(m_playStart);
    if (!Player().Start(kPlayFlags, m_playStart, end)) {
        m_mode = kIdle;
        UpdateControls();
    }
}

void AdjustLyricsView::StopPlayer()
{
    Player().Stop();
    Player().Release();
}

void AdjustLyricsView::AuditionToggle()
{
    if (m_mode == kAdjust) return;
    if (m_mode == kIdle) {
        m_mode = kAudition;
        UpdateControls();
        Play(false);
        return;
    }
    m_mode = kIdle;
    // The word being sung where the music stops is selected.
    const int64_t t = int64_t(App().Clock().Now()) - m_streamStart;
    StopPlayer();
    if (const int word = WordTiming(App().Song()).WordAt(t); word >= 0) SelectWord(word);
    DrawPage();
    UpdateControls();
}

void AdjustLyricsView::AdjustToggle()
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

void AdjustLyricsView::OnTimer()
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

void AdjustLyricsView::StopPlaying()
{
    if (m_mode == kAudition) AuditionToggle();
    else if (m_mode == kAdjust) AdjustToggle();
}

void AdjustLyricsView::AssignSinger(int slot)
{
    if (m_selected < 0 || m_mode != kIdle) return;
    SongEdit edit = App().Document().BeginEdit("Assign Singer");
    if (!WordTiming(edit.Song()).AssignSinger(size_t(m_selected), slot)) return;
    edit.Commit();
    DrawPage();
    UpdateControls();
}

void AdjustLyricsView::UpdateControls()
{
    SongView::UpdateControls();
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

    const KaraokeSong& song = App().Song();
    m_singerGroup->setVisible(song.settings.singerCount != 1);
    m_singerGroup->setEnabled(m_selected >= 0 && idle);
    const bool selected = m_selected >= 0 && size_t(m_selected) < song.words.size();
    const int colour = selected && song.words[size_t(m_selected)]->line ? song.words[size_t(m_selected)]->line->colour : -1;
    m_singers[0]->setChecked(colour == kSlotText);
    m_singers[1]->setChecked(colour == kSlotSinger2);
    m_singers[2]->setChecked(colour == kSlotBoth);
    const int last = LastPage();
    FitPageLabel(*m_pageLabel, last + 1);
    m_pageLabel->setText(PageOfText(m_page + 1, last + 1));
    m_previous->setEnabled(m_page > 0 && idle);
    m_next->setEnabled(m_page < last && idle);
    if (CWaveformStrip* strip = Waveform()) {
        strip->SetPlaying(!idle);
        strip->SetEditable(idle);
    }
    ShowTimes();
}

void AdjustLyricsView::ShowTimes()
{
    const KaraokeSong& song = App().Song();
    const bool selected = m_selected >= 0 && size_t(m_selected) < song.words.size();
    const MKaraokeWord* w = selected ? song.words[size_t(m_selected)].get() : nullptr;
    const QString none = QStringLiteral("-");
    m_times[0]->setText(w ? SongTimeText(w->start) : none);
    m_times[1]->setText(w ? SongTimeText(w->end) : none);
    m_times[2]->setText(w ? SongTimeText(int64_t(w->end) - int64_t(w->start)) : none);
    m_times[3]->setText(SongTimeText(AmountSamples()));
    // A time Auto-Time was unsure of shows in the colour the waveform strip gives its word.
    const bool unsure = w && App().Document().WordUnsure(size_t(m_selected));
    for (int i = 0; i < 3; ++i) {
        m_times[i]->setStyleSheet(unsure ? QString("color: rgb(%1, %2, %3)")
                                               .arg(ColourRed(WaveformStrip::kWordUnsureSpan))
                                               .arg(ColourGreen(WaveformStrip::kWordUnsureSpan))
                                               .arg(ColourBlue(WaveformStrip::kWordUnsureSpan))
                                         : QString());
        m_times[i]->setToolTip(unsure ? tr("Auto-Time is unsure of this time: check it by ear (U: the next unsure word).")
                                      : QString());
    }
    // Scripts watching the window read what the labels say.
    if (qEnvironmentVariableIsEmpty(kViewReportVariable)) return;
    const QString line = QString("times word %1 start %2 end %3 length %4 amount %5%6\n")
                             .arg(m_selected)
                             .arg(m_times[0]->text(), m_times[1]->text(), m_times[2]->text(), m_times[3]->text(),
                                  unsure ? QStringLiteral(" unsure") : QString());
    if (line == m_reportedTimes) return;
    m_reportedTimes = line;
    AppendViewReport(line);
}

bool AdjustLyricsView::ViewKeyPress(QKeyEvent* event)
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
    case Qt::Key_U:
        if (ctrl) return false;
        if (!playing) SelectNextUnsure();
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

bool AdjustLyricsView::ViewKeyRelease(QKeyEvent* event)
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

void AdjustLyricsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutWithControls(m_controls);
}

void AdjustLyricsView::CloseView()
{
    if (Closed()) return;
    m_timer->stop();
    StopPlaying();
    SongView::CloseView();
    // Leaving the view ends its player; the next view makes its own.
    DestroyGlobalPlayer();
}
