// The MP3 encoder check at start-up: the notices for a missing or incomplete library, their
// "don't show again" boxes kept in the settings, and the message box that carries the box.
#include <QCheckBox>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <QtTest>
#include <cstdlib>

#include "AppTestSupport.h"
#include "app/AppSettings.h"
#include "app/CheckMp3Support.h"
#include "app/QtUserPrompt.h"
#include "audio/EnsureMp3Encoder.h"

class CheckMp3SupportTest : public QObject {
    Q_OBJECT

private:
    AppSettings m_settings;

    int Hidden(const char* name) { return m_settings.Int(AppSettings::kDefault, name, -1); }

private slots:
    void init()
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
    }

    void cleanup()
    {
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
    }

    void aMissingLibrarySaysWhichPackageAndCanBeSilenced()
    {
        Answers answers;
        QtUserPrompt prompt;
        ::setenv("TESSAVOX_LAME_LIBRARY", "/nonexistent/libmp3lame.so.0", 1);
        answers.ticks = {false};
        QVERIFY(!CheckMp3Support(prompt, m_settings, true));
        QCOMPARE(answers.boxes.size(), size_t(1));
        const QtUserPrompt::Box& box = answers.boxes[0];
        QCOMPARE(box.caption, std::string("MP3 Encoder Not Found"));
        QCOMPARE(box.checkLabel, std::string("&Don't show me this again."));
        QVERIFY2(box.text.find("libmp3lame0") != std::string::npos, box.text.c_str());
        QCOMPARE(Hidden("HideMP3Message"), -1); // an unticked box stores nothing

        // Ticked: stored in the Default group, and the next start says nothing.
        answers.ticks = {true};
        QVERIFY(!CheckMp3Support(prompt, m_settings, true));
        QCOMPARE(Hidden("HideMP3Message"), 1);
        QVERIFY(!CheckMp3Support(prompt, m_settings, true));
        QCOMPARE(answers.boxes.size(), size_t(2));
        QSettings ini(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox");
        QCOMPARE(ini.value("Default/HideMP3Message").toInt(), 1);

        // Once the library is there, MP3 export is available again without a word.
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
        QVERIFY(CheckMp3Support(prompt, m_settings, true));
        QVERIFY(Mp3EncoderAvailable());
        QCOMPARE(answers.boxes.size(), size_t(2));
    }

    void aLibraryWithoutTheEncoderHasItsOwnNotice()
    {
        Answers answers;
        QtUserPrompt prompt;
        // A library that loads but has none of the encoder's entry points.
        ::setenv("TESSAVOX_LAME_LIBRARY", "libz.so.1", 1);
        answers.ticks = {true};
        QVERIFY(!CheckMp3Support(prompt, m_settings, true));
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].caption, std::string("MP3 Support Not Found"));
        QCOMPARE(answers.boxes[0].checkLabel, std::string("&Don't show this message again."));
        QCOMPARE(Hidden("HideMP3VersionMessage"), 1);
        QCOMPARE(Hidden("HideMP3Message"), -1);
        QVERIFY(!CheckMp3Support(prompt, m_settings, true));
        QCOMPARE(answers.boxes.size(), size_t(1));
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
        QVERIFY(CheckMp3Support(prompt, m_settings, true));
    }

    void theNoticeIsAMessageBoxWithACheckBox()
    {
        QtUserPrompt prompt;
        bool sawBox = false;
        QTimer::singleShot(0, [&sawBox] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QString("MP3 Encoder Not Found"));
            QVERIFY(box->checkBox());
            QCOMPARE(box->checkBox()->text(), QString("&Don't show me this again."));
            box->checkBox()->setChecked(true);
            sawBox = true;
            box->accept();
        });
        QVERIFY(prompt.MessageWithCheck("No encoder.", "MP3 Encoder Not Found", PromptIcon::Warning,
                                        "&Don't show me this again."));
        QVERIFY(sawBox);
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
        });
        QVERIFY(!prompt.MessageWithCheck("No encoder.", "MP3 Encoder Not Found", PromptIcon::Warning,
                                         "&Don't show me this again."));
    }
};

QTEST_MAIN(CheckMp3SupportTest)
#include "CheckMp3SupportTest.moc"
