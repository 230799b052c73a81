#include "app/dialogs/SongSettingsDialog.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/MainWindow.h"
#include "app/AppContext.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/GraphicPageDialog.h"
#include "app/dialogs/LyricsPageDialog.h"
#include "cdg/MKaraokeInitialize.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kRectValue = "SettingsWindowPos";

// A song read from an old or damaged file may lack a page; the tabs need all three.
void EnsurePages(KaraokeSong& song)
{
    KaraokeSong defaults;
    for (int32_t kind : {kPageTitle, kPageLyrics, kPageCredits})
        if (!song.FindPage(kind)) song.AddPage(*defaults.FindPage(kind));
}

bool OnSomeScreen(const QRect& rect)
{
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(rect)) return true;
    return false;
}

} // namespace

SongSettingsDialog::SongSettingsDialog(KaraokeSong& song, const SettingsDlgContext& context, QWidget* parent)
    : QDialog(parent), m_song(song), m_context(context)
{
    EnsurePages(song);
    setWindowTitle(tr("Karaoke Song Settings"));
    setSizeGripEnabled(true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(kEdge, kEdge, kEdge, kEdge);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("tabs");
    m_title = new GraphicPageDialog(song, kPageTitle, context, m_tabs);
    m_title->setObjectName("titlePage");
    m_lyrics = new LyricsPageDialog(song, context, m_tabs);
    m_lyrics->setObjectName("lyricsPage");
    m_credits = new GraphicPageDialog(song, kPageCredits, context, m_tabs);
    m_credits->setObjectName("creditsPage");
    m_tabs->addTab(m_title, tr("Title Page"));
    m_tabs->addTab(m_lyrics, tr("Lyrics"));
    m_tabs->addTab(m_credits, tr("Credits Page"));
    m_tabs->setCurrentIndex(kLyricsTab);
    outer->addWidget(m_tabs, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName("ok");
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName("cancel");
    row->addWidget(m_ok);
    row->addWidget(m_cancel);
    outer->addLayout(row);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    connect(m_title, &GraphicPageDialog::PreviewRunning, this, &SongSettingsDialog::SetPreviewRunning);
    connect(m_lyrics, &LyricsPageDialog::PreviewRunning, this, &SongSettingsDialog::SetPreviewRunning);
    connect(m_credits, &GraphicPageDialog::PreviewRunning, this, &SongSettingsDialog::SetPreviewRunning);
}

SongSettingsDialog::~SongSettingsDialog() = default;

bool SongSettingsDialog::Run(AppContext& app, KaraokeSong& copy)
{
    MKaraoke_Initialize();
    SettingsDlgContext context;
    context.descriptionsDocument = &app.Document();
    context.prompt = &app.Prompt();
    context.graphicsFolder = &app.GraphicsFolder();
    context.settings = &app.Settings();
    SongSettingsDialog dialog(copy, context, app.Frame());
    return dialog.exec() == QDialog::Accepted;
}

bool SongSettingsDialog::Previewing() const
{
    return m_previewRunning;
}

void SongSettingsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_placed) return;
    m_placed = true;
    // The smallest size is the size the sheet first opened with.
    m_firstSize = size();
    setMinimumSize(m_firstSize);
    if (!m_context.settings) return;
    QRect rect = m_context.settings->Rect(AppSettings::kSettings, kRectValue);
    if (!rect.isValid()) return;
    rect.setSize(rect.size().expandedTo(minimumSize()));
    if (OnSomeScreen(rect)) setGeometry(rect);
    else resize(rect.size());
}

void SongSettingsDialog::SaveRect()
{
    if (!m_context.settings || !m_placed) return;
    m_context.settings->SetRect(AppSettings::kSettings, kRectValue, isMaximized() ? normalGeometry() : geometry());
}

void SongSettingsDialog::done(int result)
{
    // Escape or the close box during a Preview ends the Preview; the sheet stays.
    if (m_previewRunning) {
        m_title->StopPreview();
        m_lyrics->StopPreview();
        m_credits->StopPreview();
        return;
    }
    SaveRect();
    QDialog::done(result);
}

void SongSettingsDialog::SetPreviewRunning(bool running)
{
    m_previewRunning = running;
    // Nothing may change the page, or the screen the player draws on, while it plays; the
    // screen keeps painting.
    m_tabs->setEnabled(!running);
    m_ok->setEnabled(!running);
    if (running) {
        setFixedSize(size());
    } else {
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setMinimumSize(m_firstSize);
    }
}
