#pragma once
#include <QFrame>
#include <QString>

class QLabel;
class QTimer;

// A small tip window that points at a control: an exclamation icon, a bold title and a text.
// It hides itself after a while or when clicked.
class CBalloonTip : public QFrame {
    Q_OBJECT
public:
    static constexpr int kDefaultShowMs = 5000;

    explicit CBalloonTip(QWidget* parent);

    // Shows the tip just below the middle of anchor, for showMs milliseconds.
    void ShowAt(QWidget* anchor, const QString& title, const QString& text, int showMs = kDefaultShowMs);

    QString Title() const;
    // The text as given (the label leaves out a final line break).
    QString Text() const { return m_fullText; }
    QWidget* Anchor() const { return m_anchor; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* m_title;
    QLabel* m_text;
    QTimer* m_hideTimer;
    QWidget* m_anchor = nullptr;
    QString m_fullText;
};
