#include "app/dialogs/GraphicPageDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/QtText.h"
#include "app/dialogs/PreviewScreen.h"
#include "app/dialogs/ColorPicker.h"
#include "app/dialogs/SettingsControls.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CColorRadio.h"
#include "cdg/PageWriter.h"
#include "player/PagePreview.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

using namespace SettingsControls;

namespace {

constexpr const char* kMsgGraphicOneStyle =
    "Choosing a graphic image will mean\nthat only one line style will apply\nto the lines of text.\n\nDo you want "
    "to continue?";
constexpr const char* kCaptionWarning = "Warning";
constexpr int kHoldCharacters = 7;

// Button order top, centre, bottom, with the values they store.
constexpr int32_t kVAlignValues[3] = {kAlignTop, kAlignMiddle, kAlignBottom};
const char* const kVAlignGlyphs[3] = {"\u2912", "\u21D5", "\u2913"};
const char* const kVAlignTips[3] = {"Top", "Centre", "Bottom"};
const char* const kVAlignNames[3] = {"vAlignTop", "vAlignCentre", "vAlignBottom"};
const char* const kHAlignNames[3] = {"hAlignLeft", "hAlignCentre", "hAlignRight"};

int PageTextLines(const QString& text)
{
    return std::max<int>(1, int(text.split('\n').size()));
}

} // namespace

GraphicPageDialog::GraphicPageDialog(KaraokeSong& song, int32_t kind, const SettingsDlgContext& context, QWidget* parent)
    : SettingsPageTab(song, kind, context, parent)
{
    Build();
    Load();
    RefreshPreview();
}

bool GraphicPageDialog::IsTitle() const
{
    return m_page->kind == kPageTitle;
}

void GraphicPageDialog::Build()
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
    grid->addWidget(new QLabel(tr("Vert align:"), this), 0, 2);
    grid->addLayout(AlignRow(m_vAlign, kVAlignGlyphs, kVAlignTips, kVAlignNames), 0, 3);
    AddTextStyleRows(*grid, 1, "Horiz align:", kHAlignNames, "Style:");

    auto* colourRow = new QHBoxLayout;
    auto colourButton = [this, colourRow](const char* text, const char* name) {
        const auto [label, button] = LabelledColourButton(text, name);
        colourRow->addWidget(label);
        colourRow->addWidget(button);
        return button;
    };
    m_background = colourButton("Bkgnd:", "background");
    m_border = colourButton("&Border:", "border");
    m_textColour = colourButton("Text:", "textColour");
    colourRow->addStretch(1);
    left->addLayout(colourRow);

    QVBoxLayout* right = AddPreviewColumn(*outer);
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
    AddPreviewButton(*right);

    FillTransitions(*m_draw, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    FillTransitions(*m_erase, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    // The credits page is not taken off the screen: it ends the song.
    eraseLabel->setVisible(IsTitle());
    m_erase->setVisible(IsTitle());
    SetUpSharedControls({14, 16, 18, 20, 22, 24, 26, 28, 36, 72});

    connect(m_enable, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_page->enabled = on ? 1 : 0;
        Changed();
    });
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        if (m_loading) return;
        m_page->text = EngineText(m_text->toPlainText());
        FillLineNumbers();
        Changed();
    });
    connect(m_lineNumber, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_line = index;
        ShowLine();
    });
    for (int i = 0; i < 3; ++i)
        connect(m_vAlign[i], &QPushButton::clicked, this, [this, i] {
            m_page->style.vAlign = kVAlignValues[i];
            Changed();
        });
    connect(m_textColour, &QPushButton::clicked, this, [this] { PickTextColour(); });
    connect(m_hold, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_page->holdTime = HoldHundredths(text);
        Changed();
    });
    connect(m_erase, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        m_page->eraseTransition = m_erase->itemData(index).toInt();
        Changed();
    });
}

void GraphicPageDialog::Load()
{
    m_loading = true;
    m_enable->setChecked(m_page->enabled != 0);
    m_text->setPlainText(QtText(m_page->text));
    for (int i = 0; i < 3; ++i) m_vAlign[i]->setChecked(m_page->style.vAlign == kVAlignValues[i]);
    ShowFrameColours();
    m_hold->setText(HoldText(m_page->holdTime));
    SelectByData(*m_draw, m_page->drawTransition);
    SelectByData(*m_erase, m_page->eraseTransition);
    m_loading = false;
    FillLineNumbers();
    ShowPicture();
}

void GraphicPageDialog::FillLineNumbers()
{
    // One entry per line of the text (and never fewer than the styles kept): choosing a line
    // edits its style. With a picture only the base style applies.
    int count = 1;
    if (!m_page->hasGraphic)
        count = std::max(int(m_page->lineStyles.Count()) + 1, PageTextLines(QtText(m_page->text)));
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

bool GraphicPageDialog::LineHasStyle() const
{
    return m_line > 0 && size_t(m_line) <= m_page->lineStyles.Count();
}

void GraphicPageDialog::ShowLine()
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
    ShowTextStyle(face, size, flags, hAlign);
    m_textColour->SetColor(EntryColour(*m_page, colour));
}

void GraphicPageDialog::DrawStill()
{
    DrawPagePreview(m_screen->Renderer(), *m_page);
}

size_t GraphicPageDialog::WritePreview(CdgPacketGenerator& generator)
{
    return WritePage(generator, *m_page, IsTitle(), 0);
}

t_MTextTypeVer6_s* GraphicPageDialog::StyledLine()
{
    return m_line == 0 ? nullptr : &LineStyle();
}

t_MTextTypeVer6_s& GraphicPageDialog::LineStyle()
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

void GraphicPageDialog::PickTextColour()
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

void GraphicPageDialog::Browse()
{
    if (m_page->lineStyles.Count() > 0 && m_context.prompt &&
        m_context.prompt->Ask(kMsgGraphicOneStyle, kCaptionWarning, PromptButtons::YesNo, PromptIcon::Warning) !=
            PromptAnswer::Yes)
        return;
    if (!LoadPicture()) return;
    m_line = 0;
    FillLineNumbers();
    ShowPicture();
    Changed();
}

void GraphicPageDialog::Remove()
{
    ClearPictureAndColours();
    m_page->lineStyles.lines.clear();
    m_line = 0;
    Load();
    Changed();
}
