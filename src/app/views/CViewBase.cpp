#include "app/views/CViewBase.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "app/widgets/MRwViewerWindow.h"
#include "cdg/PagePreview.h"
#include "player/MRwRenderer.h"

namespace {
const char* const kModeTexts[5] = {"E&dit Lyrics", "Place &Lyrics", "&Adjust Lyrics", "&Play Final", "&Settings..."};
}

CViewBase::CViewBase(CTessavoxApp& app, int viewId, QWidget* parent) : QWidget(parent), m_app(app), m_viewId(viewId)
{
    auto* outer = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        m_modeButtons[i] = new QPushButton(tr(kModeTexts[i]), this);
        m_modeButtons[i]->setObjectName(QString("mode%1").arg(i + 1));
        m_modeButtons[i]->setFocusPolicy(Qt::TabFocus);
        connect(m_modeButtons[i], &QPushButton::clicked, this, [this, i] { OnMode(i); });
        row->addWidget(m_modeButtons[i]);
    }
    outer->addLayout(row);
    m_body = new QVBoxLayout;
    outer->addLayout(m_body, 1);
    qApp->installEventFilter(this);
}

bool CViewBase::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || (target != this && !isAncestorOf(target))) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    return type == QEvent::KeyPress ? ViewKeyPress(key) : ViewKeyRelease(key);
}

CViewBase::~CViewBase()
{
    qApp->removeEventFilter(this);
    if (m_renderer) m_renderer->DetachWindows();
}

MRwViewerWindow* CViewBase::AddViewer()
{
    if (m_viewer) return m_viewer;
    m_renderer = std::make_unique<MRwRenderer>();
    m_viewer = new MRwViewerWindow(this);
    m_viewer->setObjectName("viewer");
    m_viewer->setMinimumSize(150, 108);
    m_renderer->AttachWindow(m_viewer);
    m_body->addWidget(m_viewer, 1);
    return m_viewer;
}

void CViewBase::ShowLyricPage(int page)
{
    if (!m_renderer) return;
    DrawLyricPagePreview(*m_renderer, m_app.Song(), page);
    m_renderer->PresentAll();
}

void CViewBase::UpdateControls()
{
    m_modeButtons[0]->setEnabled(m_app.CommandEnabled(CommandId::ModeEditLyrics));
    m_modeButtons[1]->setEnabled(m_app.CommandEnabled(CommandId::ModePlaceLyrics));
    m_modeButtons[2]->setEnabled(m_app.CommandEnabled(CommandId::ModeAdjustLyrics));
    m_modeButtons[3]->setEnabled(m_app.CommandEnabled(CommandId::ModePlayFinal));
    m_modeButtons[4]->setEnabled(m_app.CommandEnabled(CommandId::Settings));
}

void CViewBase::OnMode(int index)
{
    static const int kCommands[5] = {CommandId::ModeEditLyrics, CommandId::ModePlaceLyrics,
                                     CommandId::ModeAdjustLyrics, CommandId::ModePlayFinal, CommandId::Settings};
    // A view's own button does nothing.
    if (index < 4 && index + 1 == m_viewId) return;
    StopPlaying();
    m_app.RunCommand(kCommands[index]);
}
