#include "app/dialogs/CGraphicPageDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/QtText.h"
#include "app/dialogs/CPreviewScreen.h"
#include "app/dialogs/ColorPicker.h"
#include "app/dialogs/SettingsControls.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CColorRadio.h"
#include "cdg/MRwGenerator.h"
#include "cdg/PagePicture.h"
#include "cdg/PagePreview.h"
#include "cdg/PageWriter.h"
#include "project/ColourSlots.h"
#include "project/MSongSettings.h"
#include "text/UserPrompt.h"

using namespace SettingsControls;

namespace {

constexpr const char* kMsgGraphicOneStyle =
    "Choosing a graphic image will mean\nthat only one line style will apply\nto the lines of text.\n\nDo you want "
    "to continue?";
constexpr const char* kCaptionWarning = "Warning";
constexpr int kHoldCharacters = 7;

// Button order top, centre, bottom and left, centre, right, with the values they store.
constexpr int32_t kVAlignValues[3] = {kAlignTop, kAlignMiddle, kAlignBottom};
constexpr int32_t kHAlignValues[3] = {kAlignLeft, kAlignCentre, kAlignRight};
const char* const kVAlignGlyphs[3] = {"\u2912", "\u21D5", "\u2913"};
const char* const kHAlignGlyphs[3] = {"\u21E4", "\u21D4", "\u21E5"};
const char* const kVAlignTips[3] = {"Top", "Centre", "Bottom"};
const char* const kHAlignTips[3] = {"Left", "Centre", "Right"};
const char* const kVAlignNames[3] = {"vAlignTop", "vAlignCentre", "vAlignBottom"};
const char* const kHAlignNames[3] = {"hAlignLeft", "hAlignCentre", "hAlignRight"};

int PageTextLines(const QString& text)
{
    return std::max<int>(1, int(text.split('\n').size()));
}

} // namespace

CGraphicPageDlg::CGraphicPageDlg(MSongSettings& song, int32_t kind, const SettingsDlgContext& context, QWidget* parent)
    : QWidget(parent), m_song(song), m_page(song.FindPage(kind)), m_context(context)
{
    Build();
    Load();
    RefreshPreview();
}

bool CGraphicPageDlg::IsTitle() const
{
    return m_page->kind == kPageTitle;
}

