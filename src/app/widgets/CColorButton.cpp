#include "app/widgets/CColorButton.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int kWellInset = 4;
constexpr int kMinimumWidth = 40;
}

QColor CaptionColourOn(uint32_t rgb)
{
    const QColor c(QRgb(rgb & 0xFFFFFF));
    // Perceived lightness, so that a yellow face gets black letters and a blue one white.
    const int luma = (c.red() * 299 + c.green() * 587 + c.blue() * 114) / 1000;
    return luma >= 128 ? Qt::black : Qt::white;
}

void PaintColourFace(QPushButton& button, uint32_t rgb)
{
    QStylePainter painter(&button);
    QStyleOptionButton option;
    option.initFrom(&button);
    option.features = QStyleOptionButton::None;
    if (button.isDown() || button.isChecked()) option.state |= QStyle::State_Sunken;
    else option.state |= QStyle::State_Raised;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    QRect well = button.rect().adjusted(kWellInset, kWellInset, -kWellInset, -kWellInset);
    if (button.isDown() || button.isChecked()) well.translate(1, 1);
    const QColor face(QRgb(rgb & 0xFFFFFF));
    painter.fillRect(well, button.isEnabled() ? face : face.darker(160));
    painter.setPen(button.palette().color(QPalette::Shadow));
    painter.drawRect(well.adjusted(0, 0, -1, -1));

    if (!button.text().isEmpty()) {
        painter.setPen(CaptionColourOn(rgb));
        painter.drawText(well, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, button.text());
    }
    if (button.hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&button);
        focus.rect = well.adjusted(2, 2, -2, -2);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

CColorButton::CColorButton(QWidget* parent, const QString& caption) : QPushButton(caption, parent) {}

void CColorButton::SetColor(uint32_t rgb)
{
    m_color = rgb & 0xFFFFFF;
    setToolTip(QString("#%1").arg(m_color, 6, 16, QChar('0')).toUpper());
    update();
}

void CColorButton::SetSymbolFont(const QString& face)
{
    QFont f = font();
    f.setFamilies({face, font().family()});
    setFont(f);
}

QSize CColorButton::sizeHint() const
{
    QSize hint = QPushButton::sizeHint();
    return {std::max(hint.width(), kMinimumWidth), hint.height()};
}

void CColorButton::paintEvent(QPaintEvent*)
{
    PaintColourFace(*this, m_color);
}
