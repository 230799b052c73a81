#pragma once
#include <QPushButton>
#include <cstdint>

// A radio-style button (checkable, exclusive with its siblings) whose face shows a colour,
// drawn pressed while it is the chosen one. Captions are often glyphs in a symbol face.
class CColorRadio : public QPushButton {
    Q_OBJECT
public:
    explicit CColorRadio(const QString& caption = {}, QWidget* parent = nullptr);

    uint32_t Color() const { return m_color; }
    void SetColor(uint32_t rgb);
    void SetSymbolFont(const QString& face);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_color;
};
