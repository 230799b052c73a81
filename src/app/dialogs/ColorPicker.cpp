#include "app/dialogs/ColorPicker.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/widgets/CBrightnessBar.h"
#include "app/widgets/CHueSatField.h"
#include "cdg/CdgColour.h"

namespace {

constexpr double kTop = ColorPicker::kLevels - 1;
// HSB arithmetic in doubles can land a hair below a whole level (7/15 x 15 = 6.9999...).
constexpr double kLevelSlack = 1e-9;

ColorPicker::Answerer& TestAnswerer()
{
    static ColorPicker::Answerer answerer;
    return answerer;
}

int LevelOf(double component)
{
    return std::clamp(int(std::floor(kTop * component + kLevelSlack)), 0, int(kTop));
}

} // namespace

ColorLevels ColorPicker::LevelsOf(uint32_t rgb)
{
    return {int((rgb >> 16) & 0xFF) / kCdgChannelStep, int((rgb >> 8) & 0xFF) / kCdgChannelStep,
            int(rgb & 0xFF) / kCdgChannelStep};
}

uint32_t ColorPicker::ColorOf(const ColorLevels& l)
{
    auto c = [](int level) { return uint32_t(std::clamp(level, 0, int(kTop)) * kCdgChannelStep); };
    return (c(l.red) << 16) | (c(l.green) << 8) | c(l.blue);
}

HsbColour ColorPicker::HsbOf(const ColorLevels& l)
{
    const double r = l.red / kTop, g = l.green / kTop, b = l.blue / kTop;
    const double max = std::max({r, g, b}), min = std::min({r, g, b});
    HsbColour hsb;
    hsb.brightness = max;
    hsb.saturation = max > 0 ? (max - min) / max : 0;
    if (max > min) {
        const double d = max - min;
        double h = 0;
        if (max == r) h = (g - b) / d;
        else if (max == g) h = 2 + (b - r) / d;
        else h = 4 + (r - g) / d;
        h *= 60;
        if (h < 0) h += 360;
        hsb.hue = h;
    }
    return hsb;
}

ColorLevels ColorPicker::LevelsOf(const HsbColour& hsb)
{
    const double s = std::clamp(hsb.saturation, 0.0, 1.0), v = std::clamp(hsb.brightness, 0.0, 1.0);
    double h = std::fmod(std::max(hsb.hue, 0.0), 360.0) / 60.0;
    const int sector = std::clamp(int(h), 0, 5);
    const double f = h - sector;
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double r = v, g = t, b = p;
    switch (sector) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    return {LevelOf(r), LevelOf(g), LevelOf(b)};
}

void ColorPicker::SetAnswererForTesting(Answerer answerer)
{
    TestAnswerer() = std::move(answerer);
}

bool ColorPicker::Choose(QWidget* parent, uint32_t& rgb)
{
    if (TestAnswerer()) return TestAnswerer()(rgb);
    ColorPicker picker(rgb, parent);
    if (picker.exec() != QDialog::Accepted) return false;
    rgb = picker.Color();
    return true;
}

