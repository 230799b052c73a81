#pragma once
#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP as a Qt signal on the window thread. The handler only writes the
// signal's number into a pipe; a socket notifier reads it in the event loop, where the program
// may stop its work properly. One object per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Installs the handlers; false (with the default handling left in place) when the pipe or a
    // handler could not be set up.
    bool Install();

signals:
    void Received(int signalNumber);

private:
    void ReadPipe();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};
