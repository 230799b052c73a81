#pragma once
#include <QWidget>

// The narrow bar beside the Color Picker's field: brightness from 0 % at the bottom to 100 % at
// the top, for the current hue and saturation. A click or a drag picks the brightness.
class CBrightnessBar : public QWidget {
    Q_OBJECT
public:
    explicit CBrightnessBar(QWidget* parent = nullptr);

    void SetColour(double hue, double saturation, double brightness);
    double Brightness() const { return m_brightness; }
    double BrightnessAt(double y) const;
    double YOf(double brightness) const;

    QSize sizeHint() const override { return {24, 200}; }

signals:
    void Picked(double brightness);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // The gradient sits inside a frame, with room for the marks at either side.
    QRect BarRect() const;

    double m_hue = 0;
    double m_saturation = 0;
    double m_brightness = 0;
};
