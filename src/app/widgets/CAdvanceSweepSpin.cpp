#include "app/widgets/CAdvanceSweepSpin.h"

#include <QLineEdit>
#include <cmath>

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

QString CAdvanceSweepSpin::textFromValue(int value) const
{
    return QString::number(value / 100.0, 'f', 2);
}

int CAdvanceSweepSpin::valueFromText(const QString& text) const
{
    return int(std::lround(text.toDouble() * 100));
}

QValidator::State CAdvanceSweepSpin::validate(QString&, int&) const
{
    return QValidator::Acceptable;
}
