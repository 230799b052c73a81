#pragma once
#include <QDialog>
#include <array>
#include <string>

class QColor;
class QLabel;
class QLineEdit;

// The singer descriptions: short names for the two voices of a duet and for both together.
// "Save" writes all three into the descriptions it was given.
class DuetDialog : public QDialog {
    Q_OBJECT
public:
    using Descriptions = std::array<std::string, 3>;
    explicit DuetDialog(Descriptions& descriptions, QWidget* parent = nullptr);

    QLineEdit* Field(int index) const { return m_fields[index]; }
    // Says which colours the duet's lines take (the lyrics page's Singer 2 and Both colours,
    // which the page's colour buttons show greyed in a solo song), so that none comes as a
    // surprise.
    void ShowSingerColours(const QColor& singer2, const QColor& both);
    QLabel* ColourNote() const { return m_colourNote; }
    void Save();

private:
    Descriptions& m_descriptions;
    QLineEdit* m_fields[3] = {};
    QLabel* m_colourNote = nullptr;
};
