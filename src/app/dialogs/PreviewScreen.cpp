#include "app/dialogs/PreviewScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "app/widgets/CdgScreenWidget.h"
#include "cdg/CdgFormat.h"
#include "cdg/CdgPacketGenerator.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenSink.h"

namespace {
constexpr int kInset = 2;
constexpr int kClockTickMs = 10;
} // namespace

PreviewScreen::PreviewScreen(QWidget* parent) : QFrame(parent), m_renderer(std::make_unique<CdgScreen>())
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kInset);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kInset, kInset, kInset, kInset);
    m_viewer = new CdgScreenWidget(this);
    m_viewer->setObjectName("previewViewer");
    // One screen pixel per window pixel: the preview shows exactly what the stream shows.
    m_viewer->setFixedSize(kCdgScreenWidth, kCdgScreenHeight);
    m_viewer->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_viewer);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_renderer->AttachWindow(m_viewer);
}

PreviewScreen::~PreviewScreen()
{
    m_renderer->DetachWindows();
}

std::unique_ptr<CdgPacketGenerator> PreviewScreen::StillGenerator()
{
    if (!m_still) m_still = std::make_unique<CdgScreenSink>(m_renderer.get());
    auto generator = std::make_unique<CdgPacketGenerator>(*m_still);
    // Previews leave out the extra average character width that the song writer adds.
    generator->SetLineWidthFlag(0);
    return generator;
}

void PreviewScreen::Present()
{
    m_renderer->PresentAll();
}

void PreviewScreen::Wait(int ms)
{
    if (ms <= 0 || m_stop) return;
    QEventLoop loop;
    QTimer tick;
    QElapsedTimer elapsed;
    elapsed.start();
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_stop || elapsed.elapsed() >= ms) loop.quit();
    });
    tick.start(kClockTickMs);
    loop.exec();
}

bool PreviewScreen::Play(const std::function<size_t(CdgPacketGenerator&)>& write, int pauseMs)
{
    if (m_playing) return false;
    m_playing = true;
    m_stop = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QElapsedTimer total;
    total.start();

    std::vector<uint8_t> buffer(kPlayBufferBytes, 0);
    size_t used = 0;
    {
        CdgPacketGenerator generator{std::span<uint8_t>(buffer)};
        generator.SetLineWidthFlag(0);
        used = std::min(write(generator), buffer.size());
    }
    const size_t packets = (used + kCdgPacketBytes - 1) / kCdgPacketBytes;
    m_lastPlayPackets = packets;
    // The clock value at which the last packet written has been executed.
    const uint32_t endPosition = uint32_t(packets * (kCdgSampleRate / kCdgPacketsPerSecond));

    Wait(pauseMs);
    std::atomic<uint32_t> clock{0};
    CdgPacketScheduler player(m_renderer.get());
    player.SetStream(buffer);
    player.SetClock(&clock);
    QElapsedTimer wall;
    wall.start();
    player.StartPlayer(true, 0);
    {
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            clock.store(uint32_t(uint64_t(wall.elapsed()) * kCdgSampleRate / 1000), std::memory_order_release);
            if (m_stop || player.LastPosition() >= endPosition || !player.IsRunning()) loop.quit();
        });
        tick.start(kClockTickMs);
        loop.exec();
    }
    player.StopPlayer();
    m_renderer->PresentAll();
    Wait(pauseMs);

    const bool complete = !m_stop;
    m_lastPlayMs = total.elapsed();
    QApplication::restoreOverrideCursor();
    m_playing = false;
    m_stop = false;
    return complete;
}
