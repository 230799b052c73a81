// The Edit Lyrics view: the editor and the song's text, the preview's pages and arrows, the
// music preview (play toggle, keys, slider, end of the music), the split ratio, the lyric
// import with its LRC times question, the find-lyrics dialog and the Lyrics Already Placed
// notice. Music plays through the null output in real time.
#include <QFontMetrics>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QInputMethodEvent>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <future>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/BackgroundWork.h"
#include "app/CommandIds.h"
#include "app/dialogs/ProgressDialog.h"
#include "app/widgets/CWaveformStrip.h"
#include "app/dialogs/EditLyricsWarningDialog.h"
#include "app/dialogs/FindLyricsDialog.h"
#include "app/views/EditLyricsView.h"
#include "player/KaraokePlayer.h"
#include "project/KaraokeSong.h"
#include "support/MidiWriter.h"
#include "support/MusicFiles.h"
#include "support/ScopedTempFolder.h"

namespace {

template <typename T>
T* Child(QWidget* view, const char* name)
{
    T* child = view->findChild<T*>(name);
    if (!child) qFatal("no %s", name);
    return child;
}

void WriteText(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

constexpr const char* kDuetWarningStart = "You have included \"Duet\" indicators";

} // namespace

class EditLyricsViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    EditLyricsView* View(TessavoxApp& app) { return qobject_cast<EditLyricsView*>(app.Frame()->View()); }

    // The app on a song with the given text (and music of the given length), in the Edit view.
    EditLyricsView* Open(TessavoxApp& app, Answers& answers, const std::string& lyrics, double musicSeconds = 0)
    {
        app.InitInstance(true);
        // As if typed: the song's history has the text.
        EditSong(app, [&](KaraokeSong& song) {
            song.settings.linesPerPage = 4;
            song.lyricText = lyrics;
        });
        if (musicSeconds > 0) {
            const QString wav = m_dir.filePath(QString("music%1.wav").arg(musicSeconds));
            if (!QFileInfo::exists(wav)) WriteToneWav(wav, musicSeconds);
            answers.paths << wav;
            app.AddMusic();
        }
        app.Document().Discard();
        app.SwitchView(ViewId::EditLyrics);
        if (!QTest::qWaitForWindowExposed(app.Frame())) return nullptr;
        return View(app);
    }

    // Places every word one second after the one before.
    static void PlaceAll(TessavoxApp& app)
    {
        EditSong(app, [](KaraokeSong& song) {
            song.GenerateKaraokeLineList(true, false);
            uint32_t t = 44100;
            for (auto& w : song.words) {
                w->start = t;
                w->end = t + 30000;
                w->line->placed = 1;
                t += 44100;
            }
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
    }

    void theEditorShowsTheSongAndEveryChangeGoesToIt()
    {
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "one two\r\nthree");
        QVERIFY(view && view->Usable());
        QPlainTextEdit* editor = view->Editor();
        QCOMPARE(editor->toPlainText(), QString("one two\nthree"));
        QVERIFY(editor->font().bold());
        QCOMPARE(editor->font().family(), QString("Arial"));
        QVERIFY(QFontMetrics(editor->font()).height() <= EditLyricsView::kLyricFontHeight);
        QTRY_VERIFY(editor->hasFocus());
        QVERIFY(!app.Document().Modified());

        QTextCursor cursor = editor->textCursor();
        cursor.movePosition(QTextCursor::End);
        editor->setTextCursor(cursor);
        // Space in the editor is a space, not a play command.
        QTest::keyClick(editor, Qt::Key_Space);
        QTest::keyClicks(editor, "four");
        QCOMPARE(app.Song().lyricText, std::string("one two\r\nthree four"));
        QVERIFY(app.Document().Modified());
        QVERIFY(!view->Playing());
        QCOMPARE(app.Song().words.size(), size_t(4));
        // No music: nothing to play, and the time stands at zero.
        QVERIFY(!Child<QPushButton>(view, "play")->isEnabled());
        QVERIFY(!Child<QSlider>(view, "slider")->isEnabled());
        QCOMPARE(Child<QLabel>(view, "timeLabel")->text(), QString("0:00/0:00"));
        QVERIFY(!view->ModeButton(1)->isEnabled());
        app.Document().Discard();
    }

    void aPageMarkMakesANewPageAndTheArrowsFollow()
    {
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "one\r\ntwo");
        auto* label = Child<QLabel>(view, "pageLabel");
        auto* left = Child<QPushButton>(view, "pageLeft");
        auto* right = Child<QPushButton>(view, "pageRight");
        QCOMPARE(label->text(), QString("1 of 1"));
        QVERIFY(!left->isEnabled() && !right->isEnabled());

        QPlainTextEdit* editor = view->Editor();
        QTextCursor cursor = editor->textCursor();
        cursor.movePosition(QTextCursor::End);
        editor->setTextCursor(cursor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, "^");
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, "three");
        QCOMPARE(label->text(), QString("1 of 2"));
        QCOMPARE(view->LastPage(), 1);
        QVERIFY(!left->isEnabled() && right->isEnabled());
        QVERIFY(editor->hasFocus()); // typing keeps the focus where it is

