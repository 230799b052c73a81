#pragma once
#include <QWidget>
#include <cstdint>

#include "app/dialogs/SettingsDlgContext.h"

class CColorButton;
class CColorRadio;
class CPreviewScreen;
class MSongSettings;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
struct IMAGE_STRUCT;
struct t_MTextTypeVer6_s;

// The "Title Page" and "Credits Page" tabs: the page's text, its base style and per-line styles,
// colours, picture, timing and transitions. Every change goes straight into the page record and
// the preview screen shows the page at once.
class CGraphicPageDlg : public QWidget {
    Q_OBJECT
public:
    CGraphicPageDlg(MSongSettings& song, int32_t kind, const SettingsDlgContext& context, QWidget* parent = nullptr);

    IMAGE_STRUCT& Page() { return *m_page; }
    bool IsTitle() const;
    // The style line being edited: 0 the page's base style, k > 0 per-line style k - 1.
    int EditedLine() const { return m_line; }
    CPreviewScreen* Screen() const { return m_screen; }

    // Draws the page's still picture into the preview screen.
    void RefreshPreview();
    // "&Preview": the page in real time (title: draw, hold, erase; credits: draw, hold).
    void Preview();
    bool Previewing() const;
    void StopPreview();

signals:
    void PreviewRunning(bool running);

private:
    void Build();
    void Load();
    void FillLineNumbers();
    // Shows the edited line's face, size, flags, alignment and colour.
    void ShowLine();
    void ShowPicture();
    void Changed();
    // The per-line style being edited, made (with those before it) when the line had none yet;
    // each new one takes a colour slot of its own, starting with the base text colour.
    t_MTextTypeVer6_s& LineStyle();
    bool LineHasStyle() const;
    void SetFlag(int32_t flag, bool on);
    void SetHAlign(int32_t align);
    void PickColour(CColorButton* button, int slot, int32_t* index);
    void PickTextColour();
    void Browse();
    void Remove();

    MSongSettings& m_song;
    IMAGE_STRUCT* m_page;
    SettingsDlgContext m_context;
    int m_line = 0;
    bool m_loading = false;

    QCheckBox* m_enable = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QComboBox* m_lineNumber = nullptr;
    CColorRadio* m_vAlign[3] = {};
    CColorRadio* m_hAlign[3] = {};
    QToolButton* m_bold = nullptr;
    QToolButton* m_italic = nullptr;
    QCheckBox* m_shadow = nullptr;
    CColorButton* m_shadowColour = nullptr;
    QComboBox* m_font = nullptr;
    QComboBox* m_size = nullptr;
    CColorButton* m_background = nullptr;
    CColorButton* m_border = nullptr;
    CColorButton* m_textColour = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_remove = nullptr;
    QComboBox* m_display = nullptr;
    QLineEdit* m_hold = nullptr;
    QComboBox* m_draw = nullptr;
    QComboBox* m_erase = nullptr;
    QPushButton* m_preview = nullptr;
    CPreviewScreen* m_screen = nullptr;
};
