// The CD+G screen in a window: scaling, border strips and keys.
#include <QKeyEvent>
#include <QtTest>

#include "app/widgets/CdgScreenWidget.h"
#include "cdg/CdgPacket.h"
#include "player/CdgScreen.h"

namespace {

class KeyCatcher : public QWidget {
public:
    int pressed = 0;
    int released = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++pressed; }
    void keyReleaseEvent(QKeyEvent*) override { ++released; }
};

} // namespace

class CdgScreenWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void paintsBlackWithoutARenderer()
    {
        CdgScreenWidget viewer;
        viewer.resize(300, 216);
        QImage shot = viewer.grab().toImage();
        QCOMPARE(shot.pixelColor(150, 100), QColor(Qt::black));
    }

    void scalesEveryFramePixelToATwoByTwoBlockWithBorderStrips()
    {
        CdgScreen renderer;
        CdgScreenWidget viewer;
        viewer.resize(600, 432);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        renderer.AttachWindow(&viewer);
        std::array<uint32_t, 16> colours{};
        colours[1] = 0x0000FF;  // red (red in the low byte)
        colours[2] = 0x00FF00;  // green
        colours[3] = 0xFF0000;  // blue
        renderer.LoadColours(0, 16, colours);
        renderer.BorderPreset(3);
        renderer.MemoryPreset(2);
        // One tile of colour 1 at screen column 1, row 1: frame pixels 6-11, 12-23.
        std::array<uint8_t, 12> pattern{};
        renderer.DrawTile(1, 1, 1, 1, pattern);
        renderer.PresentAll();
        const QImage picture = viewer.Picture();
        QCOMPARE(picture.size(), QSize(600, 432));
        // Border strips of 12 and 24 pixels (one tile column and row at scale 2).
        QCOMPARE(QColor(picture.pixel(5, 100)), QColor(0, 0, 255));
        QCOMPARE(QColor(picture.pixel(300, 20)), QColor(0, 0, 255));
        QCOMPARE(QColor(picture.pixel(594, 100)), QColor(0, 0, 255));
        // The tile: frame x 6..11 -> window 12..23, y 12..23 -> 24..47.
        QCOMPARE(QColor(picture.pixel(12, 24)), QColor(255, 0, 0));
        QCOMPARE(QColor(picture.pixel(23, 47)), QColor(255, 0, 0));
        QCOMPARE(QColor(picture.pixel(24, 47)), QColor(0, 255, 0));
        QCOMPARE(QColor(picture.pixel(23, 48)), QColor(0, 255, 0));
        // What is painted is what was presented.
        QTRY_COMPARE(QColor(viewer.grab().toImage().pixel(12, 24)), QColor(255, 0, 0));
        renderer.DetachWindows();
    }

    void keysReachTheParentView()
    {
        KeyCatcher parent;
        auto* viewer = new CdgScreenWidget(&parent);
        QTest::keyPress(viewer, Qt::Key_Space);
        QTest::keyRelease(viewer, Qt::Key_Space);
        QCOMPARE(parent.pressed, 1);
        QCOMPARE(parent.released, 1);
    }
};

QTEST_MAIN(CdgScreenWidgetTest)
#include "CdgScreenWidgetTest.moc"
