// The Export Song File dialog: what it opens on, the rate picked when the type changes, the
// controls that follow the type and the LRC box, the tips, and what "&Export" stores.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

#include "app/AppSettings.h"
#include "app/dialogs/ExportDialog.h"
#include "app/widgets/CBalloonTip.h"
#include "project/KaraokeSong.h"

namespace {

QStringList Items(const QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

// Typing characters that QTest's ASCII key clicks cannot carry.
void Type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

} // namespace

class DlgExportTest : public QObject {
    Q_OBJECT

private:
    AppSettings m_settings;
    KaraokeSong m_song;

    // Stored choices as the registry would hold them after an earlier export.
    void Store(int type, int wma, int mp3, int zip = 0, int lrc = 0, int lrcFormat = 1)
    {
        m_settings.SetInt(AppSettings::kSettings, "ExportType", type);
        m_settings.SetInt(AppSettings::kSettings, "ExportRatioWMA", wma);
        m_settings.SetInt(AppSettings::kSettings, "ExportRatioMP3", mp3);
        m_settings.SetInt(AppSettings::kSettings, "ExportZip", zip);
        m_settings.SetInt(AppSettings::kSettings, "ExportLRC", lrc);
        m_settings.SetInt(AppSettings::kSettings, "ExportLRCFormat", lrcFormat);
    }

    int Stored(const char* name) { return m_settings.Int(AppSettings::kSettings, name, -1); }

private slots:
    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
        m_song.artist = "Old Artist";
        m_song.title = "Old Title";
    }

