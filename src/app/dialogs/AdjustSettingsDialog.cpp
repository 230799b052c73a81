#include "app/dialogs/AdjustSettingsDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "project/KaraokeSong.h"

namespace {
constexpr int kMinWords = 2;
constexpr int kMaxWords = 4;
constexpr int kThousandths = 1000;
}

AdjustSettingsDialog::AdjustSettingsDialog(KaraokeSong& song, QWidget* parent) : QDialog(parent), m_song(song)
{
    setWindowTitle(tr("Adjust Play Area Controls"));
    // The loop is always counted in words from here on.
    m_song.settings.loopBeforeUnit = 0;
    m_song.settings.loopAfterUnit = 0;

    m_words = new QSpinBox(this);
    m_words->setRange(kMinWords, kMaxWords);
    m_words->setValue(std::clamp(std::abs(song.settings.loopBefore) / kThousandths, kMinWords, kMaxWords));
    m_amount = new QDoubleSpinBox(this);
    m_amount->setRange(0.0, 1.0);
    m_amount->setSingleStep(0.05);
    m_amount->setDecimals(2);
    m_amount->setValue(std::abs(song.settings.adjustAmount) / double(kThousandths));

    auto* form = new QFormLayout;
    auto* wordsText =
        new QLabel(tr("Number of words to play before and after the selected word when loop playing over it."), this);
    wordsText->setWordWrap(true);
    auto* amountText = new QLabel(tr("Adjust Amount sets how far in seconds the highlighted word moves with each "
                                     "Start (< >) or End (Ctrl + < >) key press."),
                                  this);
    amountText->setWordWrap(true);
    form->addRow(wordsText);
    form->addRow(tr("Words:"), m_words);
    form->addRow(amountText);
    form->addRow(tr("Adjust Amount:"), m_amount);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void AdjustSettingsDialog::accept()
{
    const int words = m_words->value();
    m_song.settings.loopBefore = words * kThousandths;
    m_song.settings.loopAfter = words * kThousandths;
    // Rounded, not cut: 0.35 s in single precision is 0.3499999 and must still give 350 ms.
    m_song.settings.adjustAmount = int(std::lround(m_amount->value() * kThousandths));
    QDialog::accept();
}