ColorPicker::ColorPicker(uint32_t rgb, QWidget* parent, bool offerTransparent, bool transparent) : QDialog(parent)
{
    setWindowTitle(tr("Color Picker"));
    auto* outer = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    m_field = new CHueSatField(this);
    m_field->setObjectName("hueSatField");
    m_bar = new CBrightnessBar(this);
    m_bar->setObjectName("brightnessBar");
    m_swatch = new QFrame(this);
    m_swatch->setObjectName("swatch");
    m_swatch->setFrameShape(QFrame::Box);
    m_swatch->setMinimumSize(56, 56);
    m_swatch->setAutoFillBackground(true);
    top->addWidget(m_field, 1);
    top->addWidget(m_bar);
    top->addWidget(m_swatch, 0, Qt::AlignTop);
    outer->addLayout(top, 1);

    auto* grid = new QGridLayout;
    const char* const hsbTexts[3] = {"&Hue:", "&Sat:", "&Bright:"};
    const char* const hsbNames[3] = {"hue", "saturation", "brightness"};
    const int hsbMax[3] = {360, 100, 100};
    const char* const channelTexts[3] = {"&Red:", "&Green:", "&Blue:"};
    const char* const channelNames[3] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
        auto* hsbLabel = new QLabel(tr(hsbTexts[i]), this);
        m_hsbFields[i] = new QSpinBox(this);
        m_hsbFields[i]->setObjectName(hsbNames[i]);
        m_hsbFields[i]->setRange(0, hsbMax[i]);
        m_hsbFields[i]->setSuffix(i == 0 ? QString(QChar(0x00B0)) : QString("%"));
        hsbLabel->setBuddy(m_hsbFields[i]);
        grid->addWidget(hsbLabel, i, 0);
        grid->addWidget(m_hsbFields[i], i, 1);

        auto* channelLabel = new QLabel(tr(channelTexts[i]), this);
        m_sliders[i] = new QSlider(Qt::Horizontal, this);
        m_sliders[i]->setObjectName(QString(channelNames[i]) + "Slider");
        m_sliders[i]->setRange(0, kLevels - 1);
        m_sliders[i]->setPageStep(1);
        m_sliders[i]->setTickPosition(QSlider::TicksBelow);
        m_channelFields[i] = new QSpinBox(this);
        m_channelFields[i]->setObjectName(channelNames[i]);
        m_channelFields[i]->setRange(0, kLevels - 1);
        channelLabel->setBuddy(m_sliders[i]);
        grid->addWidget(channelLabel, i, 2);
        grid->addWidget(m_sliders[i], i, 3);
        grid->addWidget(m_channelFields[i], i, 4);
    }
    grid->setColumnStretch(3, 1);
    outer->addLayout(grid);

    if (offerTransparent) {
        m_transparent = new QCheckBox(tr("Use &transparent"), this);
        m_transparent->setObjectName("transparent");
        m_transparent->setChecked(transparent);
        outer->addWidget(m_transparent);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto levelsFromControls = [this](QSpinBox* const* fields) {
        return ColorLevels{fields[0]->value(), fields[1]->value(), fields[2]->value()};
    };
    for (int i = 0; i < 3; ++i) {
        connect(m_sliders[i], &QSlider::valueChanged, this, [this, i](int v) {
            if (m_showing) return;
            ColorLevels l = m_levels;
            (i == 0 ? l.red : i == 1 ? l.green : l.blue) = v;
            SetLevels(l);
        });
        connect(m_channelFields[i], &QSpinBox::valueChanged, this, [this, levelsFromControls] {
            if (!m_showing) SetLevels(levelsFromControls(m_channelFields));
        });
        connect(m_hsbFields[i], &QSpinBox::valueChanged, this, [this] {
            if (m_showing) return;
            SetHsb({double(m_hsbFields[0]->value()), m_hsbFields[1]->value() / 100.0,
                    m_hsbFields[2]->value() / 100.0});
        });
    }
    connect(m_field, &CHueSatField::Picked, this, [this](double hue, double saturation) {
        SetHsb({hue, saturation, m_hsb.brightness});
    });
    connect(m_bar, &CBrightnessBar::Picked, this, [this](double brightness) {
        SetHsb({m_hsb.hue, m_hsb.saturation, brightness});
    });

    m_levels = LevelsOf(rgb);
    m_hsb = HsbOf(m_levels);
    Show();
}

bool ColorPicker::Transparent() const
{
    return m_transparent && m_transparent->isChecked();
}

void ColorPicker::SetLevels(const ColorLevels& levels)
{
    m_levels = {std::clamp(levels.red, 0, int(kTop)), std::clamp(levels.green, 0, int(kTop)),
                std::clamp(levels.blue, 0, int(kTop))};
    const HsbColour hsb = HsbOf(m_levels);
    // A grey has no hue and black no saturation: keep what the user had, so that the marks do
    // not jump when brightness or saturation passes through zero.
    m_hsb.brightness = hsb.brightness;
    if (hsb.brightness > 0) m_hsb.saturation = hsb.saturation;
    if (hsb.saturation > 0 && hsb.brightness > 0) m_hsb.hue = hsb.hue;
    Show();
}

void ColorPicker::SetHsb(const HsbColour& hsb)
{
    m_hsb = {std::clamp(hsb.hue, 0.0, 360.0), std::clamp(hsb.saturation, 0.0, 1.0),
             std::clamp(hsb.brightness, 0.0, 1.0)};
    m_levels = LevelsOf(m_hsb);
    Show();
}

void ColorPicker::Show()
{
    m_showing = true;
    const int levels[3] = {m_levels.red, m_levels.green, m_levels.blue};
    for (int i = 0; i < 3; ++i) {
        m_sliders[i]->setValue(levels[i]);
        m_channelFields[i]->setValue(levels[i]);
    }
    // The HSB fields follow the user's own pick (typing a hue must not be overwritten by the hue
    // that the rounded levels give back); after a channel change they are the levels' HSB.
    m_hsbFields[0]->setValue(int(std::lround(m_hsb.hue)));
    m_hsbFields[1]->setValue(int(std::lround(m_hsb.saturation * 100)));
    m_hsbFields[2]->setValue(int(std::lround(m_hsb.brightness * 100)));
    m_field->SetHueSat(m_hsb.hue, m_hsb.saturation);
    m_bar->SetColour(m_hsb.hue, m_hsb.saturation, m_hsb.brightness);
    QPalette p = m_swatch->palette();
    p.setColor(QPalette::Window, QColor(QRgb(Color())));
    m_swatch->setPalette(p);
    m_showing = false;
}
