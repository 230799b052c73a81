#include "app/widgets/CHueSatField.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

CHueSatField::CHueSatField(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(120, 80);
    setCursor(Qt::CrossCursor);
}

void CHueSatField::SetHueSat(double hue, double saturation)
{
    m_hue = std::clamp(hue, 0.0, 360.0);
    m_saturation = std::clamp(saturation, 0.0, 1.0);
    update();
}

QPointF CHueSatField::PointOf(double hue, double saturation) const
{
    const double w = std::max(1, width() - 1), h = std::max(1, height() - 1);
    return {hue / 360.0 * w, (1.0 - saturation) * h};
}

void CHueSatField::HueSatAt(const QPointF& point, double& hue, double& saturation) const
{
    const double w = std::max(1, width() - 1), h = std::max(1, height() - 1);
    hue = std::clamp(point.x() / w, 0.0, 1.0) * 360.0;
    saturation = 1.0 - std::clamp(point.y() / h, 0.0, 1.0);
}

void CHueSatField::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = std::max(1, width()), h = std::max(1, height());
    m_background = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_background.scanLine(y));
        for (int x = 0; x < w; ++x) {
            double hue = 0, sat = 0;
            HueSatAt(QPointF(x, y), hue, sat);
            line[x] = QColor::fromHsvF(float(std::min(hue, 359.999) / 360.0), float(sat), 1.0f).rgb();
        }
    }
}

void CHueSatField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_background);
    const QPointF at = PointOf(m_hue, m_saturation);
    painter.setRenderHint(QPainter::Antialiasing);
    const double r = kMarkDiameter / 2.0;
    painter.setPen(QPen(Qt::black, 1.5));
    painter.drawEllipse(at, r, r);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawEllipse(at, r - 1.5, r - 1.5);
}

void CHueSatField::PickAt(const QPointF& point)
{
    double hue = 0, sat = 0;
    HueSatAt(point, hue, sat);
    SetHueSat(hue, sat);
    emit Picked(hue, sat);
}

void CHueSatField::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) PickAt(event->position());
}

void CHueSatField::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) PickAt(event->position());
}
