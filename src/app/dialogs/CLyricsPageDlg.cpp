#include "app/dialogs/CLyricsPageDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
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

#include "app/dialogs/CPreviewScreen.h"
#include "app/dialogs/ColorPicker.h"
#include "app/dialogs/LyricsSamplePage.h"
#include "app/dialogs/MDuetDlg.h"
#include "app/dialogs/SettingsControls.h"
#include "app/widgets/CAdvanceSweepSpin.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CColorRadio.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/MRwGenerator.h"
#include "cdg/PagePicture.h"
#include "cdg/PageWriter.h"
#include "project/ColourSlots.h"
#include "project/MSongSettings.h"
#include "text/UserPrompt.h"

using namespace SettingsControls;

namespace {
constexpr int kFewestLinesSolo = 2;
constexpr int kFewestLinesDuet = 3;
constexpr int32_t kAlignValues[3] = {kAlignLeft, kAlignCentre, kAlignRight};
const char* const kAlignGlyphs[3] = {"\u21E4", "\u21D4", "\u21E5"};
const char* const kAlignTips[3] = {"Left", "Centre", "Right"};
const char* const kAlignNames[3] = {"alignLeft", "alignCentre", "alignRight"};
} // namespace

CLyricsPageDlg::CLyricsPageDlg(MSongSettings& song, const SettingsDlgContext& context, QWidget* parent)
    : QWidget(parent), m_song(song), m_page(song.FindPage(kPageLyrics)), m_context(context)
{
    Build();
    Load();
    RefreshPreview();
}

int CLyricsPageDlg::FewestLines() const
{
    return m_song.settings.singerCount == 2 ? kFewestLinesDuet : kFewestLinesSolo;
}

int CLyricsPageDlg::MostLines() const
{
    return m_page->hasGraphic ? kMostLinesWithPicture : kMostLines;
}

