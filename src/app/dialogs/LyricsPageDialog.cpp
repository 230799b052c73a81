#include "app/dialogs/LyricsPageDialog.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dialogs/PreviewScreen.h"
#include "app/dialogs/LyricsSamplePage.h"
#include "app/dialogs/DuetDialog.h"
#include "document/SongDocument.h"
#include "app/dialogs/SettingsControls.h"
#include "app/dialogs/SingerGuidanceBox.h"
#include "app/widgets/CAdvanceSweepSpin.h"
#include "app/widgets/CColorButton.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PageWriter.h"
#include "log/MLineListLog.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"

using namespace SettingsControls;

namespace {
constexpr int kFewestLinesSolo = 2;
constexpr int kFewestLinesDuet = 3;
const char* const kAlignNames[3] = {"alignLeft", "alignCentre", "alignRight"};
} // namespace

LyricsPageDialog::LyricsPageDialog(KaraokeSong& song, const SettingsDlgContext& context, QWidget* parent)
    : SettingsPageTab(song, kPageLyrics, context, parent)
{
    Build();
    Load();
    RefreshPreview();
}

int LyricsPageDialog::FewestLines() const
{
    return m_song.settings.singerCount == 2 ? kFewestLinesDuet : kFewestLinesSolo;
}

int LyricsPageDialog::MostLines() const
{
    return m_page->hasGraphic ? kMostLinesWithPicture : kMostLines;
}

