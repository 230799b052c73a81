#include "app/dialogs/CProgressDlg.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QtUserPrompt.h"

CProgressDlg::CProgressDlg(QWidget* parent, const QString& caption, bool cancellable) : QDialog(parent)
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

void CProgressDlg::SetPosition(int percent)
{
    m_bar->setValue(std::clamp(percent, 0, 100));
}

int CProgressDlg::Position() const
{
    return m_bar->value();
}

bool CProgressDlg::CancelPressed() const
{
    return m_cancel->isChecked();
}

bool CProgressDlg::CancelShown() const
{
    return !m_cancel->isHidden();
}

bool CProgressDlg::Progress(int percent)
{
    SetPosition(percent);
    QCoreApplication::processEvents();
    // A signal that came meanwhile stops the work as Cancel would.
    return !CancelPressed() && !QtUserPrompt::ClosingDown();
}
