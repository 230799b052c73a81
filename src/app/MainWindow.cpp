#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QVBoxLayout>
#include <cmath>
#include <QTextBrowser>
#include <QMenu>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QProcess>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/QtUserPrompt.h"
#include "document/SongDocument.h"
#include "app/CommandIds.h"
#include "app/views/EditLyricsView.h"
#include "app/views/AdjustLyricsView.h"
#include "app/views/PlaceLyricsView.h"
#include "app/views/PlayFinalView.h"
#include "log/MLogQueue.h"
#include "project/KaraokeSong.h"
#include "log/MUserActionLog.h"

namespace {

constexpr int kStatePollMs = 200;
constexpr uint32_t kActionManual = 8;
const char* const kWebPages[][2] = {
    {"32800", "https://tessavox.org/songs"},     {"32784", "https://tessavox.org/download"},
    {"32791", "https://tessavox.org/support"},   {"32794", "https://tessavox.org/community"},
    {"32793", "https://tessavox.org/social"},    {"32797", "https://tessavox.org/affiliates"},
};

} // namespace

MainWindow::MainWindow(AppContext& app) : m_app(app)
{
    setWindowIcon(QIcon(":/tessavox.svg"));
    BuildMenu();
    // What the last export wrote is told here; the views keep their own size grip.
    statusBar()->setSizeGripEnabled(false);
    setMinimumSize(ViewsNeed());
    setAcceptDrops(true);
    // Controls that take drops of their own (the lyric editor) would take a file's path as text.
    qApp->installEventFilter(this);
    m_stateTimer = new QTimer(this);
    connect(m_stateTimer, &QTimer::timeout, this, &MainWindow::UpdateCommandStates);
    m_stateTimer->start(kStatePollMs);
    connect(&m_app, &AppContext::StateChanged, this, &MainWindow::UpdateCommandStates);
}

MainWindow::~MainWindow()
{
    // The view closing below may still record a step, and the song's news must not reach a
    // frame that is half gone.
    disconnect(&m_app, nullptr, this, nullptr);
    qApp->removeEventFilter(this);
    m_stateTimer->stop();
}

QAction* MainWindow::AddCommand(QWidget* menu, const QString& text, int command, const QKeySequence& shortcut)
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

void MainWindow::BuildMenu()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    AddCommand(file, tr("&New"), CommandId::FileNew, QKeySequence("Ctrl+N"));
    AddCommand(file, tr("&Open..."), CommandId::FileOpen, QKeySequence("Ctrl+O"));
    AddCommand(file, tr("&Close"), CommandId::FileClose);
    AddCommand(file, tr("&Save"), CommandId::FileSave, QKeySequence("Ctrl+S"));
    AddCommand(file, tr("Save &As..."), CommandId::FileSaveAs);
    m_recent = file->addMenu(tr("Open &Recent"));
    connect(m_recent, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    file->addSeparator();
    AddCommand(file, tr("A&uto Save"), CommandId::AutoSave)->setCheckable(true);
    file->addSeparator();
    AddCommand(file, tr("&Export Song..."), CommandId::ExportSong);
    file->addSeparator();
    // Alt+F4 is the window manager's; the menu only names it.
    AddCommand(file, tr("E&xit\tAlt+F4"), CommandId::Exit);

    // The text editors handle Ctrl+X, C, V and A themselves; the menu names them.
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    // Undo and Redo are the song's: every view has them, the lyrics editor's typing among them.
    AddCommand(edit, tr("&Undo"), CommandId::EditUndo, QKeySequence("Ctrl+Z"));
    AddCommand(edit, tr("&Redo"), CommandId::EditRedo, QKeySequence("Ctrl+Shift+Z"))
        ->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
    edit->addSeparator();
    AddCommand(edit, tr("Cu&t\tCtrl+X"), CommandId::EditCut);
    AddCommand(edit, tr("&Copy\tCtrl+C"), CommandId::EditCopy);
    AddCommand(edit, tr("&Paste\tCtrl+V"), CommandId::EditPaste);
    AddCommand(edit, tr("Select &All\tCtrl+A"), CommandId::EditSelectAll);
    edit->addSeparator();
    m_fitLongLines = edit->addAction(tr("&Fit Long Lines"));
    connect(m_fitLongLines, &QAction::triggered, this, [this] {
        if (m_view) m_view->FitLongLines();
    });
    m_findLyrics = edit->addAction(tr("Find Lyrics on the &Web..."));
    connect(m_findLyrics, &QAction::triggered, this, [this] {
        if (m_view) m_view->FindLyricsOnWeb();
    });
    AddCommand(edit, tr(CommandText::AutoTime), CommandId::AutoTime);
    // Place Lyrics moves each tap to where the voice of the last vocal track Auto-Time was given
    // begins a note nearby: the program's own choice, kept in the settings.
    m_snapTaps = edit->addAction(tr("Snap Taps to the Si&nging"));
    m_snapTaps->setCheckable(true);
    m_snapTaps->setChecked(m_app.Settings().Int(AppSettings::kSettings, AppSettings::kSnapTaps, 0) != 0);
    connect(m_snapTaps, &QAction::toggled, this,
            [this](bool on) { m_app.Settings().SetInt(AppSettings::kSettings, AppSettings::kSnapTaps, on ? 1 : 0); });
    edit->addSeparator();
    AddCommand(edit, tr("&Settings..."), CommandId::Settings);

    // The waveform strip is the window's own choice, not a command of the song.
    QMenu* view = menuBar()->addMenu(tr("&View"));
    m_waveform = view->addAction(tr("&Waveform"));
    m_waveform->setData(CommandId::ViewWaveform);
    m_waveform->setCheckable(true);
    m_waveform->setChecked(m_app.Settings().Int(AppSettings::kSettings, "ShowWaveform", 1) != 0);
    connect(m_waveform, &QAction::toggled, this, [this](bool shown) {
        m_app.Settings().SetInt(AppSettings::kSettings, "ShowWaveform", shown ? 1 : 0);
        if (m_view) m_view->ShowWaveform(shown);
    });

    // Every top-level item has a letter of its own, none of them a view's button letter (D, L,
    // A, P, S): Alt+P is "&Play Final" even while the menu bar is walked with the keyboard.
    AddCommand(menuBar(), tr("Pellama&r"), CommandId::Pellamar);
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
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateCommandStates);
}

