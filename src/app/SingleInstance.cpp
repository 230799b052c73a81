#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {
constexpr int kConnectMs = 500;
constexpr int kWriteMs = 1000;
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::PassToRunning(const QString& projectPath)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.write(projectPath.toUtf8() + '\n');
    socket.waitForBytesWritten(kWriteMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A server left behind by a crashed run.
        QLocalServer::removeServer(m_name);
        if (!m_server->listen(m_name)) return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            QPointer<QLocalSocket> guard(socket);
            connect(socket, &QLocalSocket::readyRead, this, [this, guard] {
                if (!guard || !guard->canReadLine()) return;
                const QString path = QString::fromUtf8(guard->readLine()).trimmed();
                // The connection is finished with before anybody acts on the message: the
                // window may ask questions (nested event loops) while opening the project, and
                // the socket can be gone by the time they return.
                guard->disconnect(this);
                guard->abort();
                guard->deleteLater();
                QMetaObject::invokeMethod(this, [this, path] { emit Activated(path); }, Qt::QueuedConnection);
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}
