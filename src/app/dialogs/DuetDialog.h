#pragma once
#include <QDialog>
#include <array>
#include <string>

class QLineEdit;

// The singer descriptions: short names for the two voices of a duet and for both together.
// "Save" writes all three into the descriptions it was given.
class DuetDialog : public QDialog {
    Q_OBJECT
public:
    using Descriptions = std::array<std::string, 3>;
    explicit DuetDialog(Descriptions& descriptions, QWidget* parent = nullptr);

    QLineEdit* Field(int index) const { return m_fields[index]; }
    void Save();

private:
    Descriptions& m_descriptions;
    QLineEdit* m_fields[3] = {};
};
