#pragma once
#include <QDialog>
#include <cstdint>
#include <functional>

class CBrightnessBar;
class CHueSatField;
class QCheckBox;
class QFrame;
class QSlider;
class QSpinBox;

// A colour as the CD+G palette holds it: 16 levels (0-15) per channel.
struct ColorLevels {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const ColorLevels&) const = default;
};

// The same colour in the hue-saturation-brightness model: hue in degrees (0-360), saturation
// and brightness 0-1.
struct HsbColour {
    double hue = 0;
    double saturation = 0;
    double brightness = 0;
};

// The "Color Picker" dialog. It works on 16 levels per channel, so that whatever the user picks
// is exactly a colour the CD+G screen can show: a colour comes in as floor(c / 17) per channel
// and goes out as level x 17. Colours are 0xRRGGBB.
class ColorPicker : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLevels = 16;

    // offerTransparent shows "Use &transparent" (the song settings never ask for it).
    ColorPicker(uint32_t rgb, QWidget* parent = nullptr, bool offerTransparent = false, bool transparent = false);

    uint32_t Color() const { return ColorOf(m_levels); }
    ColorLevels Levels() const { return m_levels; }
    HsbColour Hsb() const { return m_hsb; }
    bool Transparent() const;

    void SetLevels(const ColorLevels& levels);
    void SetHsb(const HsbColour& hsb);

    static ColorLevels LevelsOf(uint32_t rgb);
    static uint32_t ColorOf(const ColorLevels& levels);
    static HsbColour HsbOf(const ColorLevels& levels);
    static ColorLevels LevelsOf(const HsbColour& hsb);

    // Runs the picker on rgb: true and the new colour on OK; on Cancel rgb stays as it was.
    // Tests may answer in its place.
    static bool Choose(QWidget* parent, uint32_t& rgb);
    using Answerer = std::function<bool(uint32_t& rgb)>;
    static void SetAnswererForTesting(Answerer answerer);

private:
    // Shows the current levels and HSB in every control.
    void Show();

    ColorLevels m_levels;
    HsbColour m_hsb;
    bool m_showing = false;
    CHueSatField* m_field = nullptr;
    CBrightnessBar* m_bar = nullptr;
    QFrame* m_swatch = nullptr;
    QSlider* m_sliders[3] = {};
    QSpinBox* m_channelFields[3] = {};
    QSpinBox* m_hsbFields[3] = {};
    QCheckBox* m_transparent = nullptr;
};
