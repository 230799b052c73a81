#include "app/widgets/CBrightnessBar.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kMarkRoom = 5;
}

CBrightnessBar::CBrightnessBar(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(20, 80);
    setCursor(Qt::CrossCursor);
}

void CBrightnessBar::SetColour(double hue, double saturation, double brightness)
{
    m_hue = std::clamp(hue, 0.0, 360.0);
    m_saturation = std::clamp(saturation, 0.0, 1.0);
    m_brightness = std::clamp(brightness, 0.0, 1.0);
    update();
}

QRect CBrightnessBar::BarRect() const
{
    return rect().adjusted(kMarkRoom, 0, -kMarkRoom, 0);
}

double CBrightnessBar::BrightnessAt(double y) const
{
    const double h = std::max(1, height() - 1);
    return 1.0 - std::clamp(y / h, 0.0, 1.0);
}

double CBrightnessBar::YOf(double brightness) const
{
    return (1.0 - brightness) * std::max(1, height() - 1);
}

void CBrightnessBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect bar = BarRect();
    const float hue = float(std::min(m_hue, 359.999) / 360.0);
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    gradient.setColorAt(0.0, QColor::fromHsvF(hue, float(m_saturation), 1.0f));
    gradient.setColorAt(1.0, Qt::black);
    painter.fillRect(bar, gradient);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(bar.adjusted(0, 0, -1, -1));

    // Two small triangles point at the current brightness.
    const double y = YOf(m_brightness);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(palette().color(QPalette::WindowText));
    painter.setPen(Qt::NoPen);
    const QPointF left[3] = {{0, y - 4}, {0, y + 4}, {double(kMarkRoom), y}};
    const QPointF right[3] = {{double(width()), y - 4}, {double(width()), y + 4}, {double(width() - kMarkRoom), y}};
    painter.drawPolygon(left, 3);
    painter.drawPolygon(right, 3);
}

void CBrightnessBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    m_brightness = BrightnessAt(event->position().y());
    update();
    emit Picked(m_brightness);
}

void CBrightnessBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    m_brightness = BrightnessAt(event->position().y());
    update();
    emit Picked(m_brightness);
}