void CGraphicPageDlg::Build()
{
    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    outer->addLayout(left, 1);

    m_enable = new QCheckBox(tr("Enable this page"), this);
    m_enable->setObjectName("enable");
    left->addWidget(m_enable);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName("pageText");
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The standard menu offers undo, redo, cut, copy, paste, delete and select all, each
    // enabled only when it applies.
    m_text->setContextMenuPolicy(Qt::DefaultContextMenu);
    left->addWidget(m_text, 1);

    auto* grid = new QGridLayout;
    left->addLayout(grid);
    grid->addWidget(new QLabel(tr("Line #"), this), 0, 0);
    m_lineNumber = new QComboBox(this);
    m_lineNumber->setObjectName("lineNumber");
    grid->addWidget(m_lineNumber, 0, 1);

    auto alignRow = [this](CColorRadio** buttons, const char* const* glyphs, const char* const* tips,
                           const char* const* names) {
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        auto* group = new QButtonGroup(this);
        for (int i = 0; i < 3; ++i) {
            buttons[i] = new CColorRadio(QString::fromUtf8(glyphs[i]), this);
            buttons[i]->setObjectName(names[i]);
            buttons[i]->setToolTip(tr(tips[i]));
            buttons[i]->setFixedSize(28, 24);
            group->addButton(buttons[i]);
            row->addWidget(buttons[i]);
        }
        row->addStretch(1);
        return row;
    };
    grid->addWidget(new QLabel(tr("Vert align:"), this), 0, 2);
    grid->addLayout(alignRow(m_vAlign, kVAlignGlyphs, kVAlignTips, kVAlignNames), 0, 3);

    auto* fontLabel = new QLabel(tr("&Font:"), this);
    m_font = new QComboBox(this);
    m_font->setObjectName("font");
    fontLabel->setBuddy(m_font);
    grid->addWidget(fontLabel, 1, 0);
    grid->addWidget(m_font, 1, 1, 1, 3);

    auto* sizeLabel = new QLabel(tr("&Size:"), this);
    m_size = new QComboBox(this);
    m_size->setObjectName("size");
    sizeLabel->setBuddy(m_size);
    grid->addWidget(sizeLabel, 2, 0);
    grid->addWidget(m_size, 2, 1);
    grid->addWidget(new QLabel(tr("Horiz align:"), this), 2, 2);
    grid->addLayout(alignRow(m_hAlign, kHAlignGlyphs, kHAlignTips, kHAlignNames), 2, 3);

    grid->addWidget(new QLabel(tr("Style:"), this), 3, 0);
    auto* styleRow = new QHBoxLayout;
    m_bold = new QToolButton(this);
    m_bold->setObjectName("bold");
    m_bold->setText("B");
    m_bold->setToolTip(tr("Bold"));
    m_bold->setCheckable(true);
    QFont boldFont = m_bold->font();
    boldFont.setBold(true);
    m_bold->setFont(boldFont);
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
    grid->addLayout(styleRow, 3, 1, 1, 3);

    auto* colourRow = new QHBoxLayout;
    auto colourButton = [this, colourRow](const char* text, const char* name) {
        auto* label = new QLabel(tr(text), this);
        auto* button = new CColorButton(this);
        button->setObjectName(name);
        button->setFixedSize(40, 24);
        label->setBuddy(button);
        colourRow->addWidget(label);
        colourRow->addWidget(button);
        return button;
    };
    m_background = colourButton("Bkgnd:", "background");
    m_border = colourButton("&Border:", "border");
    m_textColour = colourButton("Text:", "textColour");
    colourRow->addStretch(1);
    left->addLayout(colourRow);

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
    graphicGrid->addWidget(m_browse, 0, 0);
    graphicGrid->addWidget(m_remove, 0, 1);
    graphicGrid->addWidget(new QLabel(tr("Display:"), graphic), 1, 0);
    graphicGrid->addWidget(m_display, 1, 1);
    right->addWidget(graphic);

    auto* timing = new QGridLayout;
    m_hold = new QLineEdit(this);
    m_hold->setObjectName("hold");
    m_hold->setMaxLength(kHoldCharacters);
    m_draw = new QComboBox(this);
    m_draw->setObjectName("draw");
    m_erase = new QComboBox(this);
    m_erase->setObjectName("erase");
    auto* holdLabel = new QLabel(tr("Hold:"), this);
    auto* eraseLabel = new QLabel(tr("Erase:"), this);
    timing->addWidget(holdLabel, 0, 0);
    timing->addWidget(m_hold, 0, 1);
    timing->addWidget(new QLabel(tr("Draw:"), this), 1, 0);
    timing->addWidget(m_draw, 1, 1);
    timing->addWidget(eraseLabel, 2, 0);
    timing->addWidget(m_erase, 2, 1);
    right->addLayout(timing);
    m_preview = new QPushButton(tr("&Preview"), this);
    m_preview->setObjectName("preview");
    right->addWidget(m_preview);
    right->addStretch(1);

    FillFaces(*m_font);
    FillSizes(*m_size, {14, 16, 18, 20, 22, 24, 26, 28, 36, 72});
    FillDisplayModes(*m_display);
    FillTransitions(*m_draw, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    FillTransitions(*m_erase, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    // The credits page is not taken off the screen: it ends the song.
    eraseLabel->setVisible(IsTitle());
    m_erase->setVisible(IsTitle());

    connect(m_enable, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_page->enabled = on ? 1 : 0;
        Changed();
    });
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        if (m_loading) return;
        m_page->text = ToAnsi(m_text->toPlainText());
        FillLineNumbers();
        Changed();
    });
    connect(m_lineNumber, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_line = index;
        ShowLine();
    });
    for (int i = 0; i < 3; ++i) {
        connect(m_vAlign[i], &QPushButton::clicked, this, [this, i] {
            m_page->style.vAlign = kVAlignValues[i];
            Changed();
        });
        connect(m_hAlign[i], &QPushButton::clicked, this, [this, i] { SetHAlign(kHAlignValues[i]); });
    }
    connect(m_bold, &QToolButton::toggled, this, [this](bool on) { SetFlag(kStyleBold, on); });
    connect(m_italic, &QToolButton::toggled, this, [this](bool on) { SetFlag(kStyleItalic, on); });
    connect(m_shadow, &QCheckBox::toggled, this, [this](bool on) { SetFlag(kStyleShadow, on); });
    connect(m_font, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        const std::string face = FaceAt(*m_font, index);
        if (m_line == 0) m_page->style.SetFaceName(face);
        else LineStyle().faceName = face;
        Changed();
    });
    connect(m_size, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (m_loading) return;
        const int size = TypedSize(text);
        if (m_line == 0) m_page->style.size = size;
        else LineStyle().size = size;
        Changed();
    });
    connect(m_shadowColour, &QPushButton::clicked, this,
            [this] { PickColour(m_shadowColour, kSlotShadow, &m_page->style.shadowColour); });
    connect(m_background, &QPushButton::clicked, this,
            [this] { PickColour(m_background, kSlotBackground, &m_page->backgroundColour); });
    connect(m_border, &QPushButton::clicked, this,
            [this] { PickColour(m_border, kSlotBorder, &m_page->borderColour); });
    connect(m_textColour, &QPushButton::clicked, this, [this] { PickTextColour(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { Browse(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(m_display, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->displayMode = m_display->itemData(index).toInt();
        Changed();
    });
    connect(m_hold, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_page->holdTime = HoldHundredths(text);
        Changed();
    });
    connect(m_draw, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->drawTransition = m_draw->itemData(index).toInt();
        Changed();
    });
    connect(m_erase, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->eraseTransition = m_erase->itemData(index).toInt();
        Changed();
    });
    connect(m_preview, &QPushButton::clicked, this, [this] { Preview(); });
}

