#include "app/dialogs/FindLyricsDialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/AppContext.h"
#include "document/SongDocument.h"
#include "app/FileChooser.h"
#include "app/QtText.h"
#include "lyrics/LyricImport.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kCustomSite = "Custom search address:";
constexpr const char* kQueryMark = "%s";

// Searches that find lyrics by artist and title; "%s" takes the search words.
const char* const kSites[][2] = {
    {"Web search (DuckDuckGo)", "https://duckduckgo.com/?q=%s+lyrics"},
    {"Web search (Startpage)", "https://www.startpage.com/do/search?q=%s+lyrics"},
    {"Web search (Wikipedia)", "https://en.wikipedia.org/w/index.php?search=%s"},
};

FindLyricsDialog::Hook& TestHook()
{
    static FindLyricsDialog::Hook hook;
    return hook;
}

FindLyricsDialog::Opener& TestOpener()
{
    static FindLyricsDialog::Opener opener;
    return opener;
}

} // namespace

void FindLyricsDialog::SetHookForTesting(Hook hook)
{
    TestHook() = std::move(hook);
}

void FindLyricsDialog::SetOpenerForTesting(Opener opener)
{
    TestOpener() = std::move(opener);
}

FindLyricsDialog::FindLyricsDialog(AppContext& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle(tr("Import Lyrics"));
    setObjectName("FindLyricsDialog");
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(new QLabel(tr(kHeading), this));

    m_sites = new QListWidget(this);
    m_sites->setObjectName("sites");
    for (const auto& site : kSites) {
        auto* item = new QListWidgetItem(QString::fromLatin1(site[0]), m_sites);
        item->setData(Qt::UserRole, QString::fromLatin1(site[1]));
    }
    auto* custom = new QListWidgetItem(tr(kCustomSite), m_sites);
    custom->setData(Qt::UserRole, QString());
    m_sites->setCurrentRow(0);
    outer->addWidget(m_sites);

    m_custom = new QLineEdit(this);
    m_custom->setObjectName("customAddress");
    m_custom->setPlaceholderText("https://example.org/search?q=%s");
    m_custom->setText(m_app.Settings().String(AppSettings::kDefault, "CustomLyricsURL"));
    outer->addWidget(m_custom);
    // Typing an address means searching there.
    connect(m_custom, &QLineEdit::textEdited, this, [this] { m_sites->setCurrentRow(m_sites->count() - 1); });

    auto* buttons = new QHBoxLayout;
    auto* local = new QPushButton(tr(kLocalFile), this);
    local->setObjectName("localFile");
    auto* search = new QPushButton(tr("&Search"), this);
    search->setObjectName("search");
    auto* cancel = new QPushButton(tr("Cancel"), this);
    buttons->addWidget(local);
    buttons->addStretch(1);
    buttons->addWidget(search);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);

    connect(local, &QPushButton::clicked, this, &FindLyricsDialog::ImportLocalFile);
    connect(search, &QPushButton::clicked, this, [this] {
        if (OpenSearch()) accept();
    });
    connect(m_sites, &QListWidget::itemDoubleClicked, this, [this] {
        if (OpenSearch()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int FindLyricsDialog::Run()
{
    const int result = TestHook() ? TestHook()(*this) : exec();
    SaveCustomAddress();
    return result;
}

void FindLyricsDialog::SaveCustomAddress()
{
    m_app.Settings().SetString(AppSettings::kDefault, "CustomLyricsURL", m_custom->text().trimmed());
}

QString FindLyricsDialog::SearchAddress() const
{
    const QListWidgetItem* item = m_sites->currentItem();
    if (!item) return {};
    QString address = item->data(Qt::UserRole).toString();
    if (address.isEmpty()) address = m_custom->text().trimmed();
    if (address.isEmpty()) return {};
    const KaraokeSong& song = m_app.Song();
    const QString words = (QtText(song.artist) + ' ' + QtText(song.title)).simplified();
    return address.replace(kQueryMark, QString::fromLatin1(QUrl::toPercentEncoding(words)));
}

bool FindLyricsDialog::OpenSearch()
{
    const QString address = SearchAddress();
    if (address.isEmpty()) return false;
    SaveCustomAddress();
    if (TestOpener()) TestOpener()(address);
    else QDesktopServices::openUrl(QUrl::fromUserInput(address));
    return true;
}

bool FindLyricsDialog::ImportLocalFile()
{
    AppSettings& settings = m_app.Settings();
    FileChoice choice;
    choice.title = kLyricFileTitle;
    choice.folder = m_app.LyricsFolder();
    choice.filterIndex = settings.Int(AppSettings::kSettings, "LyricFileIndex", 0);
    // The file dialog reads its patterns from the parentheses.
    choice.filters = {"All File Types (*.txt *.lrc *.kar *.mid *.midi)", "Text Files (*.txt)", "Lyric Files (*.lrc)",
                      "MIDI Karaoke Files (*.kar *.mid *.midi)", "UltraStar Songs (*.txt)"};
    // Import Lyrics runs the chooser without showing the dialog: the view is its parent then.
    const QString path = FileChooser::Choose(isVisible() || !parentWidget() ? this : parentWidget(), choice);
    if (path.isEmpty()) return false;
    settings.SetInt(AppSettings::kSettings, "LyricFileIndex", choice.filterIndex);
    m_app.LyricsFolder() = QFileInfo(path).absolutePath();

    if (!m_app.Document().ImportLyrics(QFile::encodeName(path).toStdString(), m_lrc)) return false;
    m_imported = true;
    accept();
    return true;
}