void MainWindow::FillRecentMenu()
{
    m_recent->clear();
    const QStringList files = m_app.Settings().RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        // "&1 /home/me/Songs/song.tvx": a number to pick it by, and the whole path, since two
        // songs may share a name.
        QAction* open = m_recent->addAction(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
        connect(open, &QAction::triggered, this, [this, path] { m_app.OpenRecent(path); });
    }
    if (files.isEmpty()) m_recent->addAction(tr("(No Recent Projects)"))->setEnabled(false);
    m_recent->addSeparator();
    QAction* clear = m_recent->addAction(tr("&Clear Menu"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [this] { m_app.Settings().ClearRecentFiles(); });
}

void MainWindow::UpdateCommandStates()
{
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it) it.value()->setEnabled(m_app.CommandEnabled(it.key()));
    m_actions[CommandId::AutoSave]->setChecked(m_app.AutoSaveOn());
    m_recent->menuAction()->setEnabled(m_app.CommandEnabled(CommandId::FileOpen));
    const SongDocument& doc = m_app.Document();
    m_actions[CommandId::EditUndo]->setText(tr("&Undo") + (doc.CanUndo() ? " " + QString::fromStdString(doc.UndoName()) : ""));
    m_actions[CommandId::EditRedo]->setText(tr("&Redo") + (doc.CanRedo() ? " " + QString::fromStdString(doc.RedoName()) : ""));
    m_fitLongLines->setEnabled(m_view && m_view->CanFitLongLines());
    m_findLyrics->setEnabled(m_view && m_view->CanFindLyricsOnWeb() && m_app.CommandEnabled(CommandId::ModeEditLyrics));
    if (m_view) m_view->UpdateControls();
}

bool MainWindow::InstallView(int view)
{
    // The old view lets go of the player and its timers before the new one takes over; the
    // widget itself is deleted later, since the switch may come from one of its own buttons.
    if (m_view) m_view->CloseView();
    SongView* next = nullptr;
    switch (view) {
    case ViewId::PlaceLyrics: next = new PlaceLyricsView(m_app, this); break;
    case ViewId::AdjustLyrics: next = new AdjustLyricsView(m_app, this); break;
    case ViewId::PlayFinal: next = new PlayFinalView(m_app, this); break;
    default: next = new EditLyricsView(m_app, this); break;
    }
    setCentralWidget(next); // deletes the old view later
    m_view = next;
    m_view->UpdateControls();
    // Shown now rather than when the layout gets to it: a hidden view cannot take the focus,
    // and the keys would go nowhere until the user clicks into it.
    if (isVisible()) m_view->show();
    m_view->TakeKeyboard();
    return m_view->Usable();
}

