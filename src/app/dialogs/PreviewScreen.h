#pragma once
#include <QFrame>
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

class CdgPacketGenerator;
class CdgScreen;
class CdgScreenSink;
class CdgScreenWidget;

// The small CD+G screen of a settings tab: a sunken frame with a viewer window 2 pixels inside
// it, bound to a renderer of its own. Still previews draw straight into the renderer; Play runs
// a page's packets through a player in real time.
class PreviewScreen : public QFrame {
    Q_OBJECT
public:
    // Six minutes of stream.
    static constexpr size_t kPlayBufferBytes = 2'592'000;

    explicit PreviewScreen(QWidget* parent = nullptr);
    ~PreviewScreen() override;

    CdgScreen& Renderer() { return *m_renderer; }
    CdgScreenWidget* Viewer() const { return m_viewer; }

    // A generator bound to the renderer: what it draws shows at once, no packets are kept.
    // The caller draws, then calls Present.
    std::unique_ptr<CdgPacketGenerator> StillGenerator();
    void Present();

    // Writes packets with `write` into a play buffer and plays them on the screen, paced by the
    // wall clock (elapsed ms x 44,100 / 1,000 sample frames), until every packet written has been
    // shown or Stop is called; `pauseMs` of stillness before and after. The user-interface thread
    // keeps painting meanwhile. Returns false when it was stopped early.
    bool Play(const std::function<size_t(CdgPacketGenerator&)>& write, int pauseMs = 0);
    bool Playing() const { return m_playing; }
    void Stop() { m_stop = true; }

    // How long the last Play took, in milliseconds, and how many packets it wrote.
    qint64 LastPlayMs() const { return m_lastPlayMs; }
    size_t LastPlayPackets() const { return m_lastPlayPackets; }

private:
    // Lets the event loop run for ms milliseconds (or until Stop).
    void Wait(int ms);

    std::unique_ptr<CdgScreen> m_renderer;
    // What still generators draw into: the renderer, no packets kept.
    std::unique_ptr<CdgScreenSink> m_still;
    CdgScreenWidget* m_viewer = nullptr;
    bool m_playing = false;
    std::atomic<bool> m_stop{false};
    qint64 m_lastPlayMs = 0;
    size_t m_lastPlayPackets = 0;
};
