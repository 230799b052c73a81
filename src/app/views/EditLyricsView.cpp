#include "app/views/EditLyricsView.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSizeGrip>
#include <QSlider>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/QtUserPrompt.h"
#include "document/SongDocument.h"
#include "timing/PlayClock.h"
#include "app/CommandIds.h"
#include "app/QtText.h"
#include "app/dialogs/FindLyricsDialog.h"
#include "app/widgets/CWaveformStrip.h"
#include "app/widgets/CdgScreenWidget.h"
#include "media/WaveStreamReader.h"
#include "cdg/LineFit.h"
#include "log/MLineListLog.h"
#include "log/MLogQueue.h"
#include "log/KaraokeSongDumpLog.h"
#include "lyrics/LyricImport.h"
#include "player/KaraokePlayer.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"
#include "text/Utf8.h"

namespace {

// Keys that rest this long end a step of typing.
constexpr int kTypingStepMs = 1000;


constexpr uint32_t kSampleRate = 44100;
constexpr int kSecondsPerMinute = 60;
constexpr int kSplitBytes = 8;
// The music preview plays audio only; every caller sets the third flag.
constexpr uint32_t kPreviewPlayFlags = kPlayAudio | kPlayCallerFlag;

// Typing goes through the rebuild at every keystroke. A message the rebuild gives (such as the
// duet marks in a solo song) is shown once, and again only after the text has stopped causing it,
// instead of at every key.
class OncePerTypingPrompt : public UserPrompt {
public:
    explicit OncePerTypingPrompt(UserPrompt& inner) : m_inner(inner) {}

    void BeginRebuild() { m_seen.clear(); }
    void EndRebuild() { m_shown = m_seen; }

    void Message(const std::string& text, const std::string& caption, PromptIcon icon) override
    {
        m_seen.push_back(text);
        if (std::find(m_shown.begin(), m_shown.end(), text) == m_shown.end()) m_inner.Message(text, caption, icon);
    }
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override
    {
        return m_inner.Ask(text, caption, buttons, icon);
    }

private:
    UserPrompt& m_inner;
    std::vector<std::string> m_seen;
    std::vector<std::string> m_shown;
};

// The editor works with line feeds; the song keeps carriage return and line feed.
QString EditorText(const std::string& lyricText)
{
    QString text = QtText(lyricText);
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

std::string SongText(QString editorText)
{
    editorText.replace('\n', "\r\n");
    return EngineText(editorText);
}

// "&" would make a mnemonic of the next letter.
QString LabelText(const QString& path)
{
    QString text = path;
    return text.replace("&", "&&");
}

QString MinutesSeconds(int seconds)
{
    return QString::asprintf("%d:%02d", seconds / kSecondsPerMinute, seconds % kSecondsPerMinute);
}

// A bold face whose cell (ascent plus descent) is `height` pixels.
QFont LyricFont(const QString& face, int height)
{
    QFont font(face);
    font.setBold(true);
    font.setPixelSize(height);
    const int cell = QFontMetrics(font).height();
    if (cell > height) font.setPixelSize(std::max(1, height * height / cell));
    return font;
}

bool SomeWordTimed(const KaraokeSong& song)
{
    return std::any_of(song.words.begin(), song.words.end(), [](const auto& w) { return w->start != 0; });
}

} // namespace

EditLyricsView::EditLyricsView(AppContext& app, QWidget* parent) : SongView(app, ViewId::EditLyrics, parent)
{
    setObjectName("EditLyricsView");
    const KaraokeSong& song = App().Song();
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<KaraokeSongDumpLog>("InitDlg", song), true);
    BuildControls();
    if (!song.FindPage(kPageLyrics)) {
        App().Prompt().Message(kMsgProjectProblem, kAppCaption, PromptIcon::Stop);
        App().Document().Discard();
        m_usable = false;
        return;
    }
    m_rebuildPrompt = std::make_unique<OncePerTypingPrompt>(App().Prompt());
    m_editor->setFont(LyricFont(QString::fromStdString(song.FindPage(kPageLyrics)->style.FaceName()),
                                kLyricFontHeight));
    LoadEditorText();

    m_split = ReadSplitRatio();
    ShowMusicName();
    ShowPlayFace(true);

