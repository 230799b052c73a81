#include "app/dialogs/ProgressDialog.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QtUserPrompt.h"

ProgressDialog::ProgressDialog(QWidget* parent, const QString& caption, bool cancellable) : QDialog(parent)
{
    setWindowTitle(caption);
    setModal(false);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_cancel = new QPushButton(tr("&Cancel"), this);
    m_cancel->setCheckable(true);
    m_cancel->setVisible(cancellable);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
}

void ProgressDialog::SetPosition(int percent)
{
    m_bar->setValue(std::clamp(percent, 0, 100));
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

bool ProgressDialog::Progress(int percent)
{
    SetPosition(percent);
    QCoreApplication::processEvents();
    // A signal that came meanwhile stops the work as Cancel would.
    return !CancelPressed() && !QtUserPrompt::ClosingDown();
}