QSize MainWindow::ViewsNeed() const
{
    QSize views(kMinimumWidth, 0);
    for (const QSize& need : {EditLyricsView::Needs(*this), PlaceLyricsView::Needs(*this),
                              AdjustLyricsView::Needs(*this), PlayFinalView::Needs(*this)})
        views = views.expandedTo(need);
    const int bars = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    return {views.width(), std::max(kMinimumHeight, views.height() + bars)};
}

QRect MainWindow::FirstWindowRect() const
{
    constexpr QPoint kFirstCorner(10, 10);
    // Room for a screen twice the least one beside the lyric editor's share.
    constexpr QSize kRoomyScreen(2 * SongView::kMinimumScreenWidth, 2 * SongView::kMinimumScreenHeight);
    const QSize least = ViewsNeed();
    const int roomyWidth = 2 * SongView::kMargin +
                           int(std::ceil((kRoomyScreen.width() + SongView::kGap) / (1.0 - EditLyricsView::kDefaultSplit)));
    QSize size(std::max(least.width(), roomyWidth),
               least.height() - SongView::kMinimumScreenHeight + kRoomyScreen.height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // The frame the window system adds is not known before the window shows: a margin for it.
        const QSize free = screen->availableGeometry().size() - QSize(2 * kFirstCorner.x(), 4 * kFirstCorner.y());
        size = size.boundedTo(free);
    }
    return FitOnScreen({kFirstCorner, size.expandedTo(least)});
}

QRect MainWindow::FitOnScreen(const QRect& rect) const
{
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return rect;
    // Sizes are the desktop's device-independent pixels: a placement saved at another scale
    // or on a larger screen is made to fit, and never smaller than the views need.
    const QRect free = screen->availableGeometry();
    const QSize size = rect.size().boundedTo(free.size()).expandedTo(minimumSize());
    const int x = std::max(free.left(), std::min(rect.left(), free.left() + free.width() - size.width()));
    const int y = std::max(free.top(), std::min(rect.top(), free.top() + free.height() - size.height()));
    return {QPoint(x, y), size};
}

void MainWindow::RestorePlacement(const QRect& normal, bool maximized, bool show)
{
    setGeometry(FitOnScreen(normal));
    if (!show) return;
    if (maximized) showMaximized();
    else showNormal();
    // The new window takes the keyboard (a window manager may do it too).
    activateWindow();
}

QRect MainWindow::NormalRect() const
{
    return isMaximized() ? normalGeometry() : geometry();
}

void MainWindow::StopPlaying()
{
    if (m_view) m_view->StopPlaying();
}

void MainWindow::CloseWithoutQuery()
{
    m_closing = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closing || m_app.CloseQuery()) {
        m_closing = true;
        event->accept();
        QCoreApplication::quit();
    } else {
        event->ignore();
    }
}

void MainWindow::focusInEvent(QFocusEvent* event)
{
    QMainWindow::focusInEvent(event);
    if (m_view) m_view->TakeKeyboard();
}

bool MainWindow::event(QEvent* event)
{
    // The last modal dialog or box over the window has gone: the window comes back to the front
    // and its view takes the keyboard, whether or not a window manager hands the focus back.
    if (event->type() == QEvent::WindowUnblocked && isVisible() && !QApplication::activeModalWidget() && !m_closing) {
        activateWindow();
        KeysToView();
    }
    return QMainWindow::event(event);
}

QStringList MainWindow::DroppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

