#pragma once
#include <cstdint>

#include "app/dialogs/SettingsPageTab.h"

class CColorButton;
class CColorRadio;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The "Title Page" and "Credits Page" tabs: the page's text, its base style and per-line styles,
// colours, picture, timing and transitions. Every change goes straight into the page record and
// the preview screen shows the page at once.
class GraphicPageDialog : public SettingsPageTab {
    Q_OBJECT
public:
    GraphicPageDialog(KaraokeSong& song, int32_t kind, const SettingsDlgContext& context, QWidget* parent = nullptr);

    bool IsTitle() const;
    // The style line being edited: 0 the page's base style, k > 0 per-line style k - 1.
    int EditedLine() const { return m_line; }

protected:
    // The edited line's style once line 1 is left; the page's own style on line 1.
    t_MTextTypeVer6_s* StyledLine() override;
    // Title: draw, hold, erase; credits: draw, hold.
    size_t WritePreview(CdgPacketGenerator& generator) override;
    void DrawStill() override;
    void Browse() override;
    void Remove() override;

private:
    void Build();
    void Load();
    void FillLineNumbers();
    // Shows the edited line's face, size, flags, alignment and colour.
    void ShowLine();
    // The per-line style being edited, made (with those before it) when the line had none yet;
    // each new one takes a colour slot of its own, starting with the base text colour.
    t_MTextTypeVer6_s& LineStyle();
    bool LineHasStyle() const;
    void PickTextColour();

    int m_line = 0;

    QCheckBox* m_enable = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QComboBox* m_lineNumber = nullptr;
    CColorRadio* m_vAlign[3] = {};
    CColorButton* m_textColour = nullptr;
    QLineEdit* m_hold = nullptr;
    QComboBox* m_erase = nullptr;
};
