#pragma once
#include <QImage>
#include <QWidget>

// The wide colour field of the Color Picker: hue across (0 degrees at the left edge, 360 at the
// right), saturation up (0 % at the bottom, 100 % at the top), shown at full brightness. The
// current choice is marked by a circle 10 pixels across; a click or a drag picks.
class CHueSatField : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMarkDiameter = 10;

    explicit CHueSatField(QWidget* parent = nullptr);

    void SetHueSat(double hue, double saturation);
    double Hue() const { return m_hue; }
    double Saturation() const { return m_saturation; }
    // Where a hue and saturation lie in the field, and back.
    QPointF PointOf(double hue, double saturation) const;
    void HueSatAt(const QPointF& point, double& hue, double& saturation) const;

    QSize sizeHint() const override { return {300, 200}; }

signals:
    void Picked(double hue, double saturation);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void PickAt(const QPointF& point);

    QImage m_background;
    double m_hue = 0;
    double m_saturation = 0;
};
