#pragma once
#include <QDialog>

class KaraokeSong;
class QLineEdit;

// The singer descriptions: short names for the two voices of a duet and for both together.
// "Save" writes all three straight into the song it was given.
class DuetDialog : public QDialog {
    Q_OBJECT
public:
    DuetDialog(KaraokeSong& song, QWidget* parent = nullptr);

    QLineEdit* Field(int index) const { return m_fields[index]; }
    void Save();

private:
    KaraokeSong& m_song;
    QLineEdit* m_fields[3] = {};
};
