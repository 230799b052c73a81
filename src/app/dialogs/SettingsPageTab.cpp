#include "app/dialogs/SettingsPageTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/dialogs/PreviewScreen.h"
#include "app/dialogs/ColorPicker.h"
#include "app/dialogs/SettingsControls.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CColorRadio.h"
#include "cdg/PagePicture.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

using namespace SettingsControls;

namespace {

// Button order left, centre, right, with the values they store.
constexpr int32_t kHAlignValues[3] = {kAlignLeft, kAlignCentre, kAlignRight};
const char* const kHAlignGlyphs[3] = {"\u21E4", "\u21D4", "\u21E5"};
const char* const kHAlignTips[3] = {"Left", "Centre", "Right"};

} // namespace

SettingsPageTab::SettingsPageTab(KaraokeSong& song, int32_t kind, const SettingsDlgContext& context,
                                   QWidget* parent)
    : QWidget(parent), m_song(song), m_page(song.FindPage(kind)), m_context(context)
{
}

QHBoxLayout* SettingsPageTab::AlignRow(CColorRadio** buttons, const char* const* glyphs, const char* const* tips,
                                        const char* const* names)
{
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
}

QLabel* SettingsPageTab::AddTextStyleRows(QGridLayout& grid, int row, const char* alignText,
                                           const char* const* alignNames, const char* styleText)
{
    auto* fontLabel = new QLabel(tr("&Font:"), this);
    m_font = new QComboBox(this);
    m_font->setObjectName("font");
    fontLabel->setBuddy(m_font);
    grid.addWidget(fontLabel, row, 0);
    grid.addWidget(m_font, row, 1, 1, 3);

    auto* sizeLabel = new QLabel(tr("&Size:"), this);
    m_size = new QComboBox(this);
    m_size->setObjectName("size");
    sizeLabel->setBuddy(m_size);
    grid.addWidget(sizeLabel, row + 1, 0);
    grid.addWidget(m_size, row + 1, 1);
    grid.addWidget(new QLabel(tr(alignText), this), row + 1, 2);
    grid.addLayout(AlignRow(m_hAlign, kHAlignGlyphs, kHAlignTips, alignNames), row + 1, 3);

    auto* styleLabel = new QLabel(tr(styleText), this);
    auto* styleRow = new QHBoxLayout;
    m_bold = NewStyleButton("bold", "B", "Bold", &QFont::setBold);
    m_italic = NewStyleButton("italic", "I", "Italic", &QFont::setItalic);
    m_shadow = new QCheckBox(tr("Shadow"), this);
    m_shadow->setObjectName("shadow");
    m_shadowColour = NewColourButton("shadowColour");
    styleRow->addWidget(m_bold);
    styleRow->addWidget(m_italic);
    styleRow->addWidget(m_shadow);
    styleRow->addWidget(m_shadowColour);
    styleRow->addStretch(1);
    grid.addWidget(styleLabel, row + 2, 0);
    grid.addLayout(styleRow, row + 2, 1, 1, 3);
    return styleLabel;
}

QToolButton* SettingsPageTab::NewStyleButton(const char* name, const char* text, const char* tip,
                                              void (QFont::*look)(bool))
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tr(tip));
    button->setCheckable(true);
    QFont font = button->font();
    (font.*look)(true);
    button->setFont(font);
    return button;
}

CColorButton* SettingsPageTab::NewColourButton(const char* name)
{
    auto* button = new CColorButton(this);
    button->setObjectName(name);
    button->setFixedSize(40, 24);
    return button;
}

std::pair<QLabel*, CColorButton*> SettingsPageTab::LabelledColourButton(const char* text, const char* name)
{
    auto* label = new QLabel(tr(text), this);
    CColorButton* button = NewColourButton(name);
    label->setBuddy(button);
    return {label, button};
}

QVBoxLayout* SettingsPageTab::AddPreviewColumn(QHBoxLayout& outer)
{
    auto* column = new QVBoxLayout;
    outer.addLayout(column);
    m_screen = new PreviewScreen(this);
    m_screen->setObjectName("previewScreen");
    column->addWidget(m_screen);

    auto* graphic = new QGroupBox(tr("Graphic"), this);
    m_pictureGrid = new QGridLayout(graphic);
    m_browse = new QPushButton(tr("Browse..."), graphic);
    m_browse->setObjectName("browse");
    m_remove = new QPushButton(tr("Remove"), graphic);
    m_remove->setObjectName("remove");
    m_display = new QComboBox(graphic);
    m_display->setObjectName("display");
    m_pictureGrid->addWidget(m_browse, 0, 0);
    m_pictureGrid->addWidget(m_remove, 0, 1);
    m_pictureGrid->addWidget(new QLabel(tr("Display:"), graphic), 1, 0);
    m_pictureGrid->addWidget(m_display, 1, 1);
    column->addWidget(graphic);
    return column;
}

