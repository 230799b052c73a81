#pragma once
#include <QGroupBox>

struct SingerGuidance;
class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;

// "Singer guidance" on the Lyrics tab: the count-in after a gap of some seconds, and the
// instrumental notice for longer gaps with its text. Every change goes straight into the song's
// guidance (the settings dialog's working copy); a gap or text is kept while its part is off.
class SingerGuidanceBox : public QGroupBox {
    Q_OBJECT
public:
    SingerGuidanceBox(SingerGuidance& guidance, QWidget* parent = nullptr);

    QCheckBox* CountIn() const { return m_countIn; }
    QCheckBox* Notice() const { return m_notice; }

private:
    void ShowEnabled();

    SingerGuidance& m_guidance;
    QCheckBox* m_countIn = nullptr;
    QDoubleSpinBox* m_countInGap = nullptr;
    QCheckBox* m_notice = nullptr;
    QDoubleSpinBox* m_noticeGap = nullptr;
    QLineEdit* m_noticeText = nullptr;
};
