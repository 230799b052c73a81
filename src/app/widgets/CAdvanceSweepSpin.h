#pragma once
#include <QSpinBox>

#include "project/SweepAdvance.h"

// The "Advance sweep" control: a read-only field that shows how far ahead of its word each sweep
// runs, in seconds, and a spin control that moves it in steps of 0.05 s between 0 and 2.50 s.
// Its value is the magnitude of the song's stored number (0 to 500), which the stream applies
// at half (SweepAdvance): the field shows the advance applied. A stored number off the 0.05 s
// grid stays as it is until the user moves it (an odd one shows three decimals: -5 is 0.025);
// the first step then lands on the grid.
class CAdvanceSweepSpin : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int kStep = 10;  // 0.05 s applied
    static constexpr int kLimit = -SweepAdvance::kStoredLongest; // 2.50 s applied

    explicit CAdvanceSweepSpin(QWidget* parent = nullptr);

    QString FieldText() const;
    void stepBy(int steps) override;

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;
};