void LyricsPageDialog::Build()
{
    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    outer->addLayout(left, 1);

    auto* grid = new QGridLayout;
    left->addLayout(grid);
    AddTextStyleRows(*grid, 0, "Align:", kAlignNames, "St&yle:")->setBuddy(m_bold);

    auto* linesLabel = new QLabel(tr("&Lines:"), this);
    m_lines = new QComboBox(this);
    m_lines->setObjectName("lines");
    linesLabel->setBuddy(m_lines);
    grid->addWidget(linesLabel, 3, 0);
    grid->addWidget(m_lines, 3, 1);
    auto* eraseRow = new QHBoxLayout;
    m_erase = new QComboBox(this);
    m_erase->setObjectName("eraseWhen");
    eraseRow->addWidget(new QLabel(tr("Erase when"), this));
    eraseRow->addWidget(m_erase);
    eraseRow->addWidget(new QLabel(tr("lines from bottom"), this));
    eraseRow->addStretch(1);
    left->addLayout(eraseRow);

    auto* sweepBox = new QGroupBox(tr("Sweep"), this);
    auto* sweepGrid = new QGridLayout(sweepBox);
    m_sweepText = new QRadioButton(tr("Te&xt"), sweepBox);
    m_sweepText->setObjectName("sweepText");
    m_sweepBackground = new QRadioButton(tr("Bac&kground"), sweepBox);
    m_sweepBackground->setObjectName("sweepBackground");
    m_sweepEntireWord = new QCheckBox(tr("Sweep entire word"), sweepBox);
    m_sweepEntireWord->setObjectName("sweepEntireWord");
    m_advance = new CAdvanceSweepSpin(sweepBox);
    m_advance->setObjectName("advance");
    sweepGrid->addWidget(m_sweepText, 0, 0);
    sweepGrid->addWidget(m_sweepBackground, 0, 1);
    sweepGrid->addWidget(m_sweepEntireWord, 1, 0, 1, 2);
    sweepGrid->addWidget(new QLabel(tr("Advance sweep"), sweepBox), 2, 0);
    sweepGrid->addWidget(m_advance, 2, 1);
    left->addWidget(sweepBox);

    auto* singersBox = new QGroupBox(tr("Singers"), this);
    auto* singersRow = new QHBoxLayout(singersBox);
    m_solo = new QRadioButton(tr("Solo"), singersBox);
    m_solo->setObjectName("solo");
    m_duet = new QRadioButton(tr("Duet"), singersBox);
    m_duet->setObjectName("duet");
    singersRow->addWidget(m_solo);
    singersRow->addWidget(m_duet);
    singersRow->addStretch(1);
    left->addWidget(singersBox);
    left->addWidget(new SingerGuidanceBox(m_song.guidance, this));

    auto* colours = new QGridLayout;
    auto colourButton = [this, colours](const char* text, const char* name, int row, int column) {
        const auto [label, button] = LabelledColourButton(text, name);
        colours->addWidget(label, row, column * 2);
        colours->addWidget(button, row, column * 2 + 1);
        return button;
    };
    m_background = colourButton("Bkgnd:", "background", 0, 0);
    m_border = colourButton("&Border:", "border", 0, 1);
    m_sweep = colourButton("Sweep:", "sweep", 0, 2);
    m_singer1 = colourButton("Singer1:", "singer1", 1, 0);
    m_singer2 = colourButton("Singer2:", "singer2", 1, 1);
    m_both = colourButton("Both:", "both", 1, 2);
    colours->setColumnStretch(6, 1);
    left->addLayout(colours);
    left->addStretch(1);

    QVBoxLayout* right = AddPreviewColumn(*outer);
    QWidget* graphic = PictureGrid()->parentWidget();
    m_draw = new QComboBox(graphic);
    m_draw->setObjectName("draw");
    PictureGrid()->addWidget(new QLabel(tr("Draw:"), graphic), 2, 0);
    PictureGrid()->addWidget(m_draw, 2, 1);
    AddPreviewButton(*right);

    // Only the fills and the dissolve bring a picture in above the lyrics.
    FillTransitions(*m_draw, {kFillRight, kFillLeft, kFillDown, kFillUp, kBlockDissolve});
    SetUpSharedControls({14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72});

    connect(m_lines, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        // Re-lays the pages of the song for the new count.
        m_song.SetLinesPerPage(m_lines->itemData(index).toInt());
        MLineListLog::Numbered(m_song);
        FillErase();
        Changed();
    });
    connect(m_erase, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_song.eraseLinesFromBottom = index;
        Changed();
    });
    connect(m_sweepText, &QRadioButton::toggled, this, [this](bool on) {
        if (m_loading || !on) return;
        m_song.settings.sweepKind = kSweepText;
        Changed();
    });
    connect(m_sweepBackground, &QRadioButton::toggled, this, [this](bool on) {
        if (m_loading || !on) return;
        m_song.settings.sweepKind = kSweepBackground;
        Changed();
    });
    connect(m_sweepEntireWord, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_song.sweepEntireWord = on ? 1 : 0;
        Changed();
    });
    connect(m_advance, &QSpinBox::valueChanged, this, [this](int storedMagnitude) {
        if (m_loading) return;
        m_song.settings.advanceSweep = -storedMagnitude;
        Changed();
    });
    connect(m_solo, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading && on) SetDuet(false);
    });
    connect(m_duet, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading && on) SetDuet(true);
    });
    connect(m_singer1, &QPushButton::clicked, this,
            [this] { PickColour(m_singer1, kSlotText, &m_page->singerColours.singer1); });
    connect(m_singer2, &QPushButton::clicked, this,
            [this] { PickColour(m_singer2, kSlotSinger2, &m_page->singerColours.singer2); });
    connect(m_both, &QPushButton::clicked, this, [this] { PickColour(m_both, kSlotBoth, &m_page->singerColours.both); });
    connect(m_sweep, &QPushButton::clicked, this, [this] { PickColour(m_sweep, kSlotSweep, &m_song.settings.sweepColour); });
}

void LyricsPageDialog::Load()
{
    m_loading = true;
    ShowTextStyle(m_page->style.FaceName(), m_page->style.size, m_page->style.style, m_page->style.hAlign);
    m_sweepText->setChecked(m_song.settings.sweepKind != kSweepBackground);
    m_sweepBackground->setChecked(m_song.settings.sweepKind == kSweepBackground);
    m_sweepEntireWord->setChecked(m_song.sweepEntireWord != 0);
    // The stored number as it is (an odd one too): only a move of the control changes it.
    m_advance->setValue(int(std::clamp<int64_t>(-int64_t(m_song.settings.advanceSweep), 0, CAdvanceSweepSpin::kLimit)));
    m_solo->setChecked(m_song.settings.singerCount != 2);
    m_duet->setChecked(m_song.settings.singerCount == 2);
    SelectByData(*m_draw, m_page->drawTransition);
    m_loading = false;
    ShowColours();
    ShowPicture();
    FillLines();
}

