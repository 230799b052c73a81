#pragma once
#include <QString>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "media/ProgressCallback.h"

class ProgressDialog;

// Long engine work (an export) on a worker thread while the window thread keeps turning its
// event loop: the window repaints, the progress bar follows the work and the progress dialog's
// Cancel button stays live. The engine calls the progress callback from the worker; the
// window thread picks the latest percentage up a few times a frame.
class BackgroundWork {
public:
    static constexpr int kPollMs = 15;

    // dialog may be null (no progress shown, no cancel). cancelledCaption, when not empty,
    // becomes the dialog's caption once the user has pressed Cancel.
    explicit BackgroundWork(ProgressDialog* dialog, QString cancelledCaption = {});

    // For the engine: records the percentage; false once the user has cancelled. Any thread.
    ProgressCallback Progress();

    // Runs work on a worker thread and returns when it has ended. Window thread only.
    void Run(const std::function<void()>& work);

    bool Cancelled() const { return m_cancelled.load(); }
    // Cancels every work that runs now, as the Cancel button would (a signal asked the program
    // to stop). Window thread only.
    static void CancelAll();
    // How many works run now (nested ones included). Window thread only.
    static int RunningCount();
    // Why the work stopped early when it threw (out of memory and the like); empty otherwise.
    const std::string& Failure() const { return m_failure; }

    // Called on the worker with every percentage before the cancel is checked, so that a test can
    // hold the work at a known point. Set it only while no work runs.
    static void SetProgressObserverForTesting(std::function<void(int)> observer);

private:
    void Poll();
    static std::function<void(int)> s_progressObserver;
    static std::vector<BackgroundWork*> s_running;

    ProgressDialog* m_dialog;
    QString m_cancelledCaption;
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_cancelled{false};
    std::string m_failure;
};