void CLyricsPageDlg::Build()
{
    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    outer->addLayout(left, 1);

    auto* grid = new QGridLayout;
    left->addLayout(grid);
    auto* fontLabel = new QLabel(tr("&Font:"), this);
    m_font = new QComboBox(this);
    m_font->setObjectName("font");
    fontLabel->setBuddy(m_font);
    grid->addWidget(fontLabel, 0, 0);
    grid->addWidget(m_font, 0, 1, 1, 3);

    auto* sizeLabel = new QLabel(tr("&Size:"), this);
    m_size = new QComboBox(this);
    m_size->setObjectName("size");
    sizeLabel->setBuddy(m_size);
    grid->addWidget(sizeLabel, 1, 0);
    grid->addWidget(m_size, 1, 1);
    grid->addWidget(new QLabel(tr("Align:"), this), 1, 2);
    auto* alignRow = new QHBoxLayout;
    alignRow->setSpacing(2);
    auto* alignGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        m_align[i] = new CColorRadio(QString::fromUtf8(kAlignGlyphs[i]), this);
        m_align[i]->setObjectName(kAlignNames[i]);
        m_align[i]->setToolTip(tr(kAlignTips[i]));
        m_align[i]->setFixedSize(28, 24);
        alignGroup->addButton(m_align[i]);
        alignRow->addWidget(m_align[i]);
    }
    alignRow->addStretch(1);
    grid->addLayout(alignRow, 1, 3);

    auto* styleLabel = new QLabel(tr("St&yle:"), this);
    auto* styleRow = new QHBoxLayout;
    m_bold = new QToolButton(this);
    m_bold->setObjectName("bold");
    m_bold->setText("B");
    m_bold->setToolTip(tr("Bold"));
    m_bold->setCheckable(true);
    QFont boldFont = m_bold->font();
    boldFont.setBold(true);
    m_bold->setFont(boldFont);
    styleLabel->setBuddy(m_bold);
    m_italic = new QToolButton(this);
    m_italic->setObjectName("italic");
    m_italic->setText("I");
    m_italic->setToolTip(tr("Italic"));
    m_italic->setCheckable(true);
    QFont italicFont = m_italic->font();
    italicFont.setItalic(true);
    m_italic->setFont(italicFont);
    m_shadow = new QCheckBox(tr("Shadow"), this);
    m_shadow->setObjectName("shadow");
    m_shadowColour = new CColorButton(this);
    m_shadowColour->setObjectName("shadowColour");
    m_shadowColour->setFixedSize(40, 24);
    styleRow->addWidget(m_bold);
    styleRow->addWidget(m_italic);
    styleRow->addWidget(m_shadow);
    styleRow->addWidget(m_shadowColour);
    styleRow->addStretch(1);
    grid->addWidget(styleLabel, 2, 0);
    grid->addLayout(styleRow, 2, 1, 1, 3);

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

    auto* colours = new QGridLayout;
    auto colourButton = [this, colours](const char* text, const char* name, int row, int column) {
        auto* label = new QLabel(tr(text), this);
        auto* button = new CColorButton(this);
        button->setObjectName(name);
        button->setFixedSize(40, 24);
        label->setBuddy(button);
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

    auto* right = new QVBoxLayout;
    outer->addLayout(right);
    m_screen = new CPreviewScreen(this);
    m_screen->setObjectName("previewScreen");
    right->addWidget(m_screen);
    auto* graphic = new QGroupBox(tr("Graphic"), this);
    auto* graphicGrid = new QGridLayout(graphic);
    m_browse = new QPushButton(tr("Browse..."), graphic);
    m_browse->setObjectName("browse");
    m_remove = new QPushButton(tr("Remove"), graphic);
    m_remove->setObjectName("remove");
    m_display = new QComboBox(graphic);
    m_display->setObjectName("display");
    m_draw = new QComboBox(graphic);
    m_draw->setObjectName("draw");
    graphicGrid->addWidget(m_browse, 0, 0);
    graphicGrid->addWidget(m_remove, 0, 1);
    graphicGrid->addWidget(new QLabel(tr("Display:"), graphic), 1, 0);
    graphicGrid->addWidget(m_display, 1, 1);
    graphicGrid->addWidget(new QLabel(tr("Draw:"), graphic), 2, 0);
    graphicGrid->addWidget(m_draw, 2, 1);
    right->addWidget(graphic);
    m_preview = new QPushButton(tr("&Preview"), this);
    m_preview->setObjectName("preview");
    right->addWidget(m_preview);
    right->addStretch(1);

    FillFaces(*m_font);
    FillSizes(*m_size, {14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72});
    FillDisplayModes(*m_display);
    // Only the fills and the dissolve bring a picture in above the lyrics.
    FillTransitions(*m_draw, {kFillRight, kFillLeft, kFillDown, kFillUp, kBlockDissolve});

    connect(m_font, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->style.SetFaceName(FaceAt(*m_font, index));
        Changed();
    });
    connect(m_size, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (m_loading) return;
        m_page->style.size = TypedSize(text);
        Changed();
    });
    connect(m_bold, &QToolButton::toggled, this, [this](bool on) { SetFlag(kStyleBold, on); });
    connect(m_italic, &QToolButton::toggled, this, [this](bool on) { SetFlag(kStyleItalic, on); });
    connect(m_shadow, &QCheckBox::toggled, this, [this](bool on) { SetFlag(kStyleShadow, on); });
    for (int i = 0; i < 3; ++i)
        connect(m_align[i], &QPushButton::clicked, this, [this, i] {
            m_page->style.hAlign = kAlignValues[i];
            Changed();
        });
    connect(m_lines, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        // Re-lays the pages of the song for the new count.
        m_song.SetLinesPerPage(m_lines->itemData(index).toInt());
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
    connect(m_advance, &QSpinBox::valueChanged, this, [this](int magnitude) {
        if (m_loading) return;
        m_song.settings.advanceSweep = -magnitude;
        Changed();
    });
    connect(m_solo, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading && on) SetDuet(false);
    });
    connect(m_duet, &QRadioButton::toggled, this, [this](bool on) {
        if (!m_loading && on) SetDuet(true);
    });
    connect(m_background, &QPushButton::clicked, this,
            [this] { PickColour(m_background, kSlotBackground, &m_page->backgroundColour); });
    connect(m_border, &QPushButton::clicked, this, [this] { PickColour(m_border, kSlotBorder, &m_page->borderColour); });
    connect(m_singer1, &QPushButton::clicked, this,
            [this] { PickColour(m_singer1, kSlotText, &m_page->singerColours.singer1); });
    connect(m_singer2, &QPushButton::clicked, this,
            [this] { PickColour(m_singer2, kSlotSinger2, &m_page->singerColours.singer2); });
    connect(m_both, &QPushButton::clicked, this, [this] { PickColour(m_both, kSlotBoth, &m_page->singerColours.both); });
    connect(m_sweep, &QPushButton::clicked, this, [this] { PickColour(m_sweep, kSlotSweep, &m_song.settings.sweepColour); });
    connect(m_shadowColour, &QPushButton::clicked, this,
            [this] { PickColour(m_shadowColour, kSlotShadow, &m_page->style.shadowColour); });
    connect(m_browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(m_display, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->displayMode = m_display->itemData(index).toInt();
        Changed();
    });
    connect(m_draw, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->drawTransition = m_draw->itemData(index).toInt();
        Changed();
    });
    connect(m_preview, &QPushButton::clicked, this, [this] { Preview(); });
}