bool MainWindow::TakeFileDrag(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!drag->mimeData() || !drag->mimeData()->hasUrls()) return false;
        // Every file is taken: one of no use is named when it is dropped.
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData() || !drop->mimeData()->hasUrls()) return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        const QStringList files = DroppedFiles(drop->mimeData());
        if (files.isEmpty()) {
            const QUrl first = drop->mimeData()->urls().value(0);
            statusBar()->showMessage(tr("%1 is not a file on this computer: save it first, then drop the file.")
                                         .arg(first.toDisplayString()));
            return true;
        }
        // After the drop has been answered: the source is not kept waiting on a question.
        QTimer::singleShot(0, this, [this, files] {
            if (!m_closing) m_app.OpenDroppedFiles(files);
        });
        return true;
    }
    default: return false;
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!TakeFileDrag(event)) QMainWindow::dragEnterEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (!TakeFileDrag(event)) QMainWindow::dragMoveEvent(event);
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (!TakeFileDrag(event)) QMainWindow::dropEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target == this || target->window() != this) return false;
    return TakeFileDrag(event);
}

void MainWindow::KeysToView()
{
    if (!m_view || m_view->Closed()) return;
    // What of the view had the focus keeps it; anything else (nothing, the menu bar, a control
    // of the view that went) gives it to the view.
    QWidget* focus = focusWidget();
    if (!focus || (focus != m_view && !m_view->isAncestorOf(focus))) m_view->TakeKeyboard();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Back at the front (a dialog closed, a second start raised the window): the keys go to the
    // view unless something of it has them already.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) KeysToView();
}

QString MainWindow::ManualPath()
{
    // Installed: share/doc/tessavox/manual beside the program's bin folder; built: the same
    // place in the build folder.
    const QString manual =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString(TESSAVOX_MANUAL_FROM_PROGRAM) + "/index.html");
    return QFileInfo::exists(manual) ? QFileInfo(manual).canonicalFilePath() : QString();
}

void MainWindow::OpenManual()
{
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MUserActionLog>("Open Manual", kActionManual), true);
    const QString manual = ManualPath();
    if (manual.isEmpty()) {
        const QString expected = QDir(QCoreApplication::applicationDirPath())
                                     .filePath(QString(TESSAVOX_MANUAL_FROM_PROGRAM) + "/index.html");
        m_app.Prompt().Message(
            QString("Error opening the manual: it is not installed (there is no %1).").arg(QDir::cleanPath(expected)).toStdString(),
            kAppCaption, PromptIcon::Stop);
        return;
    }
    // The desktop's browser, or a window of our own where the desktop has none.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) ShowManualWindow(manual);
}

void MainWindow::ShowManualWindow(const QString& manual)
{
    if (!m_manual) {
        m_manual = new QDialog(this, Qt::Window);
        m_manual->setObjectName("manualWindow");
        m_manual->setWindowTitle(tr("Tessavox Manual"));
        auto* layout = new QVBoxLayout(m_manual);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* browser = new QTextBrowser(m_manual);
        browser->setObjectName("manualText");
        browser->setOpenExternalLinks(true);
        layout->addWidget(browser);
        m_manual->resize(780, 640);
    }
    auto* browser = m_manual->findChild<QTextBrowser*>("manualText");
    browser->setSource(QUrl::fromLocalFile(manual));
    m_manual->show();
    m_manual->raise();
    m_manual->activateWindow();
}

void MainWindow::ShowAbout()
{
    QMessageBox::about(this, tr("About Tessavox"),
                       tr("<b>Tessavox</b><br>Version %1<br><br>CD+G karaoke from music and lyrics.")
                           .arg(QCoreApplication::applicationVersion()));
}

void MainWindow::RunPeripheralCommand(int command)
{
    for (const auto& page : kWebPages)
        if (QString(page[0]).toInt() == command) {
            QDesktopServices::openUrl(QUrl(page[1]));
            return;
        }
    if (command == CommandId::About) {
        ShowAbout();
    } else if (command == CommandId::Manual) {
        OpenManual();
    } else if (command == CommandId::Pellamar) {
        QSettings machine(QSettings::IniFormat, QSettings::SystemScope, "Kelvane", "Pellamar");
        const QString folder = machine.value("User/InstallFolder").toString();
        QProcess::startDetached(QDir(folder).filePath("Pellamar"), {m_app.MusicFolder()}, folder);
    }
}

void MainWindow::EndTypingStep()
{
    if (m_view) m_view->RecordTyping();
}

int MainWindow::SelectedWord() const
{
    return m_view ? m_view->SelectedWord() : -1;
}

void MainWindow::SelectWord(int index)
{
    if (m_view && index >= 0 && size_t(index) < m_app.Song().words.size()) m_view->SelectWord(index);
}

bool MainWindow::ReloadSongInView()
{
    return m_view && m_view->ReloadSong();
}