    PreviewRefresh();
    AudioControlsRefresh();
    m_timer->start(kTimerMs);
    m_editor->setFocus();
}

QSize EditLyricsView::Needs(const QWidget& reference)
{
    const QFontMetrics metrics(reference.font());
    const QSize import = ButtonSize(reference, tr("&Import Lyrics"));
    const QSize addMusic = ButtonSize(reference, tr("Add M&usic"));
    QSlider slider(Qt::Horizontal);
    slider.setFont(reference.font());
    const int rowH = std::max({import.height(), addMusic.height(), slider.sizeHint().height()});
    const int playSide = 2 * rowH;
    const int timeW = metrics.horizontalAdvance("000:00/000:00");
    const int top = kMargin + import.width() + kGap + addMusic.width() + kGap + playSide + kGap +
                    kMusicNameChars * metrics.averageCharWidth() + kGap + timeW + kMargin;

    // The page arrows, "Page:" and "99 of 99" under the preview, which gets what the editor
    // leaves of the width.
    QPushButton arrow;
    arrow.setFont(reference.font());
    arrow.setIcon(arrow.style()->standardIcon(QStyle::SP_ArrowLeft));
    QLabel pageText(tr("Page:"));
    pageText.setFont(reference.font());
    const int arrowH = std::max(arrow.sizeHint().height(), metrics.height());
    const int arrowW = std::max(arrow.sizeHint().width(), arrowH);
    const int arrowsW = arrowW + kGap + pageText.sizeHint().width() + kGap +
                        metrics.horizontalAdvance("99 of 99 ") + kGap + arrowW;
    const int previewW = std::max(arrowsW, kMinimumScreenWidth + 2 * kViewerInset);
    // The preview gets what the editor's share leaves of the width: solved for the width.
    const int bottom = 2 * kMargin + int(std::ceil((previewW + kGap) / (1.0 - kDefaultSplit)));

    const QSize modeRow = ModeRowNeeds(reference);
    const int previewH = previewW * 3 / 4;
    return {std::max({modeRow.width(), top, bottom}),
            kMargin + playSide + kGap + previewH + kGap + arrowH + WaveformNeeds() + kGap + modeRow.height()};
}

EditLyricsView::~EditLyricsView()
{
    if (!Closed()) CloseView();
}

