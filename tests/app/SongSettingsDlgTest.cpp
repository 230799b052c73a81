// The song settings sheet: its tabs and sizing, the rectangle it remembers, the Settings command
// on a working copy, and the lyrics tab's rules for lines, erasing, sweep, singers and colours.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"
#include "SettingsTestSupport.h"
#include "app/AppSettings.h"
#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/LyricsPageDialog.h"
#include "app/dialogs/SongSettingsDialog.h"
#include "app/dialogs/DuetDialog.h"
#include "app/views/SongView.h"
#include "app/widgets/CAdvanceSweepSpin.h"
#include "app/widgets/CColorButton.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"

class SongSettingsDlgTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings m_settings;
    QtUserPrompt m_prompt;
    QString m_graphics;

    // The working copy takes the descriptions.
    SettingsDlgContext Context() { return {nullptr, &m_prompt, &m_graphics, &m_settings}; }

    // Clicks "Duet" and saves the descriptions dialog that it opens, which names the colours
    // the duet's lines take: those the page's Singer2: and Both: buttons hold.
    static void ChooseDuet(QWidget& page, const QString& singer1 = {})
    {
        const QString singer2 = Child<CColorButton>(page, "singer2")->toolTip();
        OnNextModal<DuetDialog>([singer1, singer2](DuetDialog& d) {
            QVERIFY(!d.ColourNote()->isHidden());
            QVERIFY2(d.ColourNote()->text().contains(singer2), qPrintable(d.ColourNote()->text()));
            if (!singer1.isEmpty()) d.Field(0)->setText(singer1);
            Child<QPushButton>(d, "save")->click();
        });
        Child<QRadioButton>(page, "duet")->click();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
    }

    void theSheetHasItsTabsAndKeepsItsButtonsAtTheLowerRight()
    {
        KaraokeSong song;
        SongSettingsDialog dialog(song, Context());
        QCOMPARE(dialog.windowTitle(), QString("Karaoke Song Settings"));
        QTabWidget* tabs = dialog.Tabs();
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QString("Title Page"));
        QCOMPARE(tabs->tabText(1), QString("Lyrics"));
        QCOMPARE(tabs->tabText(2), QString("Credits Page"));
        QCOMPARE(tabs->currentIndex(), SongSettingsDialog::kLyricsTab);

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QSize first = dialog.size();
        QCOMPARE(dialog.minimumSize(), first);
        const QSize tabsBefore = tabs->size();
        dialog.resize(first + QSize(120, 90));
        QTRY_COMPARE(dialog.size(), first + QSize(120, 90));
        QCOMPARE(tabs->size(), tabsBefore + QSize(120, 90));
        QPushButton* ok = dialog.OkButton();
        QPushButton* cancel = dialog.CancelButton();
        QCOMPARE(cancel->geometry().right(), dialog.width() - 1 - SongSettingsDialog::kEdge);
        QCOMPARE(cancel->geometry().bottom(), dialog.height() - 1 - SongSettingsDialog::kEdge);
        QVERIFY(ok->geometry().right() < cancel->geometry().left());
        QCOMPARE(ok->geometry().bottom(), cancel->geometry().bottom());
        // Smaller than it opened is not allowed.
        dialog.resize(first - QSize(50, 50));
        QVERIFY(dialog.width() >= first.width() && dialog.height() >= first.height());
        dialog.reject();
    }

    void theSheetRemembersItsRectangle()
    {
        KaraokeSong song;
        QRect closedAt;
        {
            SongSettingsDialog dialog(song, Context());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.setGeometry(QRect(QPoint(40, 30), dialog.size() + QSize(30, 20)));
            QTRY_COMPARE(dialog.geometry().topLeft(), QPoint(40, 30));
            closedAt = dialog.geometry();
            dialog.accept();
        }
        const QByteArray bytes = m_settings.Bytes(AppSettings::kSettings, "SettingsWindowPos");
        QCOMPARE(bytes.size(), 16);
        QCOMPARE(m_settings.Rect(AppSettings::kSettings, "SettingsWindowPos"), closedAt);
        // Little-endian left, top, right, bottom.
        QCOMPARE(int(uint8_t(bytes[0])), 40);
        QCOMPARE(int(uint8_t(bytes[4])), 30);
        QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 8), closedAt.right() + 1);

        SongSettingsDialog again(song, Context());
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QTRY_COMPARE(again.geometry(), closedAt);
        again.reject();
    }

    void okWritesTheCopyBackAndRebuildsTheView()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        QPointer<SongView> view = app.Frame()->View();
        QVERIFY(!app.Document().Modified());
        bool shown = false;
        OnNextModal<SongSettingsDialog>([&shown](SongSettingsDialog& d) {
            shown = true;
            auto* lines = Child<QComboBox>(*d.LyricsPage(), "lines");
            lines->setCurrentIndex(lines->findText("5"));
            Child<QRadioButton>(*d.LyricsPage(), "sweepBackground")->click();
            d.OkButton()->click();
        });
        app.RunCommand(CommandId::Settings);
        QVERIFY(shown);
        QCOMPARE(app.Song().settings.linesPerPage, 5);
        QCOMPARE(app.Song().settings.sweepKind, 1);
        QVERIFY(app.Document().Modified());
        QVERIFY(app.Frame()->View() && app.Frame()->View() != view.data());
        QTRY_VERIFY(view.isNull());
    }

    void cancelKeepsTheSongButTheDescriptions()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        EditSong(app, [](KaraokeSong& song) { song.artist = "Someone"; });
        OnNextModal<SongSettingsDialog>([](SongSettingsDialog& d) {
            auto* lines = Child<QComboBox>(*d.LyricsPage(), "lines");
            lines->setCurrentIndex(lines->findText("6"));
            ChooseDuet(*d.LyricsPage(), "Alto");
            QCOMPARE(Items(*lines), QStringList({"3", "4", "5", "6"}));
            d.CancelButton()->click();
        });
        app.RunCommand(CommandId::Settings);
        QCOMPARE(app.Song().settings.linesPerPage, 4);
        QCOMPARE(app.Song().settings.singerCount, 1);
        QCOMPARE(app.Song().artist, std::string("Someone"));
        // The descriptions dialog's Save is a step of the song's own.
        QCOMPARE(app.Song().singerDescriptions[0], std::string("Alto"));
        QVERIFY(app.Document().Modified());
    }

    void fileNewOpensTheSettings()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        int shown = 0;
        OnNextModal<SongSettingsDialog>([&shown](SongSettingsDialog& d) {
            ++shown;
            QCOMPARE(d.Tabs()->currentIndex(), SongSettingsDialog::kLyricsTab);
            d.CancelButton()->click();
        });
        app.RunCommand(CommandId::FileNew);
        QCOMPARE(shown, 1);
        QCOMPARE(app.CurrentView(), ViewId::EditLyrics);
    }

    void linesAndEraseFollowSingersAndPicture()
    {
        KaraokeSong song;
        SongSettingsDialog dialog(song, Context());
        LyricsPageDialog& page = *dialog.LyricsPage();
        auto* lines = Child<QComboBox>(page, "lines");
        auto* erase = Child<QComboBox>(page, "eraseWhen");
        QCOMPARE(Items(*lines), QStringList({"2", "3", "4", "5", "6"}));
        QCOMPARE(lines->currentText(), QString("4"));
        QCOMPARE(Items(*erase), QStringList({"0", "1", "2"}));
        erase->setCurrentIndex(2);
        QCOMPARE(song.eraseLinesFromBottom, 2);

        ChooseDuet(page);
        QCOMPARE(song.settings.singerCount, 2);
        QCOMPARE(Items(*lines), QStringList({"3", "4", "5", "6"}));
        // 0 ... lines - 3 in a duet; the old choice 2 no longer fits and the largest is taken.
        QCOMPARE(Items(*erase), QStringList({"0", "1"}));
        QCOMPARE(song.eraseLinesFromBottom, 1);
        lines->setCurrentIndex(lines->findText("6"));
        QCOMPARE(song.settings.linesPerPage, 6);
        QCOMPARE(Items(*erase), QStringList({"0", "1", "2", "3"}));
        QCOMPARE(song.eraseLinesFromBottom, 1);
        erase->setCurrentIndex(3);
        lines->setCurrentIndex(lines->findText("3"));
        QCOMPARE(Items(*erase), QStringList({"0"}));
        QCOMPARE(song.eraseLinesFromBottom, 0);

        // A picture takes half the screen: at most 3 lines, and a duet has exactly 3.
        Answers answers;
        const QString picture = m_dir.filePath("blocks.png");
        QVERIFY(WriteBlocks(picture));
        lines->setCurrentIndex(lines->findText("5"));
        answers.paths << picture;
        Child<QPushButton>(page, "browse")->click();
        QCOMPARE(int(page.Page().hasGraphic), 1);
        QCOMPARE(page.Page().graphicShare, 50);
        QCOMPARE(Items(*lines), QStringList({"3"}));
        QCOMPARE(song.settings.linesPerPage, 3);
        QCOMPARE(Items(*erase), QStringList({"0"}));
        Child<QRadioButton>(page, "solo")->click();
        QCOMPARE(Items(*lines), QStringList({"2", "3"}));
        QCOMPARE(Items(*erase), QStringList({"0", "1"}));
        Child<QPushButton>(page, "remove")->click();
        QCOMPARE(int(page.Page().hasGraphic), 0);
        QCOMPARE(page.Page().graphicShare, 0);
        QCOMPARE(Items(*lines), QStringList({"2", "3", "4", "5", "6"}));
    }

    void aStoredCountOutsideTheLimitsIsBroughtInside()
    {
        KaraokeSong song;
        song.settings.singerCount = 2;
        song.settings.linesPerPage = 2;
        song.eraseLinesFromBottom = 9;
        SongSettingsDialog dialog(song, Context());
        QCOMPARE(song.settings.linesPerPage, 3);
        QCOMPARE(Child<QComboBox>(*dialog.LyricsPage(), "lines")->currentText(), QString("3"));
        QCOMPARE(song.eraseLinesFromBottom, 0);
    }

    // The field states the advance the stream applies, half the stored number, in steps of
    // 0.05 s up to 2.50 s; a stored number off that grid shows as applied and stays until moved.
    void advanceSweepShowsTheAdvanceApplied()
    {
        KaraokeSong song;
        SongSettingsDialog dialog(song, Context());
        auto* spin = Child<CAdvanceSweepSpin>(*dialog.LyricsPage(), "advance");
        QCOMPARE(song.settings.advanceSweep, -20);
        QCOMPARE(spin->FieldText(), QString("0.10"));
        spin->setValue(0);
        QCOMPARE(song.settings.advanceSweep, 0);
        for (int i = 0; i < 4; ++i) spin->stepUp();
        QCOMPARE(spin->FieldText(), QString("0.20"));
        QCOMPARE(song.settings.advanceSweep, -40);
        spin->stepBy(1000);
        QCOMPARE(song.settings.advanceSweep, -500);
        QCOMPARE(spin->FieldText(), QString("2.50"));
        spin->stepUp();
        QCOMPARE(song.settings.advanceSweep, -500);
        spin->stepBy(-1000);
        spin->stepDown();
        QCOMPARE(song.settings.advanceSweep, 0);
        QCOMPARE(spin->FieldText(), QString("0.00"));
        // Only the arrows change it.
        QVERIFY(spin->findChild<QLineEdit*>()->isReadOnly());
        dialog.reject();

        for (int steps : {1, -1}) {
            KaraokeSong odd;
            odd.settings.advanceSweep = -15;
            SongSettingsDialog again(odd, Context());
            auto* field = Child<CAdvanceSweepSpin>(*again.LyricsPage(), "advance");
            QCOMPARE(field->FieldText(), QString("0.075"));
            again.LyricsPage()->findChild<QCheckBox*>("sweepEntireWord")->click();
            QCOMPARE(odd.settings.advanceSweep, -15);
            field->stepBy(steps);
            QCOMPARE(odd.settings.advanceSweep, steps > 0 ? -20 : -10);
            QCOMPARE(field->FieldText(), QString(steps > 0 ? "0.10" : "0.05"));
            again.reject();
        }
    }

    void colourButtonsWriteTheirEntryAndIndex()
    {
        KaraokeSong song;
        IMAGE_STRUCT& lyrics = *song.FindPage(kPageLyrics);
        lyrics.singerColours.singer2 = 3;
        song.settings.sweepColour = 5;
        SongSettingsDialog dialog(song, Context());
        LyricsPageDialog& page = *dialog.LyricsPage();
        auto* singer2 = Child<CColorButton>(page, "singer2");
        auto* both = Child<CColorButton>(page, "both");
        QVERIFY(!singer2->isEnabled() && !both->isEnabled());
        ChooseDuet(page);
        QVERIFY(singer2->isEnabled() && both->isEnabled());

        PickerAnswer answer(0x112233);
        singer2->click();
        QCOMPARE(lyrics.graphic.ColourRgb(9), 0x112233u);
        QCOMPARE(lyrics.singerColours.singer2, 9);
        QCOMPARE(singer2->Color(), 0x112233u);
        Child<CColorButton>(page, "sweep")->click();
        QCOMPARE(song.settings.sweepColour, kSlotSweep);
        QCOMPARE(lyrics.graphic.ColourRgb(kSlotSweep), 0x112233u);
        Child<CColorButton>(page, "background")->click();
        QCOMPARE(lyrics.backgroundColour, kSlotBackground);
        QCOMPARE(lyrics.graphic.ColourRgb(kSlotBackground), 0x112233u);
        // The picker starts from the entry's colour.
        QCOMPARE(answer.asked.front(), 0xFF80FFu);
    }

    void theDescriptionsDialogShowsPromptsAndSavesAllThree()
    {
        KaraokeSong song;
        song.singerDescriptions = {"Tenor", "", ""};
        DuetDialog dialog(song.singerDescriptions);
        QCOMPARE(dialog.windowTitle(), QString());
        QCOMPARE(dialog.Field(0)->text(), QString("Tenor"));
        QCOMPARE(dialog.Field(0)->placeholderText(), QString("<Singer 1 voice>"));
        QCOMPARE(dialog.Field(1)->placeholderText(), QString("<Singer 2 voice>"));
        QCOMPARE(dialog.Field(2)->placeholderText(), QString("<Both voices>"));
        dialog.Field(1)->setText(QString::fromUtf8("Soprano \u00e9"));
        dialog.Field(2)->setText("Choir");
        Child<QPushButton>(dialog, "save")->click();
        QCOMPARE(song.singerDescriptions[0], std::string("Tenor"));
        QCOMPARE(song.singerDescriptions[1], std::string("Soprano \u00e9"));
        QCOMPARE(song.singerDescriptions[2], std::string("Choir"));
    }

    void sweepAndStyleControlsWriteTheSong()
    {
        KaraokeSong song;
        SongSettingsDialog dialog(song, Context());
        LyricsPageDialog& page = *dialog.LyricsPage();
        Child<QCheckBox>(page, "sweepEntireWord")->click();
        QCOMPARE(song.sweepEntireWord, 1u);
        Child<QRadioButton>(page, "sweepBackground")->click();
        QCOMPARE(song.settings.sweepKind, 1);
        Child<QPushButton>(page, "alignRight")->click();
        QCOMPARE(page.Page().style.hAlign, 2);
        Child<QCheckBox>(page, "shadow")->click();
        QCOMPARE(page.Page().style.style, 1 | 4);
        auto* size = Child<QComboBox>(page, "size");
        QVERIFY(Items(*size).contains("48"));
        size->setEditText("4x");
        QCOMPARE(page.Page().style.size, 0);
        size->setEditText("30");
        QCOMPARE(page.Page().style.size, 30);
        auto* draw = Child<QComboBox>(page, "draw");
        QCOMPARE(Items(*draw), QStringList({"Fill Right", "Fill Left", "Fill Down", "Fill Up", "Block Dissolve"}));
        draw->setCurrentIndex(4);
        QCOMPARE(page.Page().drawTransition, 8);
    }
};

QTEST_MAIN(SongSettingsDlgTest)
#include "SongSettingsDlgTest.moc"
