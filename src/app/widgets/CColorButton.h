#pragma once
#include <QPushButton>
#include <cstdint>

// A push button whose face shows a colour (0xRRGGBB). Its caption, when it has one, is drawn
// over the colour in black or white, whichever reads better, and may run over several lines.
// The caption font can be switched to a symbol face for glyph captions.
class CColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit CColorButton(QWidget* parent = nullptr, const QString& caption = {});

    uint32_t Color() const { return m_color; }
    void SetColor(uint32_t rgb);
    // Draws the caption in a symbol face ("Webdings", "Wingdings"); falls back to the usual
    // font's glyphs where the face is not installed.
    void SetSymbolFont(const QString& face);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_color = 0;
};

// The face colour's caption colour: black on light faces, white on dark ones.
QColor CaptionColourOn(uint32_t rgb);
// Paints a colour button's face: bevel, colour well and caption.
void PaintColourFace(QPushButton& button, uint32_t rgb);
