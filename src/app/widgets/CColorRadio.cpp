#include "app/widgets/CColorRadio.h"

#include "app/widgets/CColorButton.h"

CColorRadio::CColorRadio(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), m_color(palette().color(QPalette::Button).rgb() & 0xFFFFFF)
{
    setCheckable(true);
    setAutoExclusive(true);
}

void CColorRadio::SetColor(uint32_t rgb)
{
    m_color = rgb & 0xFFFFFF;
    update();
}

void CColorRadio::SetSymbolFont(const QString& face)
{
    QFont f = font();
    f.setFamilies({face, font().family()});
    setFont(f);
}

void CColorRadio::paintEvent(QPaintEvent*)
{
    // The chosen one shows a lighter face as well as the pressed bevel, so the choice reads at a glance.
    PaintColourFace(*this, isChecked() ? QColor(QRgb(m_color)).lighter(115).rgb() & 0xFFFFFF : m_color);
}
