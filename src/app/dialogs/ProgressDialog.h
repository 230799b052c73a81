#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress box of long work: a line saying what is done, a bar from 0 to 100 and a
// push-like "&Cancel" check button, hidden when the work cannot be cancelled. Escape presses
// Cancel; it never closes the box while the work runs.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    ProgressDialog(QWidget* parent, const QString& caption, bool cancellable);

    // What the work does ("Reading music... song.mp3"); the percentage follows it. Empty: the
    // bar alone.
    void SetText(const QString& text);
    QString Text() const;
    void SetPosition(int percent);
    int Position() const;
    bool CancelPressed() const;
    bool CancelShown() const;

    // Sets the bar and keeps the window alive; false once the user pressed Cancel or a signal
    // asked the program to stop.
    bool Progress(int percent);

protected:
    void reject() override;

private:
    void ShowText();

    QString m_text;
    QLabel* m_label;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};
