#pragma once
#include <QImage>
#include <QWidget>
#include <mutex>

#include "player/CdgScreenOutput.h"

// The CD+G screen in a window: a presenter of the renderer that keeps a picture of the widget's
// size. The renderer may present from the player's thread; the picture is guarded and the
// widget repaints on the user-interface thread. Keys go to the parent view.
class CdgScreenWidget : public QWidget, public CdgScreenOutput {
    Q_OBJECT
public:
    explicit CdgScreenWidget(QWidget* parent = nullptr);
    ~CdgScreenWidget() override;

    CdgRect ClientArea() const override;
    void Blit(const CdgScreen& renderer, const CdgRect& source, const CdgRect& destination) override;
    void Fill(const CdgRect& destination, int index, uint32_t colour) override;

    // A copy of what the window shows (for tests and screenshots).
    QImage Picture() const;

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
};