void CLyricsPageDlg::Load()
{
    m_loading = true;
    SelectFace(*m_font, m_page->style.FaceName());
    ShowSize(*m_size, m_page->style.size);
    m_bold->setChecked(m_page->style.style & kStyleBold);
    m_italic->setChecked(m_page->style.style & kStyleItalic);
    m_shadow->setChecked(m_page->style.style & kStyleShadow);
    for (int i = 0; i < 3; ++i) m_align[i]->setChecked(m_page->style.hAlign == kAlignValues[i]);
    m_sweepText->setChecked(m_song.settings.sweepKind != kSweepBackground);
    m_sweepBackground->setChecked(m_song.settings.sweepKind == kSweepBackground);
    m_sweepEntireWord->setChecked(m_song.sweepEntireWord != 0);
    m_advance->setValue(std::clamp(-m_song.settings.advanceSweep, 0, int(CAdvanceSweepSpin::kLimit)));
    m_solo->setChecked(m_song.settings.singerCount != 2);
    m_duet->setChecked(m_song.settings.singerCount == 2);
    SelectByData(*m_draw, m_page->drawTransition);
    m_loading = false;
    ShowColours();
    ShowPicture();
    FillLines();
}

void CLyricsPageDlg::ShowColours()
{
    m_background->SetColor(EntryColour(*m_page, m_page->backgroundColour));
    m_border->SetColor(EntryColour(*m_page, m_page->borderColour));
    m_singer1->SetColor(EntryColour(*m_page, m_page->singerColours.singer1));
    m_singer2->SetColor(EntryColour(*m_page, m_page->singerColours.singer2));
    m_both->SetColor(EntryColour(*m_page, m_page->singerColours.both));
    m_sweep->SetColor(EntryColour(*m_page, m_song.settings.sweepColour));
    m_shadowColour->SetColor(EntryColour(*m_page, m_page->style.shadowColour));
    const bool duet = m_song.settings.singerCount == 2;
    m_singer2->setEnabled(duet);
    m_both->setEnabled(duet);
}

void CLyricsPageDlg::ShowPicture()
{
    const bool picture = m_page->hasGraphic != 0;
    m_display->setEnabled(picture);
    m_draw->setEnabled(picture);
    m_remove->setEnabled(picture);
    SelectByData(*m_display, m_page->displayMode);
}