void EditLyricsView::BuildControls()
{
    m_import = new QPushButton(tr("&Import Lyrics"), this);
    m_import->setObjectName("importLyrics");
    m_addMusic = new QPushButton(tr("Add M&usic"), this);
    m_addMusic->setObjectName("addMusic");
    m_play = new QPushButton(this);
    m_play->setObjectName("play");
    m_play->setIconSize(QSize(24, 24));
    m_musicName = new QLabel(this);
    m_musicName->setObjectName("musicName");
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName("slider");
    m_slider->setSingleStep(kStepsPerSecond);
    m_slider->setPageStep(10 * kStepsPerSecond);
    m_timeLabel = new QLabel("0:00/0:00", this);
    m_timeLabel->setObjectName("timeLabel");
    m_timeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName("editor");
    // Long lines wrap: the editor scrolls only up and down.
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setTabChangesFocus(true);
    m_editor->setPlaceholderText(tr("Type the lyrics here, one screen line to a line, or use Import Lyrics.\n\n"
                                    "Add Music attaches the song. Music, lyrics and project files can also be "
                                    "dropped on the window."));
    setFocusProxy(m_editor);

    m_previewFrame = new QFrame(this);
    m_previewFrame->setObjectName("previewFrame");
    m_previewFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    AddViewer(m_previewFrame);

    m_left = new QPushButton(this);
    m_left->setObjectName("pageLeft");
    m_left->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    m_left->setAccessibleName(tr("Previous page"));
    m_right = new QPushButton(this);
    m_right->setObjectName("pageRight");
    m_right->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    m_right->setAccessibleName(tr("Next page"));
    m_pageText = new QLabel(tr("Page:"), this);
    m_pageText->setObjectName("pageText");
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName("pageLabel");
    m_pageLabel->setTextFormat(Qt::PlainText);
    // Room for "99 of 99" in the label's own font, more for a longer song.
    FitPageLabel(*m_pageLabel, 1);
    m_fitLabel = new QLabel(this);
    m_fitLabel->setObjectName("fitLabel");
    m_fitLabel->setTextFormat(Qt::PlainText);
    m_fitLabel->setWordWrap(true);
    m_fitLabel->hide();
    // The music under the editor and the preview, its cursor where the music plays or would.
    AddWaveform()->SetClock([this]() -> int64_t {
        if (!App().MusicLoaded()) return -1;
        return m_playing ? App().Clock().Now() : m_playPosition;
    });
    m_grip = new QSizeGrip(this);

    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);

    connect(m_import, &QPushButton::clicked, this, &EditLyricsView::ImportLyrics);
    connect(m_addMusic, &QPushButton::clicked, this, &EditLyricsView::AddMusic);
    connect(m_play, &QPushButton::clicked, this, &EditLyricsView::PlayToggle);
    connect(m_left, &QPushButton::clicked, this, &EditLyricsView::ShowPreviousPage);
    connect(m_right, &QPushButton::clicked, this, &EditLyricsView::ShowNextPage);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &EditLyricsView::OnTextChanged);
    connect(m_timer, &QTimer::timeout, this, &EditLyricsView::OnTimer);
    connect(m_slider, &QSlider::sliderPressed, this, &EditLyricsView::BeginScroll);
    connect(m_slider, &QSlider::sliderReleased, this, &EditLyricsView::EndScroll);
    connect(m_slider, &QSlider::valueChanged, this, &EditLyricsView::OnSliderValue);
    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        // Keys and clicks beside the handle move it in one step: pause, move, go on playing.
        if (action == QAbstractSlider::SliderMove || m_slider->isSliderDown()) return;
        BeginScroll();
        QTimer::singleShot(0, this, &EditLyricsView::EndScroll);
    });
    m_play->installEventFilter(this);
    // The song's Undo is the editor's too: its own would undo behind the song's back.
    m_editor->setUndoRedoEnabled(false);
    m_editor->installEventFilter(this);
    m_typingTimer = new QTimer(this);
    m_typingTimer->setSingleShot(true);
    m_typingTimer->setInterval(kTypingStepMs);
    connect(m_typingTimer, &QTimer::timeout, this, &EditLyricsView::RecordTyping);
    m_slider->installEventFilter(this);
}

double EditLyricsView::ReadSplitRatio()
{
    const QByteArray bytes = App().Settings().Bytes(AppSettings::kSettings, "EditLyricsSplit");
    if (bytes.size() != kSplitBytes) return kDefaultSplit;
    double ratio = kDefaultSplit;
    std::memcpy(&ratio, bytes.constData(), sizeof ratio);
    // A value that leaves no room for the editor or the preview is not a layout.
    if (!std::isfinite(ratio) || ratio < 0.1 || ratio > 0.9) return kDefaultSplit;
    return ratio;
}

void EditLyricsView::LoadEditorText()
{
    m_loadingText = true;
    m_editor->setPlainText(EditorText(App().Song().lyricText));
    m_loadingText = false;
}

void EditLyricsView::CloseView()
{
    if (Closed()) return;
    RecordTyping();
    m_timer->stop();
    StopPlaying();
    SongView::CloseView();
    // The view that made the player destroys it; the next view makes its own.
    if (m_usable) DestroyGlobalPlayer();
}

void EditLyricsView::StopPlaying()
{
    m_pausedForDragging = false;
    if (m_playing) PlayToggle();
    if (KaraokePlayer* player = GlobalPlayer()) player->Stop();
}

void EditLyricsView::ShowMusicName()
{
    // A long path gives up its start: the file's name is what tells the music apart.
    const QString path = App().MusicSourcePath();
    m_musicName->setToolTip(path);
    if (path.isEmpty()) {
        m_musicName->setText(m_musicName->fontMetrics().elidedText(tr("No music yet: use Add Music"), Qt::ElideRight,
                                                                    m_musicName->width()));
        return;
    }
    m_musicName->setText(LabelText(m_musicName->fontMetrics().elidedText(path, Qt::ElideLeft, m_musicName->width())));
}

