#include "app/widgets/CAdvanceSweepSpin.h"

#include <QLineEdit>
#include <algorithm>

CAdvanceSweepSpin::CAdvanceSweepSpin(QWidget* parent) : QSpinBox(parent)
{
    setRange(0, kLimit);
    setSingleStep(kStep);
    // Only the arrows change it; the field just shows the value.
    lineEdit()->setReadOnly(true);
    setAccelerated(true);
}

QString CAdvanceSweepSpin::FieldText() const
{
    return lineEdit()->text();
}

void CAdvanceSweepSpin::stepBy(int steps)
{
    const int off = value() % kStep;
    if (off == 0 || steps == 0) {
        QSpinBox::stepBy(steps);
        return;
    }
    // Off the grid: the first step up or down is to the neighbouring grid value.
    const int below = value() - off;
    setValue(std::clamp(steps > 0 ? below + steps * kStep : below + (steps + 1) * kStep, minimum(), maximum()));
}

QString CAdvanceSweepSpin::textFromValue(int value) const
{
    return QString::fromStdString(SweepAdvance::FromStored(-value).AppliedText());
}

int CAdvanceSweepSpin::valueFromText(const QString& text) const
{
    return -SweepAdvance::FromAppliedSeconds(text.toDouble()).Stored();
}

QValidator::State CAdvanceSweepSpin::validate(QString&, int&) const
{
    return QValidator::Acceptable;
}
