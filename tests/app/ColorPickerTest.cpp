// The Color Picker: 16 levels per channel in and out, the channel, HSB and field controls, and
// the colour buttons' faces.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include "app/dialogs/ColorPicker.h"
#include "app/widgets/CBrightnessBar.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CColorRadio.h"
#include "app/widgets/CHueSatField.h"

namespace {

template <class T>
T* Child(QWidget& parent, const char* name)
{
    T* child = parent.findChild<T*>(name);
    if (!child) qFatal("no child %s", name);
    return child;
}

// Clicks a button of the next modal dialog once it shows.
void ClickInNextModal(const char* button)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, button] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        timer->stop();
        timer->deleteLater();
        Child<QPushButton>(*modal, button)->click();
    });
    timer->start(10);
}

} // namespace

class ColorPickerTest : public QObject {
    Q_OBJECT

private slots:
    void everyColourLeavesAsACdgColour()
    {
        // Pure orange: 128 / 17 = 7 levels, and 7 x 17 = 119.
        QCOMPARE(ColorPicker(0xFF8000).Color(), 0xFF7700u);
        QCOMPARE(ColorPicker::LevelsOf(0xFF8000u), (ColorLevels{15, 7, 0}));
        // 16 is still level 0, 17 is level 1, 255 is 15.
        QCOMPARE(ColorPicker(0x101112).Color(), 0x001111u);
        for (uint32_t c : {0x000000u, 0x123456u, 0xFFFFFFu, 0x88AA33u}) {
            const uint32_t out = ColorPicker(c).Color();
            for (int shift : {0, 8, 16}) QCOMPARE(((out >> shift) & 0xFF) % 17, 0u);
        }
    }

    void channelControlsMoveTogether()
    {
        ColorPicker picker(0x000000);
        auto* red = Child<QSlider>(picker, "redSlider");
        auto* redField = Child<QSpinBox>(picker, "red");
        QCOMPARE(red->maximum(), 15);
        red->setValue(15);
        QCOMPARE(redField->value(), 15);
        QCOMPARE(Child<QSpinBox>(picker, "hue")->value(), 0);
        QCOMPARE(Child<QSpinBox>(picker, "saturation")->value(), 100);
        QCOMPARE(Child<QSpinBox>(picker, "brightness")->value(), 100);
        Child<QSpinBox>(picker, "green")->setValue(15);
        QCOMPARE(Child<QSlider>(picker, "greenSlider")->value(), 15);
        QCOMPARE(Child<QSpinBox>(picker, "hue")->value(), 60);
        QCOMPARE(picker.Color(), 0xFFFF00u);
        // The swatch shows the colour.
        QCOMPARE(Child<QWidget>(picker, "swatch")->palette().color(QPalette::Window).rgb() & 0xFFFFFF, 0xFFFF00u);
    }

    void hsbFieldsSetTheLevels()
    {
        ColorPicker picker(0x000000);
        Child<QSpinBox>(picker, "saturation")->setValue(100);
        Child<QSpinBox>(picker, "brightness")->setValue(100);
        Child<QSpinBox>(picker, "hue")->setValue(240);
        QCOMPARE(picker.Levels(), (ColorLevels{0, 0, 15}));
        // 50 % brightness: floor(15 x 0.5) = 7.
        Child<QSpinBox>(picker, "brightness")->setValue(50);
        QCOMPARE(picker.Levels(), (ColorLevels{0, 0, 7}));
        // The typed hue stays as typed even where the levels cannot show it exactly.
        Child<QSpinBox>(picker, "hue")->setValue(200);
        QCOMPARE(Child<QSpinBox>(picker, "hue")->value(), 200);
        QCOMPARE(picker.Levels(), ColorPicker::LevelsOf(HsbColour{200, 1.0, 0.5}));
        // Levels that divide evenly survive the round trip through HSB.
        for (int r = 0; r < 16; r += 5)
            for (int g = 0; g < 16; g += 3)
                for (int b = 0; b < 16; b += 7)
                    QCOMPARE(ColorPicker::LevelsOf(ColorPicker::HsbOf({r, g, b})), (ColorLevels{r, g, b}));
    }