void CGraphicPageDlg::Load()
{
    m_loading = true;
    m_enable->setChecked(m_page->enabled != 0);
    m_text->setPlainText(FromAnsi(m_page->text));
    for (int i = 0; i < 3; ++i) m_vAlign[i]->setChecked(m_page->style.vAlign == kVAlignValues[i]);
    m_shadowColour->SetColor(EntryColour(*m_page, m_page->style.shadowColour));
    m_background->SetColor(EntryColour(*m_page, m_page->backgroundColour));
    m_border->SetColor(EntryColour(*m_page, m_page->borderColour));
    m_hold->setText(HoldText(m_page->holdTime));
    SelectByData(*m_draw, m_page->drawTransition);
    SelectByData(*m_erase, m_page->eraseTransition);
    m_loading = false;
    FillLineNumbers();
    ShowPicture();
}

void CGraphicPageDlg::FillLineNumbers()
{
    // One entry per line of the text (and never fewer than the styles kept): choosing a line
    // edits its style. With a picture only the base style applies.
    int count = 1;
    if (!m_page->hasGraphic)
        count = std::max(int(m_page->lineStyles.Count()) + 1, PageTextLines(FromAnsi(m_page->text)));
    const bool loading = m_loading;
    m_loading = true;
    if (m_lineNumber->count() != count) {
        m_lineNumber->clear();
        for (int i = 1; i <= count; ++i) m_lineNumber->addItem(QString::number(i));
    }
    m_line = std::min(m_line, count - 1);
    m_lineNumber->setCurrentIndex(m_line);
    m_loading = loading;
    ShowLine();
}

bool CGraphicPageDlg::LineHasStyle() const
{
    return m_line > 0 && size_t(m_line) <= m_page->lineStyles.Count();
}

void CGraphicPageDlg::ShowLine()
{
    std::string face = m_page->style.FaceName();
    int32_t size = m_page->style.size, flags = m_page->style.style, hAlign = m_page->style.hAlign;
    int32_t colour = m_page->style.colour;
    if (LineHasStyle()) {
        const t_MTextTypeVer6_s s = m_page->lineStyles.At(m_line - 1);
        face = s.faceName;
        size = s.size;
        flags = s.style;
        hAlign = s.hAlign;
        colour = s.colour;
    }
    const bool loading = m_loading;
    m_loading = true;
    SelectFace(*m_font, face);
    ShowSize(*m_size, size);
    {
        const QSignalBlocker b1(m_bold), b2(m_italic), b3(m_shadow);
        m_bold->setChecked(flags & kStyleBold);
        m_italic->setChecked(flags & kStyleItalic);
        m_shadow->setChecked(flags & kStyleShadow);
    }
    for (int i = 0; i < 3; ++i) m_hAlign[i]->setChecked(hAlign == kHAlignValues[i]);
    m_textColour->SetColor(EntryColour(*m_page, colour));
    m_loading = loading;
}

void CGraphicPageDlg::ShowPicture()
{
    const bool picture = m_page->hasGraphic != 0;
    m_display->setEnabled(picture);
    m_remove->setEnabled(picture);
    SelectByData(*m_display, m_page->displayMode);
}

void CGraphicPageDlg::Changed()
{
    m_song.SetModified(true);
    RefreshPreview();
}

