// One program per user: a second start hands its project to the first and goes.
#include <QSignalSpy>
#include <QtTest>

#include "app/SingleInstance.h"

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void aSecondStartReachesTheFirst()
    {
        const QString name = QString("tessavox-test-%1").arg(QCoreApplication::applicationPid());
        SingleInstance first(name);
        QVERIFY(!first.PassToRunning("")); // nobody is running yet
        QVERIFY(first.Listen());
        QSignalSpy activated(&first, &SingleInstance::Activated);

        SingleInstance second(name);
        QVERIFY(second.PassToRunning("/songs/my song.tvx"));
        QTRY_COMPARE(activated.count(), 1);
        QCOMPARE(activated.first().first().toString(), QString("/songs/my song.tvx"));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