void EditLyricsView::UpdateControls()
{
    SongView::UpdateControls();
    // While the music plays (or waits for the end of a drag) the other views and the settings
    // stay out of reach.
    if (m_playing || m_pausedForDragging)
        for (int i = 1; i < kModeCount; ++i) ModeButton(i)->setEnabled(false);
}

void EditLyricsView::OnTextChanged()
{
    if (m_loadingText) return;
    // Each change of the text is recorded at once, the line list rebuilt from it with it; the
    // keys of one burst of typing make one step.
    SongEdit edit = App().Document().BeginEdit("Typing", m_typingRun ? StepMerge::Join : StepMerge::Start);
    edit.Song().lyricText = SongText(m_editor->toPlainText());
    m_typingRun = true;
    m_typingTimer->start();
    PreviewRefresh();
    edit.Commit();
    // Only the mode buttons depend on the text among what the audio refresh sets.
    UpdateControls();
}

namespace {

// The background of an editor line whose lyric line the screen cuts off.
const QColor kTooWideColour(255, 210, 210);
// The background of an editor line with a character no font can draw, and its wavy underline
// under each such character.
const QColor kUndrawableLineColour(255, 236, 190);
const QColor kUndrawableColour(200, 0, 0);

// `"ꙮ" (U+A66E)` for each character, at most three and "…".
QString CharacterList(const std::vector<TextCharacter>& characters)
{
    QStringList names;
    for (const TextCharacter& c : characters) {
        if (names.size() == 3) {
            names << QString::fromUtf8("…");
            break;
        }
        char32_t cp = 0;
        NextCodePoint(c.character, 0, cp);
        names << QString("\"%1\" (%2)").arg(QtText(c.character), QString::fromStdString(CodePointName(cp)));
    }
    return names.join(", ");
}

} // namespace

QList<QTextEdit::ExtraSelection> EditLyricsView::MarkUndrawable()
{
    const std::vector<TextCharacter> undrawable = UndrawableLyricCharacters(App().Song());
    QStringList characters;
    for (const TextCharacter& c : undrawable) characters << QtText(c.character);
    QList<QTextEdit::ExtraSelection> marks;
    m_linesUndrawable.clear();
    for (QTextBlock block = m_editor->document()->begin(); !characters.isEmpty() && block.isValid();
         block = block.next()) {
        const QString text = block.text();
        QList<QTextEdit::ExtraSelection> characterMarks;
        for (const QString& character : characters)
            for (qsizetype at = text.indexOf(character); at >= 0; at = text.indexOf(character, at + 1)) {
                QTextEdit::ExtraSelection mark;
                mark.cursor = QTextCursor(block);
                mark.cursor.setPosition(block.position() + int(at));
                mark.cursor.setPosition(block.position() + int(at + character.size()), QTextCursor::KeepAnchor);
                mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
                mark.format.setUnderlineColor(kUndrawableColour);
                characterMarks.append(mark);
            }
        if (characterMarks.isEmpty()) continue;
        m_linesUndrawable.append(block.blockNumber());
        QTextEdit::ExtraSelection line;
        line.cursor = QTextCursor(block);
        line.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        line.format.setBackground(kUndrawableLineColour);
        line.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(line);
        marks.append(characterMarks);
    }
    if (m_linesUndrawable.isEmpty()) return marks;
    const QString list = CharacterList(undrawable);
    if (m_linesUndrawable.size() == 1)
        m_undrawableText = tr("1 line has characters that no installed font can draw (empty boxes on the screen): %1").arg(list);
    else
        m_undrawableText = tr("%1 lines have characters that no installed font can draw (empty boxes on the screen): %2")
                               .arg(m_linesUndrawable.size())
                               .arg(list);
    return marks;
}