    void opensOnTheStoredChoicesWithTheirControls()
    {
        // Nothing stored: BIN, no list, the compressed-only controls off.
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            QCOMPARE(dialog.windowTitle(), QString("Export Song File"));
            QVERIFY(dialog.TypeButton(ExportType::Bin)->isChecked());
            QCOMPARE(dialog.TypeButton(ExportType::WmaG)->text(), QString("WMA+G (.wma && .cdg in two files)"));
            QVERIFY(!dialog.RatioList()->isEnabled());
            QVERIFY(!dialog.ZipBox()->isEnabled());
            QVERIFY(!dialog.LrcBox()->isEnabled());
            QVERIFY(!dialog.EnhancedButton()->isEnabled());
            QVERIFY(dialog.EnhancedButton()->isChecked()); // Enhanced is the default format
            QCOMPARE(dialog.ArtistField()->text(), QString("Old Artist"));
            QCOMPARE(dialog.TitleField()->text(), QString("Old Title"));
        }
        Store(2, 128, 256, 1, 1, 0);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        QVERIFY(dialog.TypeButton(ExportType::Mp3G)->isChecked());
        QCOMPARE(Items(dialog.RatioList()), ExportDialog::RatioEntries(ExportType::Mp3G));
        QCOMPARE(dialog.RatioList()->currentText(), QString("256k"));
        QVERIFY(dialog.ZipBox()->isChecked() && dialog.ZipBox()->isEnabled());
        QVERIFY(dialog.LrcBox()->isChecked());
        QVERIFY(dialog.SimpleButton()->isChecked() && dialog.SimpleButton()->isEnabled());
    }

    void withoutMp3SupportAStoredMp3TypeOpensOnWma()
    {
        Store(2, 96, 128);
        ExportDialog dialog(nullptr, m_settings, m_song, false, 44100);
        QVERIFY(!dialog.TypeButton(ExportType::Mp3G)->isEnabled());
        QVERIFY(dialog.TypeButton(ExportType::WmaG)->isChecked());
        QCOMPARE(Items(dialog.RatioList()), (QStringList{"192k", "160k", "128k", "96k"}));
        // The MP3 rate carries over as it does for a switch by hand.
        QCOMPARE(dialog.RatioList()->currentText(), QString("128k"));
        dialog.TypeButton(ExportType::Mp3G)->click();
        QVERIFY(dialog.TypeButton(ExportType::WmaG)->isChecked());
        // BIN stays available.
        dialog.TypeButton(ExportType::Bin)->click();
        QVERIFY(dialog.TypeButton(ExportType::Bin)->isChecked());
    }

    void switchingTypesPicksTheNearestRate()
    {
        Store(2, 128, 256);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        QCOMPARE(dialog.RatioList()->currentText(), QString("256k"));
        dialog.TypeButton(ExportType::WmaG)->click();
        QCOMPARE(Items(dialog.RatioList()), ExportDialog::RatioEntries(ExportType::WmaG));
        QCOMPARE(dialog.RatioList()->currentText(), QString("192k")); // no WMA rate reaches 256
        dialog.RatioList()->setCurrentIndex(dialog.RatioList()->findText("160k"));
        dialog.TypeButton(ExportType::Mp3G)->click();
        QCOMPARE(dialog.RatioList()->currentText(), QString("160k"));

        // BIN turns the compressed-only controls off and keeps the list for the way back.
        dialog.LrcBox()->setChecked(true);
        dialog.TypeButton(ExportType::Bin)->click();
        QVERIFY(!dialog.RatioList()->isEnabled());
        QVERIFY(!dialog.ZipBox()->isEnabled());
        QVERIFY(!dialog.LrcBox()->isEnabled());
        QVERIFY(!dialog.SimpleButton()->isEnabled());
        QCOMPARE(dialog.RatioList()->currentText(), QString("160k"));
        dialog.TypeButton(ExportType::WmaG)->click();
        QCOMPARE(dialog.RatioList()->currentText(), QString("160k"));
        QVERIFY(dialog.SimpleButton()->isEnabled());

        dialog.ExportButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Stored("ExportType"), 1);
        QCOMPARE(Stored("ExportRatioWMA"), 160);
        QCOMPARE(Stored("ExportRatioMP3"), 160);
        QCOMPARE(Stored("ExportLRC"), 1);
        QCOMPARE(Stored("ExportLRCFormat"), 1);
        QCOMPARE(Stored("ExportZip"), 0);
        const ExportChoices choices = dialog.Choices();
        QCOMPARE(choices.type, ExportType::WmaG);
        QCOMPARE(choices.wmaKbps, 160);
        QVERIFY(choices.lrc && !choices.zip);
    }

    void storedRatesSelectTheLowestRateThatReachesThem()
    {
        Store(2, 112, 100);
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            QCOMPARE(dialog.RatioList()->currentText(), QString("112k"));
        }
        Store(1, 112, 100);
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            QCOMPARE(dialog.RatioList()->currentText(), QString("128k"));
        }
        // 144 is no Layer III rate and is not offered: a stored 144 selects 160k.
        QVERIFY(!ExportDialog::RatioEntries(ExportType::Mp3G).contains("144k"));
        Store(2, 128, 144);
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            QCOMPARE(dialog.RatioList()->currentText(), QString("160k"));
        }
        // Above every entry: the highest; below every entry: the lowest.
        QCOMPARE(ExportDialog::NearestEntry(ExportDialog::RatioEntries(ExportType::Mp3G), 500), 0);
        QCOMPARE(ExportDialog::NearestEntry(ExportDialog::RatioEntries(ExportType::Mp3G), 8), 13);
        QCOMPARE(ExportDialog::EntryKbps("320k"), 320);

        // Opened on BIN, the first compressed type chosen gets its own remembered rate.
        Store(0, 96, 320);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        QCOMPARE(dialog.RatioList()->count(), 0);
        dialog.TypeButton(ExportType::WmaG)->click();
        QCOMPARE(dialog.RatioList()->currentText(), QString("96k"));
    }

    void theLrcBoxSwitchesTheFormats()
    {
        Store(1, 128, 128);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        QVERIFY(!dialog.LrcBox()->isChecked());
        QVERIFY(!dialog.SimpleButton()->isEnabled() && !dialog.EnhancedButton()->isEnabled());
        QVERIFY(!dialog.LrcWindows1252Box()->isEnabled() && !dialog.LrcWindows1252Box()->isChecked());
        dialog.LrcBox()->click();
        QVERIFY(dialog.SimpleButton()->isEnabled() && dialog.EnhancedButton()->isEnabled());
        QVERIFY(dialog.LrcWindows1252Box()->isEnabled());
        dialog.SimpleButton()->click();
        dialog.LrcWindows1252Box()->click();
        dialog.LrcBox()->click();
        QVERIFY(!dialog.SimpleButton()->isEnabled() && !dialog.LrcWindows1252Box()->isEnabled());
        dialog.LrcBox()->click();
        dialog.ExportButton()->click();
        QCOMPARE(Stored("ExportLRCFormat"), 0);
        QCOMPARE(Stored("ExportLRCWindows1252"), 1);
        QVERIFY(dialog.Choices().lrcFormat == LrcFormat::Simple);
        QVERIFY(dialog.Choices().lrcWindows1252);
        // The next export starts from the same choice.
        ExportDialog again(nullptr, m_settings, m_song, true, 44100);
        QVERIFY(again.LrcWindows1252Box()->isChecked());
    }

    void binIsRefusedForMusicThatIsNot44100()
    {
        Store(1, 128, 128);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 22050);
        dialog.show();
        QVERIFY(!dialog.Tip());
        dialog.TypeButton(ExportType::Bin)->click();
        QVERIFY(dialog.TypeButton(ExportType::WmaG)->isChecked());
        QVERIFY(dialog.RatioList()->isEnabled());
        QVERIFY(dialog.Tip() && dialog.Tip()->isVisible());
        QCOMPARE(dialog.Tip()->Title(), QString("BIN not allowed"));
        QCOMPARE(dialog.Tip()->Text(),
                 QString("BIN is not allowed because the Audio Sample\nRate is not 44,100 samples per second.\n"));
        QCOMPARE(dialog.Tip()->Anchor(), dialog.TypeButton(ExportType::Bin));

        // A stored BIN type cannot be exported from such music: the dialog opens on WMA+G.
        Store(0, 128, 128);
        ExportDialog again(nullptr, m_settings, m_song, true, 22050);
        QVERIFY(again.TypeButton(ExportType::WmaG)->isChecked());
        QCOMPARE(again.RatioList()->currentText(), QString("128k"));
    }

    void exportWithoutARatioShowsTheTipAndStaysOpen()
    {
        Store(2, 128, 100);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        dialog.RatioList()->setCurrentIndex(-1);
        dialog.ExportButton()->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.Tip() && dialog.Tip()->isVisible());
        QCOMPARE(dialog.Tip()->Title(), QString("Ratio"));
        QCOMPARE(dialog.Tip()->Text(), QString("Please select a Compression Ratio."));
        QTRY_VERIFY(dialog.RatioList()->hasFocus());
        QCOMPARE(Stored("ExportRatioMP3"), 100); // nothing stored yet
    }

    void artistAndTitleAreTakenFromTheFieldsAndNeverWrittenIntoTheSong()
    {
        Store(0, 128, 128);
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            dialog.ExportButton()->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.Artist(), std::string("Old Artist"));
            QCOMPARE(dialog.Title(), std::string("Old Title"));
        }
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            dialog.ArtistField()->setText(QString::fromUtf8("Zoë & the Café"));
            dialog.ExportButton()->click();
            QCOMPARE(dialog.Artist(), std::string("Zo\u00eb & the Caf\u00e9"));
            QCOMPARE(dialog.Title(), std::string("Old Title"));
            // The caller gives the song what the dialog took, through the song's document.
            QCOMPARE(m_song.artist, std::string("Old Artist"));
        }
        // Cancel takes nothing over.
        m_settings.SetInt(AppSettings::kSettings, "ExportType", 0);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        dialog.TypeButton(ExportType::WmaG)->click();
        dialog.TitleField()->setText("New Title");
        dialog.reject();
        QCOMPARE(m_song.title, std::string("Old Title"));
        QCOMPARE(Stored("ExportType"), 0);
    }

    void theVideoTypeKeepsItsSizeAndRateApartFromTheAudioRates()
    {
        Store(3, 96, 320);
        m_settings.SetInt(AppSettings::kSettings, "ExportVideoSize", 1);
        m_settings.SetInt(AppSettings::kSettings, "ExportVideoFps", 50);
        {
            ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
            QCOMPARE(dialog.TypeButton(ExportType::Mp4)->text(), QString("MP4 Video (.mp4)"));
            QVERIFY(dialog.TypeButton(ExportType::Mp4)->isChecked());
            QCOMPARE(dialog.VideoSizeList()->currentText(), QString("1920 x 1080 (1080p)"));
            QCOMPARE(dialog.VideoFpsList()->currentText(), QString("50 fps"));
            QVERIFY(dialog.VideoSizeList()->isEnabled());
            QVERIFY(!dialog.RatioList()->isEnabled());
            QVERIFY(!dialog.ZipBox()->isEnabled());
            QVERIFY(!dialog.LrcBox()->isEnabled());
            // WMA+G and back: the audio type finds its own rate, the video its size and rate.
            dialog.TypeButton(ExportType::WmaG)->click();
            QCOMPARE(dialog.RatioList()->currentText(), QString("96k"));
            QVERIFY(!dialog.VideoSizeList()->isEnabled());
            dialog.TypeButton(ExportType::Mp4)->click();
            QVERIFY(dialog.VideoFpsList()->isEnabled());
            dialog.VideoSizeList()->setCurrentIndex(0);
            dialog.VideoFpsList()->setCurrentIndex(dialog.VideoFpsList()->findText("25 fps"));
            QTest::mouseClick(dialog.ExportButton(), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            const ExportChoices c = dialog.Choices();
            QCOMPARE(int(c.type), int(ExportType::Mp4));
            QCOMPARE(int(c.videoSize), int(VideoSize::Hd720));
            QCOMPARE(c.videoFps, 25);
        }
        QCOMPARE(Stored("ExportType"), 3);
        QCOMPARE(Stored("ExportVideoSize"), 0);
        QCOMPARE(Stored("ExportVideoFps"), 25);
        QCOMPARE(Stored("ExportRatioWMA"), 96);
        // A rate the export does not offer (edited by hand) opens on the default.
        m_settings.SetInt(AppSettings::kSettings, "ExportVideoFps", 24);
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        QCOMPARE(dialog.VideoFpsList()->currentText(), QString("30 fps"));
    }

    void theFieldsTakeEveryScript()
    {
        ExportDialog dialog(nullptr, m_settings, m_song, true, 44100);
        dialog.show();
        QLineEdit* artist = dialog.ArtistField();
        artist->clear();
        artist->setFocus();
        Type(artist, QString::fromUtf8("é€™東"));
        QCOMPARE(artist->text(), QString::fromUtf8("é€™東"));
    }
};

QTEST_MAIN(DlgExportTest)
#include "DlgExportTest.moc"