void CLyricsPageDlg::FillLines()
{
    const int fewest = FewestLines(), most = MostLines();
    const int lines = std::clamp(int(m_song.settings.linesPerPage), fewest, most);
    if (lines != m_song.settings.linesPerPage) m_song.SetLinesPerPage(lines);
    {
        const QSignalBlocker block(m_lines);
        m_lines->clear();
        for (int n = fewest; n <= most; ++n) m_lines->addItem(QString::number(n), n);
        m_lines->setCurrentIndex(lines - fewest);
    }
    FillErase();
}

void CLyricsPageDlg::FillErase()
{
    const int largest = std::max(0, int(m_song.settings.linesPerPage) - FewestLines());
    const int choice = std::clamp(int(m_song.eraseLinesFromBottom), 0, largest);
    m_song.eraseLinesFromBottom = choice;
    const QSignalBlocker block(m_erase);
    m_erase->clear();
    for (int n = 0; n <= largest; ++n) m_erase->addItem(QString::number(n));
    m_erase->setCurrentIndex(choice);
}

void CLyricsPageDlg::Changed()
{
    m_song.SetModified(true);
    RefreshPreview();
}

void CLyricsPageDlg::RefreshPreview()
{
    if (Previewing()) return;
    auto generator = m_screen->StillGenerator();
    WriteLyricsSamplePage(*generator, m_song, 0);
    m_screen->Present();
}

void CLyricsPageDlg::SetFlag(int flag, bool on)
{
    if (m_loading) return;
    int32_t& flags = m_page->style.style;
    flags = on ? (flags | flag) : (flags & ~flag);
    Changed();
}

void CLyricsPageDlg::PickColour(CColorButton* button, int slot, int* index)
{
    uint32_t rgb = EntryColour(*m_page, slot);
    if (!ColorPicker::Choose(this, rgb)) return;
    SetEntryColour(*m_page, slot, rgb);
    *index = slot;
    button->SetColor(rgb);
    Changed();
}

void CLyricsPageDlg::SetDuet(bool duet)
{
    m_song.settings.singerCount = duet ? 2 : 1;
    if (duet) {
        MDuetDlg descriptions(m_context.descriptionsSong ? *m_context.descriptionsSong : m_song, this);
        descriptions.exec();
    }
    FillLines();
    ShowColours();
    Changed();
}

void CLyricsPageDlg::Browse()
{
    const QString path = ChoosePicture(this, m_context.graphicsFolder);
    if (path.isEmpty()) return;
    SilentUserPrompt silent;
    UserPrompt& prompt = m_context.prompt ? *m_context.prompt : static_cast<UserPrompt&>(silent);
    if (!LoadPagePicture(*m_page, QFile::encodeName(path).toStdString(), prompt)) return;
    // The picture takes the upper half of the screen; the lyrics the lower half.
    m_page->graphicShare = kPictureShare;
    ShowPicture();
    FillLines();
    Changed();
}

void CLyricsPageDlg::Remove()
{
    ClearPicture(*m_page);
    m_page->graphicShare = 0;
    m_page->backgroundColour = kSlotBackground;
    m_page->borderColour = kSlotBorder;
    m_page->style.colour = kSlotText;
    m_page->style.shadowColour = kSlotShadow;
    m_page->singerColours.Reset();
    ShowColours();
    ShowPicture();
    FillLines();
    Changed();
}

bool CLyricsPageDlg::Previewing() const
{
    return m_screen->Playing();
}

void CLyricsPageDlg::StopPreview()
{
    m_screen->Stop();
}

void CLyricsPageDlg::Preview()
{
    if (Previewing()) return;
    m_preview->setEnabled(false);
    emit PreviewRunning(true);
    m_screen->Play([this](MRwGenerator& generator) { return WriteLyricsSamplePage(generator, m_song, 0); }, kPauseMs);
    m_preview->setEnabled(true);
    emit PreviewRunning(false);
    RefreshPreview();
}
