#pragma once
#include <QDialog>

class QProgressBar;
class QPushButton;

// The progress box of long work: a bar from 0 to 100 and a push-like "&Cancel" check button,
// hidden when the work cannot be cancelled.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProgressDialog(QWidget* parent, const QString& caption, bool cancellable);

    void SetPosition(int percent);
    int Position() const;
    bool CancelPressed() const;
    bool CancelShown() const;

    // Sets the bar and keeps the window alive; false once the user pressed Cancel or a signal
    // asked the program to stop.
    bool Progress(int percent);

private:
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};
