#include "app/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QRegularExpression>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kConnectMs = 500;
constexpr int kWriteMs = 1000;
constexpr const char* kAnswer = "ok";

// Who the display is: X11's DISPLAY without its screen number, else Wayland's, else the Qt
// platform's name (offscreen and the like).
QString DisplayName()
{
    QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        static const QRegularExpression screen("\\.[0-9]+$");
        display.remove(screen);
        if (display.startsWith(':')) display.remove(0, 1);
    } else {
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    }
    if (display.isEmpty()) display = qEnvironmentVariable("QT_QPA_PLATFORM", "none");
    static const QRegularExpression unsafe("[^A-Za-z0-9._-]");
    display.replace(unsafe, "_");
    return display;
}

// A folder only this user can enter: made with mode 0700, or one that exists as such, owned by
// the user and no link.
bool PrivateFolder(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (::mkdir(bytes.constData(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(bytes.constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultName()
{
    const QString uid = QString::number(::getuid());
    const QString file = QString("tessavox-%1-%2.socket").arg(uid, DisplayName());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return QDir(runtime).filePath(file);
    const QString folder = QDir(QDir::tempPath()).filePath("tessavox-" + uid);
    return PrivateFolder(folder) ? QDir(folder).filePath(file) : QString();
}

bool SingleInstance::PassToRunning(const QString& projectPath, int answerMs)
{
    if (m_name.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.write(projectPath.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kWriteMs)) return false;
    // A window that took the message says so; a socket whose owner hangs or is gone says nothing.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(answerMs)) return false;
    const bool answered = socket.readLine().trimmed() == QByteArray(kAnswer);
    socket.disconnectFromServer();
    return answered;
}

bool SingleInstance::Listen()
{
    if (m_name.isEmpty()) return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name)) {
        // A socket left behind by a crashed run, or by one that no longer answers (the caller
        // has asked it first).
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
                guard->write(QByteArray(kAnswer) + "\n");
                guard->flush();
                guard->disconnectFromServer();
                QMetaObject::invokeMethod(this, [this, path] { emit Activated(path); }, Qt::QueuedConnection);
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}