void EditLyricsView::MarkLines()
{
    QList<int> lines;
    for (const LineFit& fit : ::LinesTooWide(App().Song()))
        if (fit.source == LineSource::Lyrics) lines.append(fit.textLine - 1);
    const bool hadNotice = !m_linesTooWide.isEmpty() || !m_linesUndrawable.isEmpty();
    QList<QTextEdit::ExtraSelection> marks = MarkUndrawable();
    for (int line : lines) {
        const QTextBlock block = m_editor->document()->findBlockByNumber(line);
        if (!block.isValid()) continue;
        QTextEdit::ExtraSelection mark;
        // The whole line, over every row the editor wraps it into.
        mark.cursor = QTextCursor(block);
        mark.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        mark.format.setBackground(kTooWideColour);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
    }
    m_editor->setExtraSelections(marks);
    m_linesTooWide = lines;
    QStringList notices;
    if (lines.size() == 1) notices << tr("1 line is too wide for the screen (Edit > Fit Long Lines)");
    else if (lines.size() > 1) notices << tr("%1 lines are too wide for the screen (Edit > Fit Long Lines)").arg(lines.size());
    if (!m_linesUndrawable.isEmpty()) notices << m_undrawableText;
    m_fitLabel->setText(notices.join('\n'));
    m_fitLabel->setVisible(!notices.isEmpty());
    // The notice may need another row as it grows.
    if (hadNotice != !notices.isEmpty() ||
        (!notices.isEmpty() && m_fitLabel->height() != m_fitLabel->heightForWidth(m_fitLabel->width())))
        LayoutControls();
}

void EditLyricsView::FitLongLines()
{
    const KaraokeSong& song = App().Song();
    RecordTyping();
    // The editor's changes below are typing within this one edit.
    SongEdit step = App().Document().BeginEdit("Fit Long Lines");
    QTextDocument* document = m_editor->document();
    // The marks follow the text as it changes; the lines to break are those of now.
    const QList<int> wide = m_linesTooWide;
    QTextCursor edit(document);
    edit.beginEditBlock();
    // From the last line up, so that the lines still to break keep their numbers.
    for (auto line = wide.crbegin(); line != wide.crend(); ++line) {
        const QTextBlock block = document->findBlockByNumber(*line);
        if (!block.isValid()) continue;
        const std::vector<std::string> pieces = BreakLyricLine(song, EngineText(block.text()));
        if (pieces.size() < 2) continue;
        QStringList lines;
        for (const std::string& piece : pieces) lines.append(QtText(piece));
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(lines.join('\n'));
    }
    edit.endEditBlock();
    step.Commit();
    RecordTyping();
}

void EditLyricsView::PreviewRefresh()
{
    const KaraokeSong& song = App().Song();
    auto* prompt = static_cast<OncePerTypingPrompt*>(m_rebuildPrompt.get());
    if (prompt) prompt->BeginRebuild();
    App().Document().RebuildLineList(false, prompt);
    if (prompt) prompt->EndRebuild();

    MarkLines();

    // The song's own count, as the command-line tool and the other views have it: an empty
    // line at the end (a final line break) on a page of its own is a page, as the stream
    // shows it.
    m_lastPage = std::max(0, song.HighestPageNumber());
    m_previewPage = std::clamp(m_previewPage, 0, m_lastPage);
    ShowLyricPage(m_previewPage);
    if (Viewer()) Viewer()->SetHint(song.lyricText.empty() ? tr("Each page of the lyrics shows here.") : QString());

    // Where the focus was before an arrow may be disabled under it.
    QWidget* focus = window()->focusWidget();
    const bool nowhere = focus == nullptr || !isAncestorOf(focus);
    m_left->setEnabled(m_previewPage > 0);
    m_right->setEnabled(m_previewPage < m_lastPage);
    if (m_lastPage > 0) {
        if (m_previewPage == 0 && (nowhere || focus == m_left)) m_right->setFocus();
        else if (m_previewPage == m_lastPage && (nowhere || focus == m_right)) m_left->setFocus();
    } else if (nowhere || !focus->isEnabled()) {
        m_editor->setFocus();
    }
    const int labelWidth = m_pageLabel->minimumWidth();
    FitPageLabel(*m_pageLabel, m_lastPage + 1);
    m_pageLabel->setText(PageOfText(m_previewPage + 1, m_lastPage + 1));
    if (m_pageLabel->minimumWidth() != labelWidth) LayoutControls();
}

void EditLyricsView::ShowPreviousPage()
{
    --m_previewPage;
    PreviewRefresh();
}

void EditLyricsView::ShowNextPage()
{
    ++m_previewPage;
    PreviewRefresh();
}

