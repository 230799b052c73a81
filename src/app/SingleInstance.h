#pragma once
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user: a second start asks the first to come to the front (and to
// open the project it was given), then exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when another instance took the message; this one should exit.
    bool PassToRunning(const QString& projectPath);
    // Starts listening for later starts.
    bool Listen();

signals:
    // A later start's project ("" when it named none). Queued: the connection it came on is
    // already closed, so handlers may run modal boxes.
    void Activated(const QString& projectPath);

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};
