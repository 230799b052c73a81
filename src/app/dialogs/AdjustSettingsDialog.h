#pragma once
#include <QDialog>

class KaraokeSong;
class QDoubleSpinBox;
class QSpinBox;

// "Adjust Play Area Controls": how many words the adjust loop plays around the selected word,
// and how far one move shifts a word. Works on a copy of the song's settings block.
class AdjustSettingsDialog : public QDialog {
    Q_OBJECT
public:
    AdjustSettingsDialog(KaraokeSong& song, QWidget* parent);

    QSpinBox* WordsField() const { return m_words; }
    QDoubleSpinBox* AmountField() const { return m_amount; }
    void accept() override;

private:
    KaraokeSong& m_song;
    QSpinBox* m_words;
    QDoubleSpinBox* m_amount;
};