    void theFieldsPickByClickAndDrag()
    {
        ColorPicker picker(0xFFFFFF);
        picker.resize(500, 400);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        auto* field = Child<CHueSatField>(picker, "hueSatField");
        auto* bar = Child<CBrightnessBar>(picker, "brightnessBar");
        // Hue 120 at a third of the width, full saturation at the top.
        QTest::mouseClick(field, Qt::LeftButton, {}, field->PointOf(120, 1.0).toPoint());
        QCOMPARE(picker.Levels(), (ColorLevels{0, 15, 0}));
        // A drag to the left edge at mid height: hue 0, saturation about a half.
        QTest::mousePress(field, Qt::LeftButton, {}, field->PointOf(120, 1.0).toPoint());
        QMouseEvent move(QEvent::MouseMove, QPointF(0, (field->height() - 1) / 2.0), field->mapToGlobal(QPointF(0, 0)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &move);
        QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(0, (field->height() - 1) / 2));
        QCOMPARE(picker.Levels().red, 15);
        QVERIFY(picker.Levels().green == picker.Levels().blue && picker.Levels().green >= 7 &&
                picker.Levels().green <= 8);
        // The bottom of the bar is black; the hue and saturation stay for the marks.
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 1));
        QCOMPARE(picker.Color(), 0x000000u);
        QCOMPARE(field->Hue(), 0.0);
        QVERIFY(field->Saturation() > 0.4);
    }

    void cancelLeavesTheColourAndOkReturnsTheLevels()
    {
        uint32_t colour = 0x123456;
        ClickInNextModal("cancel");
        QVERIFY(!ColorPicker::Choose(nullptr, colour));
        QCOMPARE(colour, 0x123456u);

        auto* timer = new QTimer;
        connect(timer, &QTimer::timeout, [timer] {
            auto* modal = qobject_cast<ColorPicker*>(QApplication::activeModalWidget());
            if (!modal) return;
            timer->stop();
            timer->deleteLater();
            QCOMPARE(modal->windowTitle(), QString("Color Picker"));
            // The song settings never offer the transparent choice.
            QVERIFY(!modal->findChild<QCheckBox*>("transparent"));
            Child<QSpinBox>(*modal, "blue")->setValue(9);
            Child<QPushButton>(*modal, "ok")->click();
        });
        timer->start(10);
        QVERIFY(ColorPicker::Choose(nullptr, colour));
        QCOMPARE(colour, 0x113399u);
    }

    void transparentOnlyWhenAskedFor()
    {
        ColorPicker asked(0, nullptr, true, true);
        auto* box = Child<QCheckBox>(asked, "transparent");
        QCOMPARE(box->text(), QString("Use &transparent"));
        QVERIFY(asked.Transparent());
        box->setChecked(false);
        QVERIFY(!asked.Transparent());
        QVERIFY(!ColorPicker(0).Transparent());
    }

    void colourButtonsShowTheirColour()
    {
        CColorButton button(nullptr, "Two\nlines");
        button.SetColor(0x22CC44);
        button.resize(60, 40);
        const QImage face = button.grab().toImage();
        // Inside the well, away from the caption.
        QCOMPARE(face.pixel(6, 6) & 0xFFFFFF, 0x22CC44u);
        QCOMPARE(CaptionColourOn(0xFFEE00), QColor(Qt::black));
        QCOMPARE(CaptionColourOn(0x001166), QColor(Qt::white));

        QWidget parent;
        CColorRadio& left = *new CColorRadio("L", &parent);
        CColorRadio& right = *new CColorRadio("R", &parent);
        left.SetColor(0x0000FF);
        right.SetColor(0x0000FF);
        left.resize(30, 30);
        right.resize(30, 30);
        left.click();
        QVERIFY(left.isChecked());
        right.click();
        QVERIFY(right.isChecked() && !left.isChecked());
        QCOMPARE(left.grab().toImage().pixel(6, 6) & 0xFFFFFF, 0x0000FFu);
    }
};

QTEST_MAIN(ColorPickerTest)
#include "ColorPickerTest.moc"
