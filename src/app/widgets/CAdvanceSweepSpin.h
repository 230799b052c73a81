#pragma once
#include <QSpinBox>

// The "Advance sweep" control: a read-only field that shows how far the sweep runs ahead, in
// seconds with two decimals, and a spin control that moves it in steps of 0.05 s between 0 and
// 5 s. Its value is the magnitude in hundredths (0 to 500); the song stores it negated.
class CAdvanceSweepSpin : public QSpinBox {
    Q_OBJECT
public:
    static constexpr int kStep = 5;
    static constexpr int kLimit = 500;

    explicit CAdvanceSweepSpin(QWidget* parent = nullptr);

    QString FieldText() const;

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;
};