        QTest::mouseClick(right, Qt::LeftButton);
        QCOMPARE(label->text(), QString("2 of 2"));
        QCOMPARE(view->PreviewPage(), 1);
        QVERIFY(left->isEnabled() && !right->isEnabled());
        // The arrow that went grey under the focus hands it to the other one.
        QTRY_VERIFY(left->hasFocus());

        // Deleting the second page shows what is now the last page.
        editor->setFocus();
        cursor.movePosition(QTextCursor::End);
        editor->setTextCursor(cursor);
        for (int i = 0; i < int(std::strlen("\n^\nthree")); ++i) QTest::keyClick(editor, Qt::Key_Backspace);
        QCOMPARE(editor->toPlainText(), QString("one\ntwo"));
        QCOMPARE(view->PreviewPage(), 0);
        QCOMPARE(label->text(), QString("1 of 1"));
        QVERIFY(!left->isEnabled() && !right->isEnabled());

        // A song of 1,251 pages: its label is wide enough for the last page's.
        QString pages = "one";
        for (int i = 1; i < 1251; ++i) pages += "\n^\nw";
        editor->setPlainText(pages);
        QTRY_COMPARE(view->LastPage(), 1250);
        QCOMPARE(label->text(), QString("1 of 1,251"));
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance("1,251 of 1,251"));
        app.Document().Discard();
    }

    void spaceOnThePlayButtonOrTheSliderPlaysAndPauses()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp1").toStdString());
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "la la", 3);
        auto* play = Child<QPushButton>(view, "play");
        auto* slider = Child<QSlider>(view, "slider");
        QVERIFY(play->isEnabled() && slider->isEnabled());
        QCOMPARE(slider->maximum(), int(3 * 44100 / 147));
        QCOMPARE(slider->singleStep(), 300);
        QCOMPARE(Child<QLabel>(view, "timeLabel")->text(), QString("0:00/0:03"));
        QVERIFY(SongView::HasGreenFace(play));
        QVERIFY(view->ModeButton(1)->isEnabled());

        play->setFocus();
        QTest::keyPress(play, Qt::Key_Space);
        QVERIFY(view->Playing());
        QVERIFY(GlobalPlayerIsPlaying());
        QVERIFY(!SongView::HasGreenFace(play));
        QCOMPARE(play->accessibleName(), QString("Pause"));
        // Every other mode waits until the music stops.
        for (int i = 1; i < SongView::kModeCount; ++i) QVERIFY(!view->ModeButton(i)->isEnabled());
        QTest::keyRelease(play, Qt::Key_Space); // does not click the button again
        QVERIFY(view->Playing());
        QTest::qWait(300);
        QVERIFY(GlobalPlayer()->Position() > 0);

        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Space);
        QVERIFY(!view->Playing());
        QVERIFY(!GlobalPlayerIsPlaying());
        QVERIFY(SongView::HasGreenFace(play));
        QVERIFY(view->ModeButton(1)->isEnabled());
        QTest::qWait(150); // the timer keeps the place where the music stopped
        QVERIFY(view->PlayPosition() > 0);

        // Page keys on the play button go to the slider.
        play->setFocus();
        const int before = slider->value();
        QTest::keyClick(play, Qt::Key_PageUp);
        QVERIFY(slider->hasFocus());
        QCOMPARE(slider->value(), std::min(slider->maximum(), before + slider->pageStep()));
        QCOMPARE(view->PlayPosition(), uint32_t(slider->value()) * EditLyricsView::kFramesPerStep);
    }

    void draggingTheSliderPausesAndResumesFromTheNewPlace()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp2").toStdString());
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "la la", 4);
        auto* play = Child<QPushButton>(view, "play");
        auto* slider = Child<QSlider>(view, "slider");
        play->click();
        QVERIFY(view->Playing());
        QTest::qWait(200);

        slider->setSliderDown(true); // the user takes the handle
        QVERIFY(view->PausedForDragging());
        QVERIFY(!GlobalPlayerIsPlaying());
        QCOMPARE(play->accessibleName(), QString("Pause")); // the face waits for the drag
        const int target = 2 * 300; // two seconds
        slider->setSliderPosition(target);
        QCOMPARE(view->PlayPosition(), uint32_t(target) * EditLyricsView::kFramesPerStep);
        QCOMPARE(Child<QLabel>(view, "timeLabel")->text(), QString("0:02/0:04"));
        QTest::qWait(150); // the timer leaves a dragged handle alone
        QCOMPARE(slider->value(), target);

        slider->setSliderDown(false);
        QVERIFY(!view->PausedForDragging());
        QVERIFY(view->Playing());
        QVERIFY(GlobalPlayerIsPlaying());
        // Playing again from two seconds (a start lands at most one segment early).
        QTRY_VERIFY(GlobalPlayer()->Position() > uint32_t(2 * 44100 - 8000));
        QVERIFY(GlobalPlayer()->Position() < uint32_t(3 * 44100));
        play->click();
    }

    void theEndOfTheMusicTurnsTheButtonBackAndTheSliderToZero()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp3").toStdString());
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "la la", 1);
        auto* play = Child<QPushButton>(view, "play");
        auto* slider = Child<QSlider>(view, "slider");
        play->click();
        QVERIFY(view->Playing());
        QTRY_VERIFY(slider->value() > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!view->Playing(), 3000);
        QCOMPARE(slider->value(), 0);
        QCOMPARE(view->PlayPosition(), 0u);
        QVERIFY(SongView::HasGreenFace(play));
        QCOMPARE(play->accessibleName(), QString("Play"));
        QCOMPARE(Child<QLabel>(view, "timeLabel")->text(), QString("0:00/0:01"));
        QVERIFY(view->ModeButton(1)->isEnabled());
    }

    void addMusicShowsTheMusicByName()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp4").toStdString());
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "la la");
        const QString wav = m_dir.filePath("rock & roll.wav");
        WriteToneWav(wav, 1);
        auto waveRows = [](CWaveformStrip* strip, int x) {
            const QImage image = strip->grab().toImage();
            int rows = 0;
            for (int y = 0; y < image.height(); ++y)
                rows += image.pixel(x, y) == QColor(ColourRed(WaveformStrip::kWave), ColourGreen(WaveformStrip::kWave),
                                                    ColourBlue(WaveformStrip::kWave)).rgb();
            return rows;
        };
        QCOMPARE(waveRows(view->Waveform(), 5), 0); // no music yet
        answers.paths << wav;
        const size_t asked = answers.choices.size();
        Child<QPushButton>(view, "addMusic")->click();
        QCOMPARE(answers.choices.at(asked).title, QString("Select Music File"));
        // The music rebuilt the view; the new one names the music, "&" doubled for the label.
        EditLyricsView* now = View(app);
        QVERIFY(now != view);
        auto* name = Child<QLabel>(now, "musicName");
        QCOMPARE(name->toolTip(), wav);
        QTRY_VERIFY(name->text().endsWith("rock && roll.wav"));
        QVERIFY(Child<QPushButton>(now, "play")->isEnabled());
        QVERIFY(now->ModeButton(1)->isEnabled());
        // Its strip shows the second of tone at the start: wave in its first columns, none later.
        CWaveformStrip* strip = now->Waveform();
        QVERIFY(waveRows(strip, strip->ColumnOf(22050)) > 4);
        QCOMPARE(waveRows(strip, strip->ColumnOf(3 * 44100)), 0);
        // Cancelled: the view stays as it was.
        Child<QPushButton>(now, "addMusic")->click();
        QCOMPARE(View(app), now);
        app.Document().Discard();
    }

    void theSplitRatioComesFromTheSettings()
    {
        Answers answers;
        TessavoxApp app;
        double ratio = 0.3;
        app.Settings().SetBytes(AppSettings::kSettings, "EditLyricsSplit",
                                QByteArray(reinterpret_cast<const char*>(&ratio), sizeof ratio));
        EditLyricsView* view = Open(app, answers, "la");
        QCOMPARE(view->SplitRatio(), 0.3);
        app.Frame()->resize(900, 600);
        auto* frame = Child<QWidget>(view, "previewFrame");
        // The editor keeps its share; the preview beside it, as tall as the arrows under it
        // let it be, gives back the width it cannot use.
        QTRY_VERIFY(view->Editor()->width() >= int((view->width() - 22) * 0.3));
        QCOMPARE(frame->x(), view->Editor()->geometry().right() + 1 + 7);
        QCOMPARE(frame->geometry().right(), view->width() - 11 - 1);
        QVERIFY(std::abs(frame->width() * 3 - frame->height() * 4) <= 4);
        // The page arrows sit under the preview, above the mode row.
        auto* left = Child<QPushButton>(view, "pageLeft");
        QVERIFY(left->y() >= frame->geometry().bottom() + 7);
        QVERIFY(left->geometry().bottom() < view->ModeButton(0)->y());
        // A ratio that leaves no room is not used.
        ratio = 1.5;
        app.Settings().SetBytes(AppSettings::kSettings, "EditLyricsSplit",
                                QByteArray(reinterpret_cast<const char*>(&ratio), sizeof ratio));
        app.SwitchView(ViewId::EditLyrics);
        QCOMPARE(View(app)->SplitRatio(), EditLyricsView::kDefaultSplit);
        app.Settings().SetBytes(AppSettings::kSettings, "EditLyricsSplit", QByteArray());
    }

    void anLrcImportOverPlacedLyricsAsksBeforeReplacingTheTimes()
    {
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "one two\r\nthree four");
        const KaraokeSong& song = app.Song();
        PlaceAll(app);
        const QString lrc = m_dir.filePath("song.lrc");
        WriteText(lrc, "[ti:Song]\n[00:05.00]<00:05.00>one <00:05.50>two <00:06.00>\n"
                       "[00:07.00]<00:07.00>three <00:07.50>four <00:08.00>\n");

        // No: the new text, the old times.
        answers.paths << lrc;
        answers.answers = {PromptAnswer::No};
        view->ImportLyrics();
        QCOMPARE(answers.choices.back().title, QString("Select Lyrics File"));
        QCOMPARE(answers.choices.back().filters.size(), 5);
        QCOMPARE(answers.choices.back().filters.back(), QString("UltraStar Songs (*.txt)"));
        QVERIFY(answers.boxes.size() >= 1);
        const auto& question = answers.boxes.back();
        QCOMPARE(question.text, std::string(
                                    "The LRC file you selected contains timing values\nfor the lyrics. However, timing "
                                    "values have already\nbeen placed for this project.\n\nWould you like to replace "
                                    "the current timing values\nwith those found in the LRC file?"));
        QCOMPARE(question.icon, PromptIcon::Question);
        QCOMPARE(view->Editor()->toPlainText(), QString("one two \nthree four "));
        QCOMPARE(song.words.size(), size_t(4));
        QCOMPARE(song.words[0]->start, 44100u);
        QCOMPARE(song.words[3]->start, 4 * 44100u);
        QCOMPARE(app.LyricsFolder(), m_dir.path());

        // Yes: the file's times.
        answers.paths << lrc;
        answers.answers = {PromptAnswer::Yes};
        view->ImportLyrics();
        QCOMPARE(song.words[0]->start, 500u * 441);
        QCOMPARE(song.words[1]->start, 550u * 441);
        QCOMPARE(song.words[3]->end, 800u * 441); // on the closing tag
        QVERIFY(song.lines[0]->placed);

        // Cancelled: nothing changes, the times stay.
        view->ImportLyrics();
        QCOMPARE(song.words[0]->start, 500u * 441);
        QCOMPARE(song.words.size(), size_t(4));
        app.Document().Discard();
    }

    void aPlainTextImportAsksNothingAndAFailedOneKeepsTheSong()
    {
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "old words");
        PlaceAll(app);
        const QString txt = m_dir.filePath("new.txt");
        WriteText(txt, "new \xE2\x80\x99words\nsecond line\n");
        answers.paths << txt;
        view->ImportLyrics();
        QCOMPARE(answers.boxes.size(), size_t(0));
        QCOMPARE(app.Song().lyricText, std::string("new \u2019words\r\nsecond line"));
        QCOMPARE(view->Editor()->toPlainText(), QString("new \u2019words\nsecond line"));
        QCOMPARE(app.Song().words[0]->start, 0u); // a new text starts untimed

        const QString empty = m_dir.filePath("empty.txt");
        WriteText(empty, "");
        answers.findLyrics = [](FindLyricsDialog& dialog) {
            dialog.ImportLocalFile();
            return int(QDialog::Rejected); // the user gives up after the message
        };
        answers.paths << empty;
        view->ImportLyrics();
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].icon, PromptIcon::Stop);
        QCOMPARE(app.Song().lyricText, std::string("new \u2019words\r\nsecond line"));
        QCOMPARE(app.Song().words.size(), size_t(4));
        app.Document().Discard();
    }

    // Add Music reads an MP3 in a progress box that says what it reads; Escape stops it and the
    // song is exactly as it was: its music, no new step, the same project bytes. A text file
    // named .mp3 is refused with a sentence that names it.
    void readingMusicIsCancelledByEscapeAndATextFileIsNamedAsNoMusic()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp-cancel").toStdString());
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "keep these words", 2);
        QVERIFY(view);
        const std::string project = m_dir.filePath("cancel.tvx").toStdString();
        auto savedBytes = [&] {
            if (!app.Document().SaveAs(project).Succeeded()) return QByteArray();
            QFile file(QString::fromStdString(project));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = savedBytes();
        QVERIFY(!before.isEmpty());
        const QString music = app.MusicSourcePath();
        const bool couldUndo = app.Document().CanUndo();
        const std::string mp3 = MakeMusic(m_dir.path().toStdString(), "long.mp3", 120 * 44100, 44100, 2);

        // Once the decode is under way, Escape on the box; the decode waits until the window
        // has seen it.
        std::promise<void> pressed;
        std::future<void> seen = pressed.get_future();
        std::atomic<bool> once{false};
        QString shown;
        BackgroundWork::SetProgressObserverForTesting([&](int percent) {
            if (percent < 1 || once.exchange(true)) return;
            QMetaObject::invokeMethod(
                qApp,
                [&] {
                    if (auto* box = qobject_cast<ProgressDialog*>(QApplication::activeModalWidget())) {
                        shown = box->Text();
                        QTest::keyClick(box, Qt::Key_Escape);
                    }
                    QTimer::singleShot(10 * BackgroundWork::kPollMs, qApp, [&] { pressed.set_value(); });
                },
                Qt::QueuedConnection);
            seen.wait();
        });
        answers.paths << QString::fromStdString(mp3);
        Child<QPushButton>(view, "addMusic")->click();
        BackgroundWork::SetProgressObserverForTesting(nullptr);
        QVERIFY2(shown.startsWith("Reading music... long.mp3 ("), qPrintable(shown));
        QCOMPARE(answers.boxes.size(), size_t(0));
        QCOMPARE(app.MusicSourcePath(), music);
        QVERIFY(!app.Document().Modified());
        QCOMPARE(app.Document().CanUndo(), couldUndo);
        QCOMPARE(savedBytes(), before);

        // Not music: the box names the file and says so, and Add Music asks for another.
        const QString text = m_dir.filePath("words.mp3");
        WriteText(text, QByteArray(4000, 'x'));
        answers.paths << text;
        answers.answers = {PromptAnswer::No};
        app.AddMusic();
        QCOMPARE(answers.boxes.size(), size_t(1));
        const QString said = QString::fromStdString(answers.boxes[0].text);
        QVERIFY2(said.contains("\"" + text + "\" is not a music file"), qPrintable(said));
        app.Document().Discard();
    }

    void music48kHzIsConvertedAndSaidAndAKarFilesWordsComeInTimed()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp-kar").toStdString());
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "old words");
        const std::string fast = MakeMusic(m_dir.path().toStdString(), "fast.wav", 48000, 48000, 1, "-c:a pcm_s16le");
        answers.paths << QString::fromStdString(fast);
        Child<QPushButton>(view, "addMusic")->click();
        QCOMPARE(app.Frame()->statusBar()->currentMessage(), QString("Converted from 48,000 Hz mono to 44,100 Hz stereo."));
        QCOMPARE(answers.choices.back().filters.back(), QString("All Files (*)"));
        view = View(app);

        // 96 ticks a quarter at 120 beats a minute: "Hel" at 0.5 s, "lo" at 0.75 s, "world" at 1 s.
        MidiWriter words;
        words.Meta(96, 0x05, "Hel");
        words.Meta(144, 0x05, "lo ");
        words.Meta(192, 0x05, "world");
        const QString kar = m_dir.filePath("hello.kar");
        const std::string bytes = MidiWriter::File({words}, 96);
        WriteText(kar, QByteArray(bytes.data(), qsizetype(bytes.size())));
        answers.paths << kar;
        view->ImportLyrics();
        QCOMPARE(app.Song().lyricText, std::string("Hel*lo world"));
        QCOMPARE(app.Song().words.size(), size_t(3));
        QCOMPARE(app.Song().words[0]->start, 22050u);
        QCOMPARE(app.Song().words[1]->start, 33075u);
        QCOMPARE(app.Song().words[2]->start, 44100u);
        QCOMPARE(app.Song().words[2]->end, 2 * 44100u);
        app.Document().Discard();
    }

    void theFindLyricsDialogKeepsTheCustomAddress()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        app.Document().SetArtistAndTitle("The Band", "A Song");
        FindLyricsDialog dialog(app, nullptr);
        QVERIFY(dialog.findChild<QLabel*>()->text() == QString("Choose a lyric website to search:"));
        QPushButton* local = nullptr;
        for (auto* b : dialog.findChildren<QPushButton*>())
            if (b->text() == "Local File...") local = b;
        QVERIFY(local);
        QVERIFY(dialog.SearchAddress().contains("The%20Band%20A%20Song"));
        dialog.CustomAddress()->setText("https://lyrics.example/find?q=%s");
        dialog.Sites()->setCurrentRow(dialog.Sites()->count() - 1);
        QCOMPARE(dialog.SearchAddress(), QString("https://lyrics.example/find?q=The%20Band%20A%20Song"));
        QString opened;
        FindLyricsDialog::SetOpenerForTesting([&](const QString& a) { opened = a; });
        QVERIFY(dialog.OpenSearch());
        QCOMPARE(opened, dialog.SearchAddress());
        QCOMPARE(app.Settings().String(AppSettings::kDefault, "CustomLyricsURL"),
                 QString("https://lyrics.example/find?q=%s"));
        // The next dialog starts with it.
        FindLyricsDialog again(app, nullptr);
        QCOMPARE(again.CustomAddress()->text(), QString("https://lyrics.example/find?q=%s"));

        // "Local File..." remembers the filter and the folder; cancelling imports nothing.
        answers.paths << "";
        QVERIFY(!again.ImportLocalFile());
        QVERIFY(!again.Imported());
    }

    void theNoticeOpensShortAndMoreShowsTheSafeEdits()
    {
        EditLyricsWarningDialog notice;
        QCOMPARE(notice.windowTitle(), QString("Lyrics Already Placed"));
        notice.show();
        QVERIFY(QTest::qWaitForWindowExposed(&notice));
        const int shortHeight = notice.height();
        QCOMPARE(notice.MoreButton()->text(), QString("More >>"));
        // It ends just below "More >>".
        QVERIFY(notice.height() - notice.MoreButton()->geometry().bottom() < 20);
        QTest::mouseClick(notice.MoreButton(), Qt::LeftButton);
        QCOMPARE(notice.MoreButton()->text(), QString("<< Less"));
        QTRY_VERIFY(notice.height() > shortHeight + notice.ExtraHeight() / 2);
        bool found = false;
        for (auto* label : notice.findChildren<QLabel*>())
            found = found || (label->isVisible() && label->text().startsWith("- Insert ONE new blank line"));
        QVERIFY(found);
        QTest::mouseClick(notice.MoreButton(), Qt::LeftButton);
        QCOMPARE(notice.MoreButton()->text(), QString("More >>"));
        QTRY_COMPARE(notice.height(), shortHeight);
    }

    void aSongWithoutALyricsPageIsClosedWithAMessage()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        EditSong(app, [](KaraokeSong& s) {
            s.ClearPages();
            s.lyricText = "words";
        });
        app.SwitchView(ViewId::EditLyrics);
        QVERIFY(answers.Asked("Tessavox"));
        QCOMPARE(answers.boxes[0].text, std::string("There is a problem with the project you opened."));
        QCOMPARE(answers.boxes[0].icon, PromptIcon::Stop);
        QVERIFY(!answers.Asked("Confirm Closing Project"));
        // Closed: a fresh song in a working view.
        QCOMPARE(app.Song().lyricText, std::string());
        QVERIFY(app.Song().FindPage(kPageLyrics));
        QVERIFY(View(app) && View(app)->Usable());
    }

    void theDuetWarningComesOnceWhileTyping()
    {
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "solo line");
        QPlainTextEdit* editor = view->Editor();
        QTextCursor cursor = editor->textCursor();
        cursor.movePosition(QTextCursor::End);
        editor->setTextCursor(cursor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, "&second voice");
        auto warnings = [&] {
            size_t n = 0;
            for (const auto& b : answers.boxes) n += b.text.rfind(kDuetWarningStart, 0) == 0;
            return n;
        };
        QCOMPARE(warnings(), size_t(1));
        // Gone and back: told again.
        cursor.movePosition(QTextCursor::End);
        editor->setTextCursor(cursor);
        for (int i = 0; i < int(std::strlen("&second voice")); ++i) QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, "&again");
        QCOMPARE(warnings(), size_t(2));
        app.Document().Discard();
    }

    void aTypedCharacterNoFontCanDrawMarksItsLine()
    {
        Answers answers;
        TessavoxApp app;
        EditLyricsView* view = Open(app, answers, "First line\r\nПривет мир\r\nlast");
        QVERIFY(view);
        QPlainTextEdit* editor = view->Editor();
        auto* label = Child<QLabel>(view, "fitLabel");
        // Cyrillic is drawn: nothing is marked.
        QVERIFY(view->LinesUndrawable().isEmpty());
        QVERIFY(label->isHidden());

        // A private-use character, which no installed font has, typed into the second line as an
        // input method hands its text over.
        QTextCursor cursor(editor->document()->findBlockByNumber(1));
        cursor.movePosition(QTextCursor::EndOfBlock);
        editor->setTextCursor(cursor);
        QInputMethodEvent typed;
        typed.setCommitString(QString(QChar(0xE000)));
        QApplication::sendEvent(editor, &typed);
        QCOMPARE(view->LinesUndrawable(), QList<int>{1});
        const QList<QTextEdit::ExtraSelection> marks = editor->extraSelections();
        QCOMPARE(marks.size(), 2); // the line, and the character underlined
        QCOMPARE(marks[0].cursor.block().blockNumber(), 1);
        QCOMPARE(marks[1].cursor.selectedText(), QString(QChar(0xE000)));
        QCOMPARE(marks[1].format.underlineStyle(), QTextCharFormat::WaveUnderline);
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QString::fromUtf8("1 line has characters that no installed font can draw (empty boxes on "
                                                  "the screen): \"\uE000\" (U+E000)"));
        // The song keeps the character: the screen shows the font's box for it.
        QVERIFY(app.Song().lyricText.find("\uE000") != std::string::npos);

        QTest::keyClick(editor, Qt::Key_Backspace);
        QVERIFY(view->LinesUndrawable().isEmpty());
        QVERIFY(editor->extraSelections().isEmpty());
        QVERIFY(label->isHidden());
        app.Document().Discard();
    }

    void linesTooWideAreMarkedAndFitLongLinesBreaksThemAsOneEdit()
    {
        Answers answers;
        TessavoxApp app;
        // 40 characters: wider than the screen at the default 24-pixel bold face.
        const QString longLine = "Night light river fire forever and ever!";
        EditLyricsView* view = Open(app, answers, "Short line\r\n^\r\n" + longLine.toStdString());
        QVERIFY(view);
        QPlainTextEdit* editor = view->Editor();
        auto* label = Child<QLabel>(view, "fitLabel");
        QAction* fit = app.Frame()->FitLongLinesAction();
        QVERIFY(app.Frame()->menuBar()->actions()[1]->menu()->actions().contains(fit));
        QCOMPARE(fit->text(), QString("&Fit Long Lines"));

        // The long line is marked where it stands in the editor, over all of its rows.
        QCOMPARE(view->LinesTooWide(), QList<int>{2});
        QList<QTextEdit::ExtraSelection> marks = editor->extraSelections();
        QCOMPARE(marks.size(), 1);
        QCOMPARE(marks[0].cursor.block().blockNumber(), 2);
        QCOMPARE(marks[0].cursor.selectedText(), longLine);
        QVERIFY(marks[0].format.hasProperty(QTextFormat::FullWidthSelection));
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QString("1 line is too wide for the screen (Edit > Fit Long Lines)"));
        QCOMPARE(label->height(), label->heightForWidth(editor->width()));
        QVERIFY(label->height() >= label->fontMetrics().height());
        QVERIFY(editor->geometry().bottom() < label->geometry().top());
        QVERIFY(label->geometry().bottom() < view->ModeButton(0)->geometry().top());
        const int markedHeight = editor->height();
        app.Frame()->UpdateCommandStates();
        QVERIFY(fit->isEnabled());

        fit->trigger();
        const QStringList lines = editor->toPlainText().split('\n');
        QVERIFY(lines.size() >= 4);
        QCOMPARE(lines.mid(0, 2), (QStringList{"Short line", "^"}));
        QCOMPARE(lines.mid(2).join(' '), longLine);
        QCOMPARE(app.Song().lyricText, editor->toPlainText().replace("\n", "\r\n").toStdString());
        QVERIFY(view->LinesTooWide().isEmpty());
        QVERIFY(editor->extraSelections().isEmpty());
        QVERIFY(label->isHidden());
        QVERIFY(editor->height() > markedHeight);
        app.Frame()->UpdateCommandStates();
        QVERIFY(!fit->isEnabled());

        // One Undo (the window's, as Ctrl+Z gives it) takes the whole command back; typing
        // another long line marks both.
        QCOMPARE(app.Document().UndoName(), std::string("Fit Long Lines"));
        app.RunCommand(CommandId::EditUndo);
        QCOMPARE(app.Frame()->View(), view);
        QCOMPARE(editor->toPlainText(), "Short line\n^\n" + longLine);
        QCOMPARE(view->LinesTooWide(), QList<int>{2});
        QTextCursor cursor = editor->textCursor();
        cursor.movePosition(QTextCursor::End);
        editor->setTextCursor(cursor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, longLine);
        QCOMPARE(view->LinesTooWide(), (QList<int>{2, 3}));
        QCOMPARE(editor->extraSelections().size(), 2);
        QCOMPARE(label->text(), QString("2 lines are too wide for the screen (Edit > Fit Long Lines)"));
        app.Document().Discard();
    }
};

QTEST_MAIN(EditLyricsViewTest)
#include "EditLyricsViewTest.moc"