void LyricsPageDialog::ShowColours()
{
    ShowFrameColours();
    m_singer1->SetColor(EntryColour(*m_page, m_page->singerColours.singer1));
    m_singer2->SetColor(EntryColour(*m_page, m_page->singerColours.singer2));
    m_both->SetColor(EntryColour(*m_page, m_page->singerColours.both));
    m_sweep->SetColor(EntryColour(*m_page, m_song.settings.sweepColour));
    const bool duet = m_song.settings.singerCount == 2;
    m_singer2->setEnabled(duet);
    m_both->setEnabled(duet);
}

void LyricsPageDialog::ShowPicture()
{
    SettingsPageTab::ShowPicture();
    m_draw->setEnabled(m_page->hasGraphic != 0);
}

void LyricsPageDialog::FillLines()
{
    const int fewest = FewestLines(), most = MostLines();
    const int lines = std::clamp(int(m_song.settings.linesPerPage), fewest, most);
    if (lines != m_song.settings.linesPerPage) {
        m_song.SetLinesPerPage(lines);
        MLineListLog::Numbered(m_song);
    }
    {
        const QSignalBlocker block(m_lines);
        m_lines->clear();
        for (int n = fewest; n <= most; ++n) m_lines->addItem(QString::number(n), n);
        m_lines->setCurrentIndex(lines - fewest);
    }
    FillErase();
}

void LyricsPageDialog::FillErase()
{
    const int largest = std::max(0, int(m_song.settings.linesPerPage) - FewestLines());
    const int choice = std::clamp(int(m_song.eraseLinesFromBottom), 0, largest);
    m_song.eraseLinesFromBottom = choice;
    const QSignalBlocker block(m_erase);
    m_erase->clear();
    for (int n = 0; n <= largest; ++n) m_erase->addItem(QString::number(n));
    m_erase->setCurrentIndex(choice);
}

void LyricsPageDialog::DrawStill()
{
    auto generator = m_screen->StillGenerator();
    WriteLyricsSamplePage(*generator, m_song, 0);
}

size_t LyricsPageDialog::WritePreview(CdgPacketGenerator& generator)
{
    return WriteLyricsSamplePage(generator, m_song, 0);
}

void LyricsPageDialog::SetDuet(bool duet)
{
    m_song.settings.singerCount = duet ? 2 : 1;
    const auto SingerColour = [this](int slot) { return QColor(QRgb(EntryColour(*m_page, slot) & 0xFFFFFF)); };
    if (duet && m_context.descriptionsDocument) {
        SongDocument& document = *m_context.descriptionsDocument;
        DuetDialog::Descriptions descriptions = document.Song().singerDescriptions;
        DuetDialog dialog(descriptions, this);
        dialog.ShowSingerColours(SingerColour(m_page->singerColours.singer2), SingerColour(m_page->singerColours.both));
        if (dialog.exec() == QDialog::Accepted) document.SetSingerDescriptions(descriptions);
    } else if (duet) {
        DuetDialog dialog(m_song.singerDescriptions, this);
        dialog.ShowSingerColours(SingerColour(m_page->singerColours.singer2), SingerColour(m_page->singerColours.both));
        dialog.exec();
    }
    FillLines();
    ShowColours();
    Changed();
}

void LyricsPageDialog::Browse()
{
    if (!LoadPicture()) return;
    // The picture takes the upper half of the screen; the lyrics the lower half.
    m_page->graphicShare = kPictureShare;
    ShowPicture();
    FillLines();
    Changed();
}

void LyricsPageDialog::Remove()
{
    ClearPictureAndColours();
    m_page->graphicShare = 0;
    m_page->singerColours.Reset();
    ShowColours();
    ShowPicture();
    FillLines();
    Changed();
}