void CGraphicPageDlg::RefreshPreview()
{
    if (Previewing()) return;
    DrawPagePreview(m_screen->Renderer(), *m_page);
    m_screen->Present();
}

t_MTextTypeVer6_s& CGraphicPageDlg::LineStyle()
{
    auto& lines = m_page->lineStyles.lines;
    while (lines.size() < size_t(m_line)) {
        t_MTextTypeVer6_s s;
        s.faceName = m_page->style.FaceName();
        s.size = m_page->style.size;
        s.style = m_page->style.style;
        s.hAlign = m_page->style.hAlign;
        const int slot = FreeLineColourSlot(m_page->lineStyles);
        // With every line slot taken the line shares the base text colour.
        s.colour = slot >= 0 ? slot : m_page->style.colour;
        if (slot >= 0) SetEntryColour(*m_page, slot, EntryColour(*m_page, m_page->style.colour));
        lines.push_back(s);
    }
    return lines[size_t(m_line) - 1];
}

void CGraphicPageDlg::SetFlag(int32_t flag, bool on)
{
    if (m_loading) return;
    int32_t& flags = m_line == 0 ? m_page->style.style : LineStyle().style;
    flags = on ? (flags | flag) : (flags & ~flag);
    Changed();
}

void CGraphicPageDlg::SetHAlign(int32_t align)
{
    if (m_line == 0) m_page->style.hAlign = align;
    else LineStyle().hAlign = align;
    Changed();
}

void CGraphicPageDlg::PickColour(CColorButton* button, int slot, int32_t* index)
{
    uint32_t rgb = EntryColour(*m_page, slot);
    if (!ColorPicker::Choose(this, rgb)) return;
    SetEntryColour(*m_page, slot, rgb);
    *index = slot;
    button->SetColor(rgb);
    Changed();
}

void CGraphicPageDlg::PickTextColour()
{
    if (m_line == 0) {
        PickColour(m_textColour, kSlotText, &m_page->style.colour);
        return;
    }
    const bool hadStyle = LineHasStyle();
    uint32_t rgb = EntryColour(*m_page, hadStyle ? m_page->lineStyles.Colour(m_line - 1) : m_page->style.colour);
    if (!ColorPicker::Choose(this, rgb)) return;
    t_MTextTypeVer6_s& s = LineStyle();
    // A line that shares its slot with another (all slots were taken when it got its style)
    // gets one of its own now if one has come free.
    const int index = m_line - 1;
    const bool owned = OwnsColourSlot(m_page->lineStyles, index);
    if (!owned) {
        const int slot = FreeLineColourSlot(m_page->lineStyles, index);
        if (slot >= 0) s.colour = slot;
    }
    SetEntryColour(*m_page, s.colour, rgb);
    m_textColour->SetColor(rgb);
    Changed();
}

void CGraphicPageDlg::Browse()
{
    if (m_page->lineStyles.Count() > 0 && m_context.prompt &&
        m_context.prompt->Ask(kMsgGraphicOneStyle, kCaptionWarning, PromptButtons::YesNo, PromptIcon::Warning) !=
            PromptAnswer::Yes)
        return;
    const QString path = ChoosePicture(this, m_context.graphicsFolder);
    if (path.isEmpty()) return;
    SilentUserPrompt silent;
    UserPrompt& prompt = m_context.prompt ? *m_context.prompt : static_cast<UserPrompt&>(silent);
    if (!LoadPagePicture(*m_page, QFile::encodeName(path).toStdString(), prompt)) return;
    m_line = 0;
    FillLineNumbers();
    ShowPicture();
    Changed();
}

void CGraphicPageDlg::Remove()
{
    ClearPicture(*m_page);
    m_page->backgroundColour = kSlotBackground;
    m_page->borderColour = kSlotBorder;
    m_page->style.colour = kSlotText;
    m_page->style.shadowColour = kSlotShadow;
    m_page->lineStyles.lines.clear();
    m_line = 0;
    Load();
    Changed();
}

bool CGraphicPageDlg::Previewing() const
{
    return m_screen->Playing();
}

void CGraphicPageDlg::StopPreview()
{
    m_screen->Stop();
}

void CGraphicPageDlg::Preview()
{
    if (Previewing()) return;
    m_preview->setEnabled(false);
    emit PreviewRunning(true);
    const bool title = IsTitle();
    m_screen->Play([this, title](MRwGenerator& generator) { return WritePage(generator, *m_page, title, 0); });
    m_preview->setEnabled(true);
    emit PreviewRunning(false);
    RefreshPreview();
}