void EditLyricsView::AudioControlsRefresh()
{
    const bool music = App().MusicLoaded();
    m_play->setEnabled(music);
    m_slider->setEnabled(music);
    m_musicFrames = 0;
    if (music) {
        WaveStreamReader wav;
        if (wav.Open(QFile::encodeName(App().WorkingAudioPath()).toStdString())) m_musicFrames = wav.SampleFrames();
        else m_musicFrames = App().Song().MusicFrames();
    }
    m_sliderMax = int(m_musicFrames / kFramesPerStep);
    m_musicSeconds = int((m_musicFrames + kSampleRate / 2) / kSampleRate);
    m_settingSlider = true;
    m_slider->setRange(0, m_sliderMax);
    m_settingSlider = false;
    m_sliderPosition = std::min(m_sliderPosition, m_sliderMax);
    SetSliderPosition(m_sliderPosition);
    if (music && !m_playing) PreparePlayer();
    UpdateTimeLabel();
    UpdateControls();
}

void EditLyricsView::PreparePlayer()
{
    Player().Prepare({.musicPath = QFile::encodeName(App().WorkingAudioPath()).toStdString()}, &m_done);
}

QString EditLyricsView::TimeText() const
{
    if (!App().MusicLoaded()) return "0:00/0:00";
    const int at = m_sliderMax > 0 ? int(std::lround(double(m_sliderPosition) * m_musicSeconds / m_sliderMax)) : 0;
    return MinutesSeconds(at) + "/" + MinutesSeconds(m_musicSeconds);
}

void EditLyricsView::UpdateTimeLabel()
{
    m_timeLabel->setText(TimeText());
}

void EditLyricsView::SetSliderPosition(int position)
{
    m_settingSlider = true;
    m_slider->setValue(position);
    m_settingSlider = false;
}

void EditLyricsView::ShowPlayFace(bool playSign)
{
    m_play->setIcon(style()->standardIcon(playSign ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
    m_play->setAccessibleName(playSign ? tr("Play") : tr("Pause"));
    m_play->setToolTip(m_play->accessibleName());
    SetGreenFace(m_play, playSign);
}

void EditLyricsView::StartMusic()
{
    PreparePlayer();
    if (!Player().Start(kPreviewPlayFlags, m_playPosition)) return; // the player has told the user why
    m_playing = true;
}

void EditLyricsView::StopMusic()
{
    if (KaraokePlayer* player = GlobalPlayer()) {
        player->Stop();
        player->Release();
    }
    m_done.Reset();
    m_playing = false;
}

void EditLyricsView::PlayToggle()
{
    if (m_playing) StopMusic();
    else if (App().MusicLoaded()) StartMusic();
    Waveform()->SetPlaying(m_playing);
    if (!m_pausedForDragging) {
        ShowPlayFace(!m_playing);
        UpdateControls();
        emit App().StateChanged();
    }
}

void EditLyricsView::OnTimer()
{
    if (m_playing && m_done.IsSet()) {
        PlayToggle();
        m_playPosition = 0;
        m_sliderPosition = 0;
    } else if (m_playing) {
        if (const uint32_t p = Player().Position(); p != 0) {
            m_playPosition = p;
            m_sliderPosition = int(p / kFramesPerStep);
        }
    }
    SetSliderPosition(m_sliderPosition);
    UpdateTimeLabel();
}

void EditLyricsView::BeginScroll()
{
    if (!m_playing) return;
    m_pausedForDragging = true;
    PlayToggle();
}

void EditLyricsView::EndScroll()
{
    if (m_pausedForDragging) PlayToggle();
    m_pausedForDragging = false;
}

void EditLyricsView::OnSliderValue(int value)
{
    if (m_settingSlider) return;
    m_sliderPosition = value;
    m_playPosition = uint32_t(value) * kFramesPerStep;
    if (KaraokePlayer* player = GlobalPlayer(); player && !player->IsPlaying()) player->SetPosition(m_playPosition);
    if (!m_playing) Waveform()->CentreOn(m_playPosition);
    UpdateTimeLabel();
}

bool EditLyricsView::ReloadSong()
{
    if (!Usable()) return false;
    RecordTyping();
    const int position = m_editor->textCursor().position();
    LoadEditorText();
    QTextCursor cursor = m_editor->textCursor();
    cursor.setPosition(std::min(position, std::max(0, m_editor->document()->characterCount() - 1)));
    m_editor->setTextCursor(cursor);
    PreviewRefresh();
    AudioControlsRefresh();
    return true;
}

void EditLyricsView::RecordTyping()
{
    m_typingRun = false;
    m_typingTimer->stop();
}

bool EditLyricsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && event->type() == QEvent::ShortcutOverride) {
        // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y go past the editor to the window's Undo and Redo.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            QKeySequence(key->keyCombination()) == QKeySequence("Ctrl+Y")) {
            event->ignore();
            return true;
        }
    }
    if ((watched == m_play || watched == m_slider) &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space) {
            // The toggle acts on the key going down; the release must not click the button too.
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) PlayToggle();
            return true;
        }
        if (watched == m_play && event->type() == QEvent::KeyPress) {
            switch (key->key()) {
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_End:
            case Qt::Key_Home:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
                m_slider->setFocus();
                QCoreApplication::sendEvent(m_slider, event);
                return true;
            default: break;
            }
        }
    }
    return SongView::eventFilter(watched, event);
}

