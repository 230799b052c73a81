#include "app/BackgroundWork.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <thread>

#include "app/dialogs/ProgressDialog.h"

BackgroundWork::BackgroundWork(ProgressDialog* dialog, QString cancelledCaption)
    : m_dialog(dialog), m_cancelledCaption(std::move(cancelledCaption))
{
}

ProgressCallback BackgroundWork::Progress()
{
    return [this](int percent) {
        m_percent.store(percent);
        if (s_progressObserver) s_progressObserver(percent);
        return !m_cancelled.load();
    };
}

std::function<void(int)> BackgroundWork::s_progressObserver;

std::vector<BackgroundWork*> BackgroundWork::s_running;

void BackgroundWork::CancelAll()
{
    for (BackgroundWork* work : s_running) work->m_cancelled.store(true);
}

int BackgroundWork::RunningCount()
{
    return int(s_running.size());
}

void BackgroundWork::SetProgressObserverForTesting(std::function<void(int)> observer)
{
    s_progressObserver = std::move(observer);
}

void BackgroundWork::Poll()
{
    if (!m_dialog) return;
    if (m_dialog->Position() != m_percent.load()) m_dialog->SetPosition(m_percent.load());
    if (m_dialog->CancelShown() && m_dialog->CancelPressed() && !m_cancelled.load()) {
        m_cancelled.store(true);
        if (!m_cancelledCaption.isEmpty()) m_dialog->setWindowTitle(m_cancelledCaption);
    }
}

void BackgroundWork::Run(const std::function<void()>& work)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [this] { Poll(); });
    poll.start();
    // The quit is queued to the loop, so it is seen even if the work ends before exec starts.
    std::thread worker([this, &work, &loop] {
        // Nothing may leave a thread's function: it would end the program.
        try {
            work();
        } catch (const std::exception& e) {
            m_failure = e.what();
        } catch (...) {
            m_failure = "unknown error";
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    s_running.push_back(this);
    loop.exec();
    worker.join();
    s_running.erase(std::find(s_running.begin(), s_running.end(), this));
    poll.stop();
    Poll();
}
