#pragma once
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "app/dialogs/SettingsDlgContext.h"

class CColorButton;
class CColorRadio;
class PreviewScreen;
class CdgPacketGenerator;
class KaraokeSong;
class QCheckBox;
class QComboBox;
class QFont;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;
struct IMAGE_STRUCT;
struct t_MTextTypeVer6_s;

// What the title, lyrics and credits tabs of the song settings have in common: the page record
// they edit; its text style controls (face, size, bold, italic, shadow and shadow colour,
// horizontal alignment); the background and border colours; the "Graphic" box with its
// picture and transition; and the preview screen with "&Preview". Every change goes straight
// into the page and the song is marked changed at once.
//
// A tab creates its controls in its own order (which is also their tab order) with the
// builders below, then calls SetUpSharedControls.
class SettingsPageTab : public QWidget {
    Q_OBJECT
public:
    IMAGE_STRUCT& Page() { return *m_page; }
    PreviewScreen* Screen() const { return m_screen; }

    // Draws the page's still picture into the preview screen (nothing while a Preview plays).
    void RefreshPreview();
    // "&Preview": the page played in real time on the preview screen; the button stays
    // disabled and PreviewRunning(true) holds until it ends.
    void Preview();
    bool Previewing() const;
    void StopPreview();

signals:
    void PreviewRunning(bool running);

protected:
    SettingsPageTab(KaraokeSong& song, int32_t kind, const SettingsDlgContext& context, QWidget* parent);

    // Three mutually exclusive glyph buttons in a row, with their tooltips and object names.
    QHBoxLayout* AlignRow(CColorRadio** buttons, const char* const* glyphs, const char* const* tips,
                          const char* const* names);
    // "&Font:" on grid row `row`; "&Size:" on the next with the horizontal alignment buttons
    // (labelled `alignText`, named `alignNames`) beside it; and below them bold, italic, shadow
    // and the shadow colour, labelled `styleText`. Returns that label.
    QLabel* AddTextStyleRows(QGridLayout& grid, int row, const char* alignText, const char* const* alignNames,
                             const char* styleText);
    // A colour button and its label, the label's buddy. The caller lays both out.
    std::pair<QLabel*, CColorButton*> LabelledColourButton(const char* text, const char* name);
    // A new column at the right of `outer`: the preview screen above the "Graphic" box
    // ("Browse...", "Remove", "Display:"; PictureGrid() takes more rows).
    QVBoxLayout* AddPreviewColumn(QHBoxLayout& outer);
    QGridLayout* PictureGrid() const { return m_pictureGrid; }
    // "&Preview" at the foot of the column.
    void AddPreviewButton(QVBoxLayout& column);
    // Fills the face, size and display lists and connects every control made above, the
    // background and border buttons and the "Draw:" list (which the tab makes and fills).
    void SetUpSharedControls(std::initializer_list<int> sizes);

    // Shows a text style in the face, size, style and alignment controls without writing it back.
    void ShowTextStyle(const std::string& face, int32_t size, int32_t flags, int32_t hAlign);
    // Shows the background, border and shadow colours of the page.
    void ShowFrameColours();
    // Enables what applies to a picture only and shows how the picture is displayed.
    virtual void ShowPicture();

    // The per-line style the text style controls write, made when it is needed; null: the
    // page's own style.
    virtual t_MTextTypeVer6_s* StyledLine() { return nullptr; }
    // Writes the page in real time for "&Preview", returning the packets written, and draws
    // its still picture.
    virtual size_t WritePreview(CdgPacketGenerator& generator) = 0;
    virtual int PreviewPauseMs() const { return 0; }
    virtual void DrawStill() = 0;
    // "Browse..." and "Remove".
    virtual void Browse() = 0;
    virtual void Remove() = 0;

    // The song is changed and the preview redrawn.
    void Changed();
    // The colour picker, starting from the colour in `slot`; a chosen colour goes into the
    // slot, `*index` names the slot and the button shows it.
    void PickColour(CColorButton* button, int slot, int32_t* index);
    // The picture chooser, then the picture into the page. False when cancelled or unreadable
    // (the user has been told).
    bool LoadPicture();
    // Takes the picture away and gives the background, border, text and shadow their own slots.
    void ClearPictureAndColours();

    KaraokeSong& m_song;
    IMAGE_STRUCT* m_page;
    SettingsDlgContext m_context;
    bool m_loading = false;

    QComboBox* m_font = nullptr;
    QComboBox* m_size = nullptr;
    CColorRadio* m_hAlign[3] = {};
    QToolButton* m_bold = nullptr;
    QToolButton* m_italic = nullptr;
    QCheckBox* m_shadow = nullptr;
    CColorButton* m_shadowColour = nullptr;
    CColorButton* m_background = nullptr;
    CColorButton* m_border = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_remove = nullptr;
    QComboBox* m_display = nullptr;
    QComboBox* m_draw = nullptr;
    QPushButton* m_preview = nullptr;
    PreviewScreen* m_screen = nullptr;

private:
    // A checkable button captioned `text` in its own font made bold or italic by `look`.
    QToolButton* NewStyleButton(const char* name, const char* text, const char* tip, void (QFont::*look)(bool));
    CColorButton* NewColourButton(const char* name);
    void SetFlag(int32_t flag, bool on);
    void SetHAlign(int32_t align);

    QGridLayout* m_pictureGrid = nullptr;
};
