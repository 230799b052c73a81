#include "app/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/CEditLyricsDlg.h"
#include "app/views/CNudgeLyricsDlg.h"
#include "app/views/CPlaceLyricsDlg.h"
#include "app/views/CPlaySongDlg.h"

namespace {

constexpr int kStatePollMs = 200;
const char* const kWebPages[][2] = {
    {"32800", "https://tessavox.org/songs"},     {"32784", "https://tessavox.org/download"},
    {"32791", "https://tessavox.org/support"},   {"32794", "https://tessavox.org/community"},
    {"32793", "https://tessavox.org/social"},    {"32797", "https://tessavox.org/affiliates"},
};

} // namespace

CMainFrame::CMainFrame(CTessavoxApp& app) : m_app(app)
{
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    setWindowIcon(QIcon(":/tessavox.svg"));
    BuildMenu();
    m_stateTimer = new QTimer(this);
    connect(m_stateTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_stateTimer->start(kStatePollMs);
    connect(&m_app, &CTessavoxApp::StateChanged, this, &CMainFrame::UpdateCommandStates);
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(QWidget* menu, const QString& text, int command, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setData(command);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // The shell's shortcuts reach every view.
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    connect(action, &QAction::triggered, this, [this, command] { m_app.RunCommand(command); });
    menu->addAction(action);
    m_actions.insert(command, action);
    return action;
}

void CMainFrame::BuildMenu()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    AddCommand(file, tr("&New"), CommandId::FileNew, QKeySequence("Ctrl+N"));
    AddCommand(file, tr("&Open..."), CommandId::FileOpen, QKeySequence("Ctrl+O"));
    AddCommand(file, tr("&Close"), CommandId::FileClose);
    AddCommand(file, tr("&Save"), CommandId::FileSave, QKeySequence("Ctrl+S"));
    AddCommand(file, tr("Save &As..."), CommandId::FileSaveAs);
    file->addSeparator();
    AddCommand(file, tr("A&uto Save"), CommandId::AutoSave)->setCheckable(true);
    file->addSeparator();
    AddCommand(file, tr("&Export Song..."), CommandId::ExportSong);
    file->addSeparator();
    // Alt+F4 is the window manager's; the menu only names it.
    AddCommand(file, tr("E&xit\tAlt+F4"), CommandId::Exit);

    // The text editors handle Ctrl+X, C, V and A themselves; the menu names them.
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    AddCommand(edit, tr("Cu&t\tCtrl+X"), CommandId::EditCut);
    AddCommand(edit, tr("&Copy\tCtrl+C"), CommandId::EditCopy);
    AddCommand(edit, tr("&Paste\tCtrl+V"), CommandId::EditPaste);
    AddCommand(edit, tr("Select &All\tCtrl+A"), CommandId::EditSelectAll);
    edit->addSeparator();
    m_fitLongLines = edit->addAction(tr("&Fit Long Lines"));
    connect(m_fitLongLines, &QAction::triggered, this, [this] {
        if (auto* view = qobject_cast<CEditLyricsDlg*>(m_view)) view->FitLongLines();
    });
    edit->addSeparator();
    AddCommand(edit, tr("&Settings..."), CommandId::Settings);

    // Alt+P in a view is its "&Play Final" button: the view takes its own letters first.
    AddCommand(menuBar(), tr("&Pellamar"), CommandId::Pellamar);
    AddCommand(menuBar(), tr("&Buy Songs"), CommandId::BuySongs);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddCommand(help, tr("&Check for Updates"), CommandId::CheckForUpdates);
    help->addSeparator();
    AddCommand(help, tr("Online &Support"), CommandId::OnlineSupport);
    AddCommand(help, tr("Community &Forum"), CommandId::Community);
    AddCommand(help, tr("Visit Us on &Facebook"), CommandId::Facebook);
    AddCommand(help, tr("Affiliate &Program"), CommandId::Affiliate);
    help->addSeparator();
    AddCommand(help, tr("&About Tessavox"), CommandId::About);
    AddCommand(menuBar(), tr("&Manual"), CommandId::Manual, QKeySequence(Qt::Key_F1));

    for (QMenu* menu : {file, edit, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
}

void CMainFrame::UpdateCommandStates()
{
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it) it.value()->setEnabled(m_app.CommandEnabled(it.key()));
    m_actions[CommandId::AutoSave]->setChecked(m_app.AutoSaveOn());
    auto* editLyrics = qobject_cast<CEditLyricsDlg*>(m_view);
    m_fitLongLines->setEnabled(editLyrics && editLyrics->Usable() && !editLyrics->LinesTooWide().isEmpty());
    if (m_view) m_view->UpdateControls();
}

bool CMainFrame::InstallView(int view)
{
    // The old view lets go of the player and its timers before the new one takes over; the
    // widget itself is deleted later, since the switch may come from one of its own buttons.
    if (m_view) m_view->CloseView();
    CViewBase* next = nullptr;
    switch (view) {
    case ViewId::PlaceLyrics: next = new CPlaceLyricsDlg(m_app, this); break;
    case ViewId::AdjustLyrics: next = new CNudgeLyricsDlg(m_app, this); break;
    case ViewId::PlayFinal: next = new CPlaySongDlg(m_app, this); break;
    default: next = new CEditLyricsDlg(m_app, this); break;
    }
    setCentralWidget(next); // deletes the old view later
    m_view = next;
    m_view->UpdateControls();
    // Shown now rather than when the layout gets to it: a hidden view cannot take the focus,
    // and the keys would go nowhere until the user clicks into it.
    if (isVisible()) m_view->show();
    m_view->setFocus();
    return m_view->Usable();
}

void CMainFrame::RestorePlacement(const QRect& normal, bool maximized, bool show)
{
    setGeometry(normal);
    if (!show) return;
    if (maximized) showMaximized();
    else showNormal();
}

QRect CMainFrame::NormalRect() const
{
    return isMaximized() ? normalGeometry() : geometry();
}

void CMainFrame::StopPlaying()
{
    if (m_view) m_view->StopPlaying();
}

void CMainFrame::CloseWithoutQuery()
{
    m_closing = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_closing || m_app.CloseQuery()) {
        m_closing = true;
        event->accept();
        QCoreApplication::quit();
    } else {
        event->ignore();
    }
}

void CMainFrame::focusInEvent(QFocusEvent* event)
{
    QMainWindow::focusInEvent(event);
    if (m_view) m_view->setFocus();
}

void CMainFrame::ShowAbout()
{
    QMessageBox::about(this, tr("About Tessavox"),
                       tr("<b>Tessavox</b><br>Version %1<br><br>CD+G karaoke from music and lyrics.")
                           .arg(QCoreApplication::applicationVersion()));
}

void CMainFrame::RunPeripheralCommand(int command)
{
    for (const auto& page : kWebPages)
        if (QString(page[0]).toInt() == command) {
            QDesktopServices::openUrl(QUrl(page[1]));
            return;
        }
    if (command == CommandId::About) {
        ShowAbout();
    } else if (command == CommandId::Manual) {
        const QString manual = QCoreApplication::applicationDirPath() + "/manual/index.html";
        if (!QFileInfo::exists(manual) || !QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
            m_app.Prompt().Message("Error opening the manual: 2.", kAppCaption, PromptIcon::Stop);
    } else if (command == CommandId::Pellamar) {
        QSettings machine(QSettings::IniFormat, QSettings::SystemScope, "Kelvane", "Pellamar");
        const QString folder = machine.value("User/InstallFolder").toString();
        QProcess::startDetached(QDir(folder).filePath("Pellamar"), {m_app.MusicFolder()}, folder);
    }
}
