#pragma once
#include <QWidget>
#include <memory>

class CTessavoxApp;
class MRwRenderer;
class MRwViewerWindow;
class QPushButton;
class QHBoxLayout;
class QVBoxLayout;

// What every working view shares: the row of mode buttons ("E&dit Lyrics", "Place &Lyrics",
// "&Adjust Lyrics", "&Play Final", "&Settings...") and the shell's shortcuts.
class CViewBase : public QWidget {
    Q_OBJECT
public:
    CViewBase(CTessavoxApp& app, int viewId, QWidget* parent);
    ~CViewBase() override;

    int ViewId() const { return m_viewId; }
    // Enables the mode buttons by the shell's rules.
    virtual void UpdateControls();
    QPushButton* ModeButton(int index) const { return m_modeButtons[index]; }

    // Stops whatever the view plays (the shell calls it before closing or switching).
    virtual void StopPlaying() {}

    // The view's CD+G screen, when it has one.
    MRwViewerWindow* Viewer() const { return m_viewer; }
    MRwRenderer* Renderer() const { return m_renderer.get(); }
    // Draws lyric page `page` of the song into the screen.
    void ShowLyricPage(int page);

protected:
    // The view's own keys, seen before any of its controls gets them (a focused button does not
    // swallow Space). True when the key was the view's and is consumed.
    virtual bool ViewKeyPress(QKeyEvent*) { return false; }
    virtual bool ViewKeyRelease(QKeyEvent*) { return false; }
    bool eventFilter(QObject* watched, QEvent* event) override;

    CTessavoxApp& App() { return m_app; }
    // The area below the mode row, for the view's own controls.
    QVBoxLayout* Body() const { return m_body; }
    // Adds the CD+G screen to the body.
    MRwViewerWindow* AddViewer();

private:
    void OnMode(int index);

    CTessavoxApp& m_app;
    int m_viewId;
    QPushButton* m_modeButtons[5] = {};
    QVBoxLayout* m_body = nullptr;
    std::unique_ptr<MRwRenderer> m_renderer;
    MRwViewerWindow* m_viewer = nullptr;
};
