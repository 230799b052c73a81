#pragma once
#include <QImage>
#include <QWidget>
#include <mutex>

#include "player/CdgScreenOutput.h"

// The CD+G screen in a window: a presenter of the renderer that keeps a picture of whole screen
// pixels (each drawn as a block of the same whole number of device pixels, the least that covers
// the widget) and paints it into the widget, smoothed only where the widget is no whole multiple.
// The renderer may present from the player's thread; the picture is guarded and the widget
// repaints on the user-interface thread. Keys go to the parent view.
class CdgScreenWidget : public QWidget, public CdgScreenOutput {
    Q_OBJECT
public:
    explicit CdgScreenWidget(QWidget* parent = nullptr);
    ~CdgScreenWidget() override;

    CdgRect ClientArea() const override;
    void Blit(const CdgScreen& renderer, const CdgRect& source, const CdgRect& destination) override;
    void Fill(const CdgRect& destination, int index, uint32_t colour) override;

    // A copy of the picture the window shows (for tests and screenshots), in whole screen
    // pixels: as large as the widget's device pixels, or a little larger when they are no whole
    // multiple of the screen's.
    QImage Picture() const;
    // The picture's size for a widget of `device` pixels: 300 x 216 times the least whole
    // numbers (one per direction) that cover it.
    static QSize PictureSize(const QSize& device);
    // A few words over the screen while it has nothing to show (empty: none).
    void SetHint(const QString& hint);
    QString Hint() const { return m_hint; }

signals:
    // A left-button click, in the window's pixels.
    void Clicked(QPoint point, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void RequestRepaint();

    mutable std::mutex m_mutex;
    QImage m_picture;
    bool m_repaintPending = false;
    QString m_hint;
};
