// The title and credits tabs: page text and enabling, hold and size parsing, per-line styles and
// their colour slots, picture loading with its warning and failure, Remove, and transitions.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "AppTestSupport.h"
#include "SettingsTestSupport.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/GraphicPageDialog.h"
#include "app/dialogs/PreviewScreen.h"
#include "app/dialogs/SettingsControls.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CdgScreenWidget.h"
#include "cdg/MKaraokeInitialize.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"

class GraphicPageTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QtUserPrompt m_prompt;
    QString m_graphics;

    SettingsDlgContext Context() { return {nullptr, &m_prompt, &m_graphics, nullptr}; }

    static bool PreviewShows(GraphicPageDialog& page, uint32_t rgb)
    {
        if (!page.isVisible()) {
            page.show();
            if (!QTest::qWaitForWindowExposed(&page)) return false;
        }
        const QImage picture = page.Screen()->Viewer()->Picture();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if ((picture.pixel(x, y) & 0xFFFFFF) == rgb) return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The Settings command builds the font dictionary before the tabs open.
        QVERIFY(MKaraoke_Initialize());
    }

    void textEnableAndAlignmentWriteThePage()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageTitle, Context());
        IMAGE_STRUCT& p = page.Page();
        Child<QCheckBox>(page, "enable")->click();
        QCOMPARE(int(p.enabled), 1);
        Child<QPlainTextEdit>(page, "pageText")->setPlainText(QString::fromUtf8("Caf\u00e9\nSecond"));
        QCOMPARE(p.text, std::string("Caf\u00e9\nSecond"));
        Child<QPushButton>(page, "vAlignBottom")->click();
        QCOMPARE(p.style.vAlign, kAlignBottom);
        Child<QPushButton>(page, "vAlignTop")->click();
        QCOMPARE(p.style.vAlign, kAlignTop);
        Child<QPushButton>(page, "hAlignRight")->click();
        QCOMPARE(p.style.hAlign, kAlignRight);
        Child<QToolButton>(page, "italic")->click();
        QCOMPARE(p.style.style, kStyleBold | kStyleItalic);
        // The preview draws the text in the page's text colour.
        QVERIFY(PreviewShows(page, 0xFFFFFF));
    }

    void holdIsTypedInSecondsAndStoredInHundredths()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageCredits, Context());
        auto* hold = Child<QLineEdit>(page, "hold");
        QCOMPARE(hold->text(), QString("2.00"));
        QCOMPARE(hold->maxLength(), 7);
        auto type = [hold](const QString& text) {
            hold->selectAll();
            QTest::keyClicks(hold, text);
        };
        type("2.5");
        QCOMPARE(page.Page().holdTime, 250);
        type("2.3");
        QCOMPARE(page.Page().holdTime, 230);
        type("1.999");
        QCOMPARE(page.Page().holdTime, 199);
        type("abc");
        QCOMPARE(page.Page().holdTime, 0);
        type("-4");
        QCOMPARE(page.Page().holdTime, 0);
        QCOMPARE(SettingsControls::HoldHundredths("9999999"), 999999900);
    }

    void sizesAreListedOrTyped()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageTitle, Context());
        auto* size = Child<QComboBox>(page, "size");
        QCOMPARE(Items(*size), QStringList({"14", "16", "18", "20", "22", "24", "26", "28", "36", "72"}));
        QCOMPARE(size->currentText(), QString("26"));
        size->setCurrentIndex(size->findText("72"));
        QCOMPARE(page.Page().style.size, 72);
        size->setEditText("");
        QTest::keyClicks(size->lineEdit(), "193");
        QCOMPARE(size->currentText(), QString("19"));
        QCOMPARE(page.Page().style.size, 19);
        size->setEditText("x1");
        QCOMPARE(page.Page().style.size, 0);
    }

    void theFontListShowsTheDictionaryAndTheCurrentFace()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageTitle, Context());
        auto* font = Child<QComboBox>(page, "font");
        // The song's "Arial" shows even where it is only drawn through a substitute.
        QCOMPARE(font->currentText(), QString("Arial"));
        const int liberation = font->findText("Liberation Sans");
        QVERIFY(liberation >= 0);
        font->setCurrentIndex(liberation);
        QCOMPARE(page.Page().style.FaceName(), std::string("Liberation Sans"));
    }

    void styledLinesTakeFreeSlotsFromTenDown()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageTitle, Context());
        IMAGE_STRUCT& p = page.Page();
        Child<QPlainTextEdit>(page, "pageText")->setPlainText("one\ntwo\nthree\nfour");
        auto* line = Child<QComboBox>(page, "lineNumber");
        QCOMPARE(Items(*line), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(p.lineStyles.Count(), size_t(0));

        // Choosing a line shows its style; changing it gives it (and those before) a style.
        line->setCurrentIndex(2);
        QCOMPARE(page.EditedLine(), 2);
        QCOMPARE(p.lineStyles.Count(), size_t(0));
        Child<QToolButton>(page, "italic")->click();
        QCOMPARE(p.lineStyles.Count(), size_t(2));
        QCOMPARE(p.lineStyles.Colour(0), 10);
        QCOMPARE(p.lineStyles.Colour(1), 9);
        QCOMPARE(p.lineStyles.Style(1), kStyleBold | kStyleItalic);
        QCOMPARE(p.lineStyles.Style(0), kStyleBold);
        QCOMPARE(p.style.style, kStyleBold);
        QCOMPARE(p.graphic.ColourRgb(10), 0xFFFFFFu);

        PickerAnswer answer(0x44AA00);
        Child<CColorButton>(page, "textColour")->click();
        QCOMPARE(p.graphic.ColourRgb(9), 0x44AA00u);
        QCOMPARE(p.graphic.ColourRgb(kSlotText), 0xFFFFFFu);
        QVERIFY(PreviewShows(page, 0x44AA00));

        // Line 1 is the base style.
        line->setCurrentIndex(0);
        Child<QComboBox>(page, "size")->setEditText("20");
        QCOMPARE(p.style.size, 20);
        QCOMPARE(p.lineStyles.Size(1), 26);
        QCOMPARE(Child<CColorButton>(page, "textColour")->Color(), 0xFFFFFFu);
        line->setCurrentIndex(2);
        QCOMPARE(Child<QComboBox>(page, "size")->currentText(), QString("26"));
        QCOMPARE(Child<CColorButton>(page, "textColour")->Color(), 0x44AA00u);
    }

    void aNewLineStyleSkipsSlotsOthersUse()
    {
        MTextTypeVer6 styles;
        styles.lines = {t_MTextTypeVer6_s{10, 20, 0, "Arial", 0}, t_MTextTypeVer6_s{8, 20, 0, "Arial", 0}};
        QCOMPARE(SettingsControls::FreeLineColourSlot(styles), 9);
        QCOMPARE(SettingsControls::FreeLineColourSlot(styles, 0), 10);
        styles.lines.clear();
        for (int slot = 0; slot <= 10; ++slot) styles.lines.push_back({slot, 20, 0, "Arial", 0});
        QCOMPARE(SettingsControls::FreeLineColourSlot(styles), -1);
        QVERIFY(SettingsControls::OwnsColourSlot(styles, 4));
        styles.lines.push_back({4, 20, 0, "Arial", 0});
        QVERIFY(!SettingsControls::OwnsColourSlot(styles, 4));
    }

    void aPictureWarnsAboutLineStylesAndAnUnreadableOneChangesNothing()
    {
        Answers answers;
        KaraokeSong song;
        GraphicPageDialog page(song, kPageTitle, Context());
        IMAGE_STRUCT& p = page.Page();
        p.lineStyles.lines.push_back({10, 20, 0, "Arial", 0});
        auto* browse = Child<QPushButton>(page, "browse");

        answers.answers = {PromptAnswer::No};
        browse->click();
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].caption, std::string("Warning"));
        QCOMPARE(answers.boxes[0].text, std::string("Choosing a graphic image will mean\nthat only one line style will "
                                                    "apply\nto the lines of text.\n\nDo you want to continue?"));
        QVERIFY(answers.choices.empty());

        const QString junk = m_dir.filePath("junk.png");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();
        answers.paths << junk;
        browse->click();
        QCOMPARE(answers.choices.size(), size_t(1));
        QCOMPARE(answers.choices[0].title, QString("Select Bitmap"));
        QCOMPARE(answers.choices[0].defaultSuffix, QString("bmp"));
        QCOMPARE(answers.choices[0].filters, QStringList({"Image Files (*.bmp *.jpg *.gif *.tif *.png)"}));
        QCOMPARE(answers.boxes.back().caption, std::string("Could Not Load Image File"));
        QCOMPARE(answers.boxes.back().text, std::string("Please ensure the file is a valid image."));
        QCOMPARE(int(p.hasGraphic), 0);
        QCOMPARE(p.lineStyles.Count(), size_t(1));
        QVERIFY(!Child<QComboBox>(page, "display")->isEnabled());

        const QString picture = m_dir.filePath("blocks.png");
        QVERIFY(WriteBlocks(picture));
        answers.paths << picture;
        browse->click();
        QCOMPARE(int(p.hasGraphic), 1);
        QCOMPARE(m_graphics, m_dir.path());
        QCOMPARE(Items(*Child<QComboBox>(page, "lineNumber")), QStringList({"1"}));
        auto* display = Child<QComboBox>(page, "display");
        QVERIFY(display->isEnabled());
        QCOMPARE(Items(*display), QStringList({"Top", "Center", "Bottom", "Tiled", "Stretched"}));
        display->setCurrentIndex(4);
        QCOMPARE(p.displayMode, 4);
        // The picture's red block, as its palette keeps it.
        uint32_t red = 0;
        for (int slot = 0; slot < 9; ++slot)
            if ((p.graphic.ColourRgb(slot) & 0x00FFFF) == 0 && p.graphic.ColourRgb(slot) >= 0xE00000)
                red = p.graphic.ColourRgb(slot);
        QVERIFY(red != 0);
        QVERIFY(PreviewShows(page, red));

        p.backgroundColour = 3;
        p.borderColour = 4;
        p.style.colour = 5;
        p.style.shadowColour = 6;
        Child<QPushButton>(page, "remove")->click();
        QCOMPARE(int(p.hasGraphic), 0);
        QCOMPARE(p.backgroundColour, 15);
        QCOMPARE(p.borderColour, 11);
        QCOMPARE(p.style.colour, 12);
        QCOMPARE(p.style.shadowColour, 13);
        QCOMPARE(p.lineStyles.Count(), size_t(0));
        QVERIFY(!display->isEnabled());
        QVERIFY(!PreviewShows(page, red));
    }

    void transitionsByNameAndNoEraseOnCredits()
    {
        KaraokeSong song;
        GraphicPageDialog title(song, kPageTitle, Context());
        GraphicPageDialog credits(song, kPageCredits, Context());
        auto* draw = Child<QComboBox>(title, "draw");
        QCOMPARE(Items(*draw), QStringList({"Fill Right", "Fill Left", "Fill Down", "Fill Up", "Scroll Right",
                                            "Scroll Left", "Scroll Down", "Scroll Up", "Block Dissolve"}));
        draw->setCurrentIndex(6);
        QCOMPARE(title.Page().drawTransition, 6);
        Child<QComboBox>(title, "erase")->setCurrentIndex(8);
        QCOMPARE(title.Page().eraseTransition, 8);
        QVERIFY(!Child<QComboBox>(title, "erase")->isHidden());
        QVERIFY(Child<QComboBox>(credits, "erase")->isHidden());
        // Pages are edited by kind.
        QCOMPARE(song.FindPage(kPageCredits)->eraseTransition, 0);
    }

    void backgroundBorderAndShadowColoursTakeTheirSlots()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageCredits, Context());
        IMAGE_STRUCT& p = page.Page();
        p.backgroundColour = 2;
        p.style.shadowColour = 1;
        PickerAnswer answer(0x00FF77);
        Child<CColorButton>(page, "background")->click();
        QCOMPARE(p.backgroundColour, 15);
        QCOMPARE(p.graphic.ColourRgb(15), 0x00FF77u);
        Child<CColorButton>(page, "shadowColour")->click();
        QCOMPARE(p.style.shadowColour, 13);
        QCOMPARE(p.graphic.ColourRgb(13), 0x00FF77u);
        Child<CColorButton>(page, "border")->click();
        QCOMPARE(p.borderColour, 11);
        QVERIFY(PreviewShows(page, 0x00FF77));
    }
};

QTEST_MAIN(GraphicPageTest)
#include "GraphicPageTest.moc"