void EditLyricsView::ImportLyrics()
{
    ImportLyricsFromDialog(false);
}

void EditLyricsView::FindLyricsOnWeb()
{
    ImportLyricsFromDialog(true);
}

void EditLyricsView::ImportLyricsFromDialog(bool web)
{
    ImportLyricsWith([this, web](LrcDocument& lrc) {
        FindLyricsDialog dialog(App(), this);
        if (web) dialog.Run();
        else dialog.ImportLocalFile();
        if (dialog.Imported()) lrc = dialog.Lrc();
        return dialog.Imported();
    });
}

void EditLyricsView::ImportLyricsFile(const QString& path)
{
    ImportLyricsWith([this, path](LrcDocument& lrc) {
        App().LyricsFolder() = QFileInfo(path).absolutePath();
        return bool(App().Document().ImportLyrics(QFile::encodeName(path).toStdString(), lrc));
    });
}

void EditLyricsView::ImportLyricsWith(const std::function<bool(LrcDocument& lrc)>& read)
{
    RecordTyping();
    // The import is one edit, which the reading of the file joins. The old lines wait aside:
    // an LRC file's times may be refused, and then the old times stay.
    const bool wasPlaced = !App().Song().lyricText.empty() && SomeWordTimed(App().Song());
    SongEdit edit = App().Document().BeginEdit("Import Lyrics");
    KaraokeSong& song = edit.Song();
    std::vector<Owned<MKaraokeLine>> oldLines = std::move(song.lines);
    std::vector<Owned<MKaraokeWord>> oldWords = std::move(song.words);
    song.lines.clear();
    song.words.clear();

    LrcDocument lrc;
    if (!read(lrc)) {
        // Nothing read: the song is as it was, its lines among it.
        edit.Abort();
        PreviewRefresh();
        AudioControlsRefresh();
        return;
    }
    LoadEditorText();
    const bool keepOldTimes =
        !lrc.lines.empty() && wasPlaced &&
        App().Prompt().Ask(kMsgReplaceTiming, kAppCaption, PromptButtons::YesNo, PromptIcon::Question) != PromptAnswer::Yes;
    if (keepOldTimes) {
        // Back in place, the rebuild pairs the old times with the (new) text line by line.
        song.lines = std::move(oldLines);
        song.words = std::move(oldWords);
    }
    PreviewRefresh();
    edit.Commit();
    // The file's own times are a step of their own.
    if (!keepOldTimes && !lrc.lines.empty()) {
        App().Document().ApplyLrcTiming(lrc);
        PreviewRefresh();
    }
    AudioControlsRefresh();
}

void EditLyricsView::AddMusic()
{
    StopPlaying();
    QPointer<EditLyricsView> self(this);
    App().AddMusic();
    // New music rebuilds the view: this one is closed then and the new one shows everything.
    if (!self || Closed()) return;
    ShowMusicName();
    App().RefreshCaption();
    AudioControlsRefresh();
}

void EditLyricsView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls();
}

