// Play Final: the finished stream played against the music, paused, resumed and dragged.
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <set>

#include "AppTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/CPlaySongDlg.h"
#include "audio/WavOutFile.h"
#include "player/MRwRenderer.h"
#include "player/MRwStreamSnapshot.h"
#include "project/MSongSettings.h"
#include "support/ScopedTempFolder.h"

class PlaySongDlgTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A project of two placed lines over a short tone, opened in the window, on Play Final.
    CPlaySongDlg* OpenOnPlayFinal(CTessavoxApp& app)
    {
        const QString wav = m_dir.filePath("tone.wav");
        WavOutFile out;
        if (!out.Create(wav.toStdString(), 44100, 16, 2)) return nullptr;
        std::vector<int16_t> samples(44100 * 2 * 2, 1000);
        out.Write(samples);
        out.Close();
        MSongSettings song(m_dir.filePath("play.tvx").toStdString());
        song.lyricText = "hello there\nbye";
        song.GenerateKaraokeLineList(true, false);
        uint32_t t = 4410;
        for (auto& w : song.words) {
            w->start = t;
            w->end = t + 8000;
            t += 11025;
        }
        for (auto& l : song.lines) l->placed = 1;
        song.musicPath = wav.toStdString();
        song.Save();
        app.InitInstance(false);
        if (!app.OpenProject(m_dir.filePath("play.tvx"))) return nullptr;
        app.RunCommand(CommandId::ModePlayFinal);
        return qobject_cast<CPlaySongDlg*>(app.Frame()->View());
    }

    std::set<int> Screen(const MRwRenderer& r)
    {
        std::set<int> shown;
        for (int y = 12; y < 204; ++y)
            for (int x = 6; x < 294; ++x) shown.insert(r.Pixel(x, y));
        return shown;
    }

private slots:
    void spacePausesAndResumesFromTheSamePlace()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaySongDlg* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
        QVERIFY(view->Slider()->maximum() > 0);

        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(view->Playing());
        QVERIFY(app.IsPlaying());
        QCOMPARE(view->PlayButton()->text(), QString("Pause (SB)"));
        QVERIFY(!view->ModeButton(0)->isEnabled()); // the mode row waits while playing
        QTest::qWait(400);
        view->OnTimer();
        const uint32_t paused = view->PlayPosition();
        QVERIFY(paused > 0);
        QCOMPARE(view->Slider()->value(), int(paused / 147));
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(!view->Playing());
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(view->Playing());
        QVERIFY(app.IsPlaying());
        view->StopPlaying();
        QVERIFY(view->PlayPosition() >= paused);
    }

    void theEndOfTheSongReturnsToTheStartWithAClearScreen()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp2").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaySongDlg* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        view->Slider()->setValue(view->Slider()->maximum() - 50); // a third of a second before the end
        view->PlayToggle();
        QVERIFY(view->Playing());
        QTRY_VERIFY_WITH_TIMEOUT((view->OnTimer(), !view->Playing()), 5000);
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
        QCOMPARE(view->Slider()->value(), 0);
        QCOMPARE(view->PlayPosition(), 0u);
        QCOMPARE(Screen(*view->Renderer()), (std::set<int>{15}));
    }

    void draggingTheSliderShowsTheScreenOfThatMoment()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp3").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaySongDlg* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        const uint32_t leadIn = view->StreamStart();
        // After both words of the first line: swept text shows the sweep colour.
        view->Slider()->setValue(int((leadIn + 4410 + 2 * 11025) / 147));
        QVERIFY(Screen(*view->Renderer()).count(14));
        // Back to just after the lines were drawn: the screen is built again from the start of
        // the stream and shows what playing forward to that moment shows.
        const int back = 100;
        view->Slider()->setValue(back);
        MRwStreamSnapshot forward(app.Song().streamBuffer);
        forward.ExecuteUntil(size_t(back) + 1);
        for (int y = 12; y < 204; ++y)
            for (int x = 6; x < 294; ++x)
                QCOMPARE(view->Renderer()->Pixel(x, y), forward.Renderer().Pixel(x, y));
        QVERIFY(Screen(*view->Renderer()).count(12));
        view->Slider()->setValue(0);
        QCOMPARE(Screen(*view->Renderer()), (std::set<int>{15}));
        QCOMPARE(view->PlayPosition(), uint32_t(view->Slider()->value()) * 147);
    }
};

QTEST_MAIN(PlaySongDlgTest)
#include "PlaySongDlgTest.moc"
