#include <QPushButton>
#include <QtTest>

#include "app/dialogs/ProgressDialog.h"

class ProgressDlgTest : public QObject {
    Q_OBJECT

private slots:
    void showsProgressAndReportsCancel()
    {
        ProgressDialog work(nullptr, "Decompressing Audio...", false);
        QCOMPARE(work.windowTitle(), QString("Decompressing Audio..."));
        QVERIFY(!work.CancelShown());
        QVERIFY(work.Progress(40));
        QCOMPARE(work.Position(), 40);
        work.SetPosition(250);
        QCOMPARE(work.Position(), 100);

        ProgressDialog cancellable(nullptr, "Exporting project to BIN file...", true);
        QVERIFY(cancellable.CancelShown());
        auto* button = cancellable.findChild<QPushButton*>();
        QCOMPARE(button->text(), QString("&Cancel"));
        button->click();
        QVERIFY(cancellable.CancelPressed());
        QVERIFY(!cancellable.Progress(50));
    }
};

QTEST_MAIN(ProgressDlgTest)
#include "ProgressDlgTest.moc"
