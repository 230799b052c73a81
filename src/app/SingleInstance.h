#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user and display: a second start asks the first to come to the front
// (and to open the project it was given), then exits. The first answers every message, so a
// socket that a crashed run left behind, or one whose owner no longer answers, is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // How long a second start waits for the running window to answer.
    static constexpr int kAnswerMs = 5000;

    // name: the socket's path (or a bare name, which Qt puts into the temporary folder).
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket of this user on this display: in $XDG_RUNTIME_DIR, or else in a folder of the
    // user's own (mode 0700) in the temporary folder. Empty when no such folder can be had
    // safely; the program then runs without looking for another window.
    static QString DefaultName();

    // True when another instance took the message and answered; this one should exit.
    bool PassToRunning(const QString& projectPath, int answerMs = kAnswerMs);
    // Starts listening for later starts, in place of a socket nobody answers on.
    bool Listen();

signals:
    // A later start's project ("" when it named none). Queued: the connection it came on is
    // already closed, so handlers may run modal boxes.
    void Activated(const QString& projectPath);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};
