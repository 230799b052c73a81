// One program per user and display: a second start hands its project to the first and goes; a
// socket nobody answers on (a crashed run's, a hung one's) never keeps the next start out.
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/SingleInstance.h"

namespace {

// A second start runs in a process of its own; here a thread of its own, so that the first
// start's event loop turns while the second waits for its answer.
bool SecondStart(const QString& name, const QString& project, int answerMs = SingleInstance::kAnswerMs)
{
    auto answered =
        std::async(std::launch::async, [&] { return SingleInstance(name).PassToRunning(project, answerMs); });
    while (answered.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) QTest::qWait(5);
    return answered.get();
}

// What a crashed run leaves: a socket file that nothing listens on.
bool LeaveStaleSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::memcpy(address.sun_path, bytes.constData(), std::min<size_t>(bytes.size(), sizeof address.sun_path - 1));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const QByteArray& value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull()) qunsetenv(name);
        else qputenv(name, value);
    }
    ~EnvironmentValue()
    {
        if (m_had) qputenv(m_name, m_old);
        else qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void aSecondStartReachesTheFirstAndIsAnswered()
    {
        const QString name = m_dir.filePath("reach.socket");
        SingleInstance first(name);
        QVERIFY(!SecondStart(name, "")); // nobody is running yet
        QVERIFY(first.Listen());
        QSignalSpy activated(&first, &SingleInstance::Activated);
        QVERIFY(SecondStart(name, "/songs/my song.tvx"));
        QTRY_COMPARE(activated.count(), 1);
        QCOMPARE(activated.first().first().toString(), QString("/songs/my song.tvx"));
    }

    void aSocketACrashLeftBehindOrNobodyAnswersOnIsTakenOver()
    {
        // A crashed run: the file is there, nothing listens.
        const QString stale = m_dir.filePath("stale.socket");
        QVERIFY(LeaveStaleSocket(stale));
        QVERIFY(!SecondStart(stale, "/a.tvx"));
        SingleInstance next(stale);
        QVERIFY(next.Listen());
        QSignalSpy activated(&next, &SingleInstance::Activated);
        QVERIFY(SecondStart(stale, "/b.tvx"));
        QTRY_COMPARE(activated.count(), 1);

        // A hung run: it takes the connection but never answers.
        const QString hung = m_dir.filePath("hung.socket");
        QLocalServer silent;
        QVERIFY(silent.listen(hung));
        QVERIFY(!SecondStart(hung, "/c.tvx", 300));
        SingleInstance after(hung);
        QVERIFY(after.Listen());
        QSignalSpy reached(&after, &SingleInstance::Activated);
        QVERIFY(SecondStart(hung, "/d.tvx"));
        QTRY_COMPARE(reached.count(), 1);
        QCOMPARE(reached.first().first().toString(), QString("/d.tvx"));
    }

    void theSocketIsPerUserAndDisplayInTheRuntimeFolderOrAPrivateOne()
    {
        const QString uid = QString::number(::getuid());
        const QString runtime = m_dir.filePath("runtime");
        QVERIFY(QDir().mkpath(runtime));
        {
            EnvironmentValue xdg("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
            EnvironmentValue display("DISPLAY", ":7.0");
            const QString seven = SingleInstance::DefaultName();
            QCOMPARE(seven, runtime + "/tessavox-" + uid + "-7.socket");
            EnvironmentValue other("DISPLAY", ":8");
            QCOMPARE(SingleInstance::DefaultName(), runtime + "/tessavox-" + uid + "-8.socket");
        }
        // Without a runtime folder: a folder of the user's own in the temporary folder.
        EnvironmentValue xdg("XDG_RUNTIME_DIR", QByteArray());
        EnvironmentValue display("DISPLAY", ":9");
        const QString name = SingleInstance::DefaultName();
        const QString folder = QDir::tempPath() + "/tessavox-" + uid;
        QCOMPARE(name, folder + "/tessavox-" + uid + "-9.socket");
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
        // A folder others may enter is not used.
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        QCOMPARE(SingleInstance::DefaultName(), QString());
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0700) == 0);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