void SettingsPageTab::AddPreviewButton(QVBoxLayout& column)
{
    m_preview = new QPushButton(tr("&Preview"), this);
    m_preview->setObjectName("preview");
    column.addWidget(m_preview);
    column.addStretch(1);
}

void SettingsPageTab::SetUpSharedControls(std::initializer_list<int> sizes)
{
    FillFaces(*m_font);
    FillSizes(*m_size, sizes);
    FillDisplayModes(*m_display);

    connect(m_font, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || index < 0) return;
        const std::string face = FaceAt(*m_font, index);
        if (t_MTextTypeVer6_s* line = StyledLine()) line->faceName = face;
        else m_page->style.SetFaceName(face);
        Changed();
    });
    connect(m_size, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (m_loading) return;
        const int size = TypedSize(text);
        if (t_MTextTypeVer6_s* line = StyledLine()) line->size = size;
        else m_page->style.size = size;
        Changed();
    });
    for (int i = 0; i < 3; ++i)
        connect(m_hAlign[i], &QPushButton::clicked, this, [this, i] { SetHAlign(kHAlignValues[i]); });
    connect(m_bold, &QToolButton::toggled, this, [this](bool on) { SetFlag(kStyleBold, on); });
    connect(m_italic, &QToolButton::toggled, this, [this](bool on) { SetFlag(kStyleItalic, on); });
    connect(m_shadow, &QCheckBox::toggled, this, [this](bool on) { SetFlag(kStyleShadow, on); });
    connect(m_shadowColour, &QPushButton::clicked, this,
            [this] { PickColour(m_shadowColour, kSlotShadow, &m_page->style.shadowColour); });
    connect(m_background, &QPushButton::clicked, this,
            [this] { PickColour(m_background, kSlotBackground, &m_page->backgroundColour); });
    connect(m_border, &QPushButton::clicked, this,
            [this] { PickColour(m_border, kSlotBorder, &m_page->borderColour); });
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

void SettingsPageTab::ShowTextStyle(const std::string& face, int32_t size, int32_t flags, int32_t hAlign)
{
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
    m_loading = loading;
}

void SettingsPageTab::ShowFrameColours()
{
    m_background->SetColor(EntryColour(*m_page, m_page->backgroundColour));
    m_border->SetColor(EntryColour(*m_page, m_page->borderColour));
    m_shadowColour->SetColor(EntryColour(*m_page, m_page->style.shadowColour));
}

void SettingsPageTab::ShowPicture()
{
    const bool picture = m_page->hasGraphic != 0;
    m_display->setEnabled(picture);
    m_remove->setEnabled(picture);
    SelectByData(*m_display, m_page->displayMode);
}

void SettingsPageTab::SetFlag(int32_t flag, bool on)
{
    if (m_loading) return;
    t_MTextTypeVer6_s* line = StyledLine();
    int32_t& flags = line ? line->style : m_page->style.style;
    flags = on ? (flags | flag) : (flags & ~flag);
    Changed();
}

void SettingsPageTab::SetHAlign(int32_t align)
{
    if (t_MTextTypeVer6_s* line = StyledLine()) line->hAlign = align;
    else m_page->style.hAlign = align;
    Changed();
}

void SettingsPageTab::Changed()
{
    RefreshPreview();
}

void SettingsPageTab::PickColour(CColorButton* button, int slot, int32_t* index)
{
    uint32_t rgb = EntryColour(*m_page, slot);
    if (!ColorPicker::Choose(this, rgb)) return;
    SetEntryColour(*m_page, slot, rgb);
    *index = slot;
    button->SetColor(rgb);
    Changed();
}

bool SettingsPageTab::LoadPicture()
{
    const QString path = ChoosePicture(this, m_context.graphicsFolder);
    if (path.isEmpty()) return false;
    SilentUserPrompt silent;
    UserPrompt& prompt = m_context.prompt ? *m_context.prompt : static_cast<UserPrompt&>(silent);
    return LoadPagePicture(*m_page, QFile::encodeName(path).toStdString(), prompt);
}

void SettingsPageTab::ClearPictureAndColours()
{
    ClearPicture(*m_page);
    m_page->backgroundColour = kSlotBackground;
    m_page->borderColour = kSlotBorder;
    m_page->style.colour = kSlotText;
    m_page->style.shadowColour = kSlotShadow;
}

void SettingsPageTab::RefreshPreview()
{
    if (Previewing()) return;
    DrawStill();
    m_screen->Present();
}

bool SettingsPageTab::Previewing() const
{
    return m_screen->Playing();
}

void SettingsPageTab::StopPreview()
{
    m_screen->Stop();
}

void SettingsPageTab::Preview()
{
    if (Previewing()) return;
    m_preview->setEnabled(false);
    emit PreviewRunning(true);
    m_screen->Play([this](CdgPacketGenerator& generator) { return WritePreview(generator); }, PreviewPauseMs());
    m_preview->setEnabled(true);
    emit PreviewRunning(false);
    RefreshPreview();
}
