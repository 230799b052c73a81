#include "app/dialogs/ProgressDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QtUserPrompt.h"

ProgressDialog::ProgressDialog(QWidget* parent, const QString& caption, bool cancellable) : QDialog(parent)
{
    setWindowTitle(caption);
    setModal(false);
    m_label = new QLabel(this);
    m_label->setObjectName("progressText");
    m_label->setVisible(false);
    m_label->setTextFormat(Qt::PlainText);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_cancel->setCheckable(true);
    m_cancel->setVisible(cancellable);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
}

void ProgressDialog::SetText(const QString& text)
{
    m_text = text;
    m_label->setVisible(!text.isEmpty());
    ShowText();
}

QString ProgressDialog::Text() const
{
    return m_label->text();
}

void ProgressDialog::ShowText()
{
    if (!m_text.isEmpty()) m_label->setText(tr("%1 (%2 %)").arg(m_text).arg(m_bar->value()));
}

void ProgressDialog::SetPosition(int percent)
{
    m_bar->setValue(std::clamp(percent, 0, 100));
    ShowText();
}

int ProgressDialog::Position() const
{
    return m_bar->value();
}

bool ProgressDialog::CancelPressed() const
{
    return m_cancel->isChecked();
}

bool ProgressDialog::CancelShown() const
{
    return !m_cancel->isHidden();
}

void ProgressDialog::reject()
{
    // The box goes when the work has ended; Escape is the Cancel button, when there is one.
    if (CancelShown()) m_cancel->setChecked(true);
}

bool ProgressDialog::Progress(int percent)
{
    SetPosition(percent);
    QCoreApplication::processEvents();
    // A signal that came meanwhile stops the work as Cancel would.
    return !CancelPressed() && !QtUserPrompt::ClosingDown();
}