void EditLyricsView::LayoutControls()
{
    const int cx = width(), cy = height();
    const int modeTop = LayoutModeRow();

    // Top: the two import buttons and the play button; beside them the music's name and time
    // over the position slider.
    const int buttonH = std::max(m_import->sizeHint().height(), m_addMusic->sizeHint().height());
    const int rowH = std::max(buttonH, m_slider->sizeHint().height());
    int x = kMargin;
    m_import->setGeometry(x, kMargin, m_import->sizeHint().width(), buttonH);
    x += m_import->width() + kGap;
    m_addMusic->setGeometry(x, kMargin, m_addMusic->sizeHint().width(), buttonH);
    x += m_addMusic->width() + kGap;
    const int playSide = 2 * rowH;
    m_play->setGeometry(x, kMargin, playSide, playSide);
    x += playSide + kGap;
    const int timeW = m_timeLabel->fontMetrics().horizontalAdvance("000:00/000:00");
    m_timeLabel->setGeometry(cx - kMargin - timeW, kMargin, timeW, rowH);
    m_musicName->setGeometry(x, kMargin, std::max(1, cx - kMargin - timeW - kGap - x), rowH);
    ShowMusicName();
    m_slider->setGeometry(x, kMargin + rowH, std::max(1, cx - kMargin - x), rowH);

    // The editor keeps its share of the width; the preview takes the rest, as large as the
    // height lets it be at 4:3, and gives the editor the width it cannot use. The page arrows
    // keep a row of their own under the preview.
    const int top = kMargin + playSide + kGap;
    const int inner = std::max(1, cx - 2 * kMargin);
    // The waveform strip over the mode row, the editor and the preview above it.
    const int arrowH = std::max(m_left->sizeHint().height(), m_pageLabel->sizeHint().height());
    int bottomEdge = modeTop - kGap;
    if (const int stripH = WaveformHeightIn(bottomEdge - top - arrowH - kGap + 2 * kViewerInset)) {
        bottomEdge -= stripH;
        Waveform()->setGeometry(kMargin, bottomEdge, inner, stripH);
        bottomEdge -= kGap;
    }
    const int editorH = std::max(1, bottomEdge - top);
    const int previewRoom = std::max(1, inner - int(inner * m_split) - kGap);
    const QRect box = ScreenBox(QRect(0, 0, previewRoom, editorH - arrowH - kGap));
    const int previewW = box.width(), previewH = box.height();
    const int editorW = std::max(1, inner - kGap - previewW);
    // The count of lines that do not fit takes a row under the editor while there are any.
    const int fitH = m_fitLabel->isHidden() ? 0 : m_fitLabel->heightForWidth(editorW);
    m_editor->setGeometry(kMargin, top, editorW, std::max(1, editorH - (fitH ? fitH + kGap : 0)));
    m_fitLabel->setGeometry(kMargin, top + editorH - fitH, editorW, fitH);

    const int previewLeft = kMargin + editorW + kGap;
    m_previewFrame->setGeometry(previewLeft, top, previewW, previewH);
    if (Viewer())
        Viewer()->setGeometry(kViewerInset, kViewerInset, std::max(1, previewW - 2 * kViewerInset),
                              std::max(1, previewH - 2 * kViewerInset));

    const int arrowW = std::max(m_left->sizeHint().width(), arrowH);
    const int pageTextW = m_pageText->sizeHint().width();
    const int pageLabelW = m_pageLabel->minimumWidth();
    const int groupW = arrowW + kGap + pageTextW + kGap + pageLabelW + kGap + arrowW;
    int ax = previewLeft + (previewW - groupW) / 2;
    const int ay = top + previewH + kGap;
    m_left->setGeometry(ax, ay, arrowW, arrowH);
    ax += arrowW + kGap;
    m_pageText->setGeometry(ax, ay, pageTextW, arrowH);
    ax += pageTextW + kGap;
    m_pageLabel->setGeometry(ax, ay, pageLabelW, arrowH);
    ax += pageLabelW + kGap;
    m_right->setGeometry(ax, ay, arrowW, arrowH);

    const QSize grip = m_grip->sizeHint();
    m_grip->setGeometry(cx - grip.width(), cy - grip.height(), grip.width(), grip.height());
    update();
}
