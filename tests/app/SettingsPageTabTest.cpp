// What the title, lyrics and credits tabs share: each tab's labels, mnemonics, buddies and grid
// places, the tab order of its controls, the alignment buttons, showing a style without writing
// it, and the text style controls writing the edited line or the page's own style.
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "SettingsTestSupport.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/GraphicPageDialog.h"
#include "app/dialogs/LyricsPageDialog.h"
#include "cdg/MKaraokeInitialize.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"

namespace {

QLabel* Label(QWidget& tab, const QString& text)
{
    for (QLabel* label : tab.findChildren<QLabel*>())
        if (label->text() == text) return label;
    qFatal("no label %s", qPrintable(text));
    return nullptr;
}

// The (column, row) of a control in the grid that holds it, or of the row layout around it;
// (-1, -1) when no grid holds it.
QPoint Cell(QWidget& tab, QWidget* control)
{
    for (QGridLayout* grid : tab.findChildren<QGridLayout*>()) {
        int index = grid->indexOf(control);
        for (QHBoxLayout* row : tab.findChildren<QHBoxLayout*>())
            if (index < 0 && row->indexOf(control) >= 0) index = grid->indexOf(row);
        if (index < 0) continue;
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        return {column, row};
    }
    return {-1, -1};
}

// The object names of the controls Tab reaches, in the order it reaches them.
QStringList TabOrder(QWidget& tab)
{
    QStringList names;
    for (QWidget* w = tab.nextInFocusChain(); w != &tab; w = w->nextInFocusChain())
        if (tab.isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
            !w->objectName().startsWith("qt_"))
            names << w->objectName();
    return names;
}

// Each label as "text -> buddy @ column,row" (no buddy: empty; outside the grids: -1,-1).
QStringList Labels(QWidget& tab, const QStringList& texts)
{
    QStringList described;
    for (const QString& text : texts) {
        QLabel* label = Label(tab, text);
        const QPoint cell = Cell(tab, label);
        described << QString("%1 -> %2 @ %3,%4")
                         .arg(text, label->buddy() ? label->buddy()->objectName() : QString())
                         .arg(cell.x())
                         .arg(cell.y());
    }
    return described;
}

} // namespace

class SettingsPageTabTest : public QObject {
    Q_OBJECT

private:
    QtUserPrompt m_prompt;
    QString m_graphics;

    SettingsDlgContext Context() { return {nullptr, &m_prompt, &m_graphics, nullptr}; }

private slots:
    void initTestCase() { QVERIFY(MKaraoke_Initialize()); }

    void theTitleTabKeepsItsLabelsAndPlaces()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageTitle, Context());
        QCOMPARE(Labels(page, {"Line #", "Vert align:", "&Font:", "&Size:", "Horiz align:", "Style:", "Bkgnd:",
                               "&Border:", "Text:"}),
                 QStringList({"Line # ->  @ 0,0", "Vert align: ->  @ 2,0", "&Font: -> font @ 0,1",
                              "&Size: -> size @ 0,2", "Horiz align: ->  @ 2,2", "Style: ->  @ 0,3",
                              "Bkgnd: -> background @ -1,-1", "&Border: -> border @ -1,-1",
                              "Text: -> textColour @ -1,-1"}));
        QCOMPARE(Cell(page, Child<QWidget>(page, "font")), QPoint(1, 1));
        QCOMPARE(Cell(page, Child<QWidget>(page, "vAlignTop")), QPoint(3, 0));
        QCOMPARE(Cell(page, Child<QWidget>(page, "hAlignLeft")), QPoint(3, 2));
        QCOMPARE(Cell(page, Child<QWidget>(page, "shadowColour")), QPoint(1, 3));
        QCOMPARE(TabOrder(page),
                 QStringList({"enable", "pageText", "lineNumber", "vAlignTop", "vAlignCentre", "vAlignBottom", "font",
                              "size", "hAlignLeft", "hAlignCentre", "hAlignRight", "bold", "italic", "shadow",
                              "shadowColour", "background", "border", "textColour", "browse", "remove", "display",
                              "hold", "draw", "erase", "preview"}));
    }

    void theLyricsTabKeepsItsLabelsAndPlaces()
    {
        KaraokeSong song;
        LyricsPageDialog page(song, Context());
        QCOMPARE(Labels(page, {"&Font:", "&Size:", "Align:", "St&yle:", "&Lines:", "Bkgnd:", "&Border:", "Sweep:",
                               "Both:", "Draw:"}),
                 QStringList({"&Font: -> font @ 0,0", "&Size: -> size @ 0,1", "Align: ->  @ 2,1",
                              "St&yle: -> bold @ 0,2", "&Lines: -> lines @ 0,3", "Bkgnd: -> background @ 0,0",
                              "&Border: -> border @ 2,0", "Sweep: -> sweep @ 4,0", "Both: -> both @ 4,1",
                              "Draw: ->  @ 0,2"}));
        QCOMPARE(Cell(page, Child<QWidget>(page, "alignRight")), QPoint(3, 1));
        QCOMPARE(Cell(page, Child<QWidget>(page, "italic")), QPoint(1, 2));
        QCOMPARE(Cell(page, Child<QWidget>(page, "draw")), QPoint(1, 2));
        QCOMPARE(TabOrder(page),
                 QStringList({"font", "size", "alignLeft", "alignCentre", "alignRight", "bold", "italic", "shadow",
                              "shadowColour", "lines", "eraseWhen", "sweepText", "sweepBackground", "sweepEntireWord",
                              "advance", "solo", "duet", "countIn", "countInGap", "notice", "noticeGap", "noticeText",
                              "background", "border", "sweep", "singer1", "singer2", "both", "browse", "remove",
                              "display", "draw", "preview"}));
    }

    void alignmentButtonsShowGlyphsAndTipsAndOneIsChosen()
    {
        KaraokeSong song;
        LyricsPageDialog lyrics(song, Context());
        GraphicPageDialog credits(song, kPageCredits, Context());
        const QStringList tips = {"Left", "Centre", "Right"};
        const QStringList glyphs = {QString::fromUtf8("\u21E4"), QString::fromUtf8("\u21D4"),
                                    QString::fromUtf8("\u21E5")};
        for (int i = 0; i < 3; ++i) {
            auto* a = Child<QPushButton>(lyrics, qPrintable("align" + tips[i]));
            auto* h = Child<QPushButton>(credits, qPrintable("hAlign" + tips[i]));
            QCOMPARE(a->toolTip(), tips[i]);
            QCOMPARE(h->toolTip(), tips[i]);
            QCOMPARE(a->text(), glyphs[i]);
            QCOMPARE(h->text(), glyphs[i]);
        }
        QCOMPARE(Child<QPushButton>(credits, "vAlignBottom")->toolTip(), QString("Bottom"));
        // The song's alignments are shown; a click moves the choice.
        QVERIFY(Child<QPushButton>(lyrics, "alignLeft")->isChecked());
        QVERIFY(Child<QPushButton>(credits, "hAlignCentre")->isChecked());
        QVERIFY(Child<QPushButton>(credits, "vAlignCentre")->isChecked());
        Child<QPushButton>(credits, "hAlignRight")->click();
        QVERIFY(!Child<QPushButton>(credits, "hAlignCentre")->isChecked());
        // Vertical and horizontal choices are separate.
        QVERIFY(Child<QPushButton>(credits, "vAlignCentre")->isChecked());
    }

    void openingATabShowsTheStyleAndWritesNothing()
    {
        KaraokeSong song;
        IMAGE_STRUCT& lyricsPage = *song.FindPage(kPageLyrics);
        lyricsPage.style.style = kStyleItalic | kStyleShadow;
        lyricsPage.style.size = 30;
        lyricsPage.style.hAlign = kAlignRight;
        IMAGE_STRUCT& title = *song.FindPage(kPageTitle);
        title.text = "one\ntwo";
        title.lineStyles.lines.push_back({10, 40, kStyleShadow, "Arial", kAlignLeft});
        const std::vector<uint8_t> before = SerializeProject(song);

        LyricsPageDialog lyrics(song, Context());
        QVERIFY(!Child<QToolButton>(lyrics, "bold")->isChecked());
        QVERIFY(Child<QToolButton>(lyrics, "italic")->isChecked());
        QVERIFY(Child<QCheckBox>(lyrics, "shadow")->isChecked());
        QCOMPARE(Child<QComboBox>(lyrics, "size")->currentText(), QString("30"));
        QVERIFY(Child<QPushButton>(lyrics, "alignRight")->isChecked());

        GraphicPageDialog page(song, kPageTitle, Context());
        Child<QComboBox>(page, "lineNumber")->setCurrentIndex(1);
        QVERIFY(!Child<QToolButton>(page, "bold")->isChecked());
        QVERIFY(Child<QCheckBox>(page, "shadow")->isChecked());
        QCOMPARE(Child<QComboBox>(page, "size")->currentText(), QString("40"));
        QVERIFY(Child<QPushButton>(page, "hAlignLeft")->isChecked());

        QVERIFY(SerializeProject(song) == before); // showing the controls changes nothing
        QCOMPARE(lyricsPage.style.style, kStyleItalic | kStyleShadow);
        QCOMPARE(title.style.style, kStyleBold);
        QCOMPARE(title.lineStyles.Count(), size_t(1));
        QCOMPARE(title.lineStyles.Style(0), kStyleShadow);
    }

    void textStyleControlsWriteTheEditedLineOrThePageStyle()
    {
        KaraokeSong song;
        GraphicPageDialog page(song, kPageCredits, Context());
        IMAGE_STRUCT& p = page.Page();
        Child<QPlainTextEdit>(page, "pageText")->setPlainText("one\ntwo");
        auto* line = Child<QComboBox>(page, "lineNumber");
        auto* font = Child<QComboBox>(page, "font");
        const int liberation = font->findText("Liberation Sans");
        QVERIFY(liberation >= 0);

        line->setCurrentIndex(1);
        Child<QPushButton>(page, "hAlignLeft")->click();
        QCOMPARE(p.lineStyles.Count(), size_t(1));
        font->setCurrentIndex(liberation);
        Child<QCheckBox>(page, "shadow")->click();
        Child<QComboBox>(page, "size")->setEditText("18");
        const t_MTextTypeVer6_s styled = p.lineStyles.At(0);
        QCOMPARE(styled.hAlign, kAlignLeft);
        QCOMPARE(styled.faceName, std::string("Liberation Sans"));
        QCOMPARE(styled.style, kStyleBold | kStyleShadow);
        QCOMPARE(styled.size, 18);
        QCOMPARE(p.style.hAlign, kAlignCentre);
        QCOMPARE(p.style.FaceName(), std::string("Arial"));
        QCOMPARE(p.style.style, kStyleBold);
        QCOMPARE(p.style.size, 26);

        // Line 1 shows and writes the page's own style.
        line->setCurrentIndex(0);
        QCOMPARE(font->currentText(), QString("Arial"));
        QVERIFY(!Child<QCheckBox>(page, "shadow")->isChecked());
        Child<QPushButton>(page, "hAlignRight")->click();
        Child<QToolButton>(page, "bold")->click();
        QCOMPARE(p.style.hAlign, kAlignRight);
        QCOMPARE(p.style.style, 0);
        QCOMPARE(p.lineStyles.At(0).hAlign, kAlignLeft);
        QCOMPARE(p.lineStyles.At(0).style, kStyleBold | kStyleShadow);
    }
};

QTEST_MAIN(SettingsPageTabTest)
#include "SettingsPageTabTest.moc"
