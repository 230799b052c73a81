#include "app/dialogs/ExportDialog.h"

#include <algorithm>
#include <iterator>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "app/AppSettings.h"
#include "app/QtText.h"
#include "app/widgets/CBalloonTip.h"
#include "cdg/ExportBin.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kTitle = "Export Song File";
constexpr const char* kIntro = "Select the Export type and other settings and click \"Export\".";
constexpr const char* kTypeLabel = "Type:";
constexpr const char* kTypeTexts[] = {"BIN (.wav + .cdg in one file)", "WMA+G (.wma && .cdg in two files)",
                                      "MP3+G (.mp3 && .cdg in two files)", "MP4 Video (.mp4)"};
constexpr const char* kVideoSizeLabel = "Video size:";
constexpr const char* kVideoSizeTexts[] = {"1280 x 720 (720p)", "1920 x 1080 (1080p)"};
constexpr const char* kVideoFpsLabel = "Frame rate:";
constexpr const char* kRatioLabel = "Compression ratio:";
constexpr const char* kLrcText = "Create Lyric File (.lrc file)";
constexpr const char* kSimpleText = "Simple";
constexpr const char* kEnhancedText = "Enhanced";
constexpr const char* kLrcWindows1252Text = "Windows-1252 (old players)";
constexpr const char* kLrcWindows1252Tip =
    "Write the lyric file in Windows-1252, as old players read it, instead of UTF-8.\n"
    "Characters Windows-1252 does not have become \"?\".";
constexpr const char* kZipText = "Zip files together (.zip file)";
constexpr const char* kArtistLabel = "&Artist:";
constexpr const char* kTitleLabel = "&Title:";
constexpr const char* kExportText = "&Export";
constexpr const char* kCancelText = "&Cancel";
constexpr const char* kRatioTipTitle = "Ratio";
constexpr const char* kRatioTipText = "Please select a Compression Ratio.";

constexpr const char* kWmaEntries[] = {"192k", "160k", "128k", "96k"};
// The MPEG-1 Layer III rates; a stored 144 (not one of them) selects 160k.
constexpr const char* kMp3Entries[] = {"320k", "256k", "224k", "192k", "160k", "128k", "112k",
                                       "96k",  "80k",  "64k",  "56k",  "48k",  "40k",  "32k"};

// Settings of the dialog (group Settings) with their defaults.
constexpr const char* kKeyType = "ExportType";
constexpr const char* kKeyZip = "ExportZip";
constexpr const char* kKeyLrc = "ExportLRC";
constexpr const char* kKeyLrcFormat = "ExportLRCFormat";
constexpr const char* kKeyLrcWindows1252 = "ExportLRCWindows1252";
constexpr const char* kKeyRatioWma = "ExportRatioWMA";
constexpr const char* kKeyRatioMp3 = "ExportRatioMP3";
constexpr const char* kKeyVideoSize = "ExportVideoSize";
constexpr const char* kKeyVideoFps = "ExportVideoFps";

QStringList ListOf(const auto& entries)
{
    QStringList list;
    for (const char* e : entries) list << QString::fromLatin1(e);
    return list;
}

} // namespace

QStringList ExportDialog::RatioEntries(ExportType type)
{
    switch (type) {
    case ExportType::WmaG: return ListOf(kWmaEntries);
    case ExportType::Mp3G: return ListOf(kMp3Entries);
    case ExportType::Bin:
    case ExportType::Mp4: break;
    }
    return {};
}

int ExportDialog::EntryKbps(const QString& entry)
{
    int i = 0;
    while (i < entry.size() && entry[i].isDigit()) ++i;
    return entry.left(i).toInt();
}

int ExportDialog::NearestEntry(const QStringList& entries, int kbps)
{
    int found = -1;
    for (int i = 0; i < entries.size(); ++i)
        if (EntryKbps(entries[i]) >= kbps) found = i;
    return found < 0 ? 0 : found;
}

ExportDialog::ExportDialog(QWidget* parent, AppSettings& settings, const KaraokeSong& song, bool mp3Support, int sampleRate)
    : QDialog(parent), m_settings(settings), m_song(song), m_sampleRate(sampleRate)
{
    setObjectName("ExportDialog");
    setWindowTitle(tr(kTitle));
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(new QLabel(tr(kIntro), this));

    auto* typeBox = new QGroupBox(tr(kTypeLabel), this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    m_types = new QButtonGroup(this);
    for (int i = 0; i < int(std::size(kTypeTexts)); ++i) {
        auto* button = new QRadioButton(tr(kTypeTexts[i]), typeBox);
        m_types->addButton(button, i);
        typeLayout->addWidget(button);
    }
    outer->addWidget(typeBox);

    auto* ratioRow = new QHBoxLayout;
    m_ratioLabel = new QLabel(tr(kRatioLabel), this);
    m_ratio = new QComboBox(this);
    m_ratio->setObjectName("ratio");
    m_ratioLabel->setBuddy(m_ratio);
    ratioRow->addWidget(m_ratioLabel);
    ratioRow->addWidget(m_ratio, 1);
    outer->addLayout(ratioRow);

    auto* videoRow = new QHBoxLayout;
    m_videoSizeLabel = new QLabel(tr(kVideoSizeLabel), this);
    m_videoSize = new QComboBox(this);
    m_videoSize->setObjectName("videoSize");
    for (const char* text : kVideoSizeTexts) m_videoSize->addItem(tr(text));
    m_videoSizeLabel->setBuddy(m_videoSize);
    m_videoFpsLabel = new QLabel(tr(kVideoFpsLabel), this);
    m_videoFps = new QComboBox(this);
    m_videoFps->setObjectName("videoFps");
    for (int fps : kVideoFrameRates) m_videoFps->addItem(QString("%1 fps").arg(fps), fps);
    m_videoFpsLabel->setBuddy(m_videoFps);
    videoRow->addWidget(m_videoSizeLabel);
    videoRow->addWidget(m_videoSize, 1);
    videoRow->addWidget(m_videoFpsLabel);
    videoRow->addWidget(m_videoFps);
    outer->addLayout(videoRow);

    auto* lrcRow = new QHBoxLayout;
    m_lrc = new QCheckBox(tr(kLrcText), this);
    m_simple = new QRadioButton(tr(kSimpleText), this);
    m_enhanced = new QRadioButton(tr(kEnhancedText), this);
    auto* formats = new QButtonGroup(this);
    formats->addButton(m_simple, int(LrcFormat::Simple));
    formats->addButton(m_enhanced, int(LrcFormat::Enhanced));
    lrcRow->addWidget(m_lrc);
    lrcRow->addWidget(m_simple);
    lrcRow->addWidget(m_enhanced);
    m_lrcWindows1252 = new QCheckBox(tr(kLrcWindows1252Text), this);
    m_lrcWindows1252->setToolTip(tr(kLrcWindows1252Tip));
    lrcRow->addWidget(m_lrcWindows1252);
    lrcRow->addStretch(1);
    outer->addLayout(lrcRow);

    m_zip = new QCheckBox(tr(kZipText), this);
    outer->addWidget(m_zip);

    auto* fields = new QFormLayout;
    m_artist = new QLineEdit(this);
    m_title = new QLineEdit(this);
    m_artist->setObjectName("artist");
    m_title->setObjectName("title");
    fields->addRow(tr(kArtistLabel), m_artist);
    fields->addRow(tr(kTitleLabel), m_title);
    outer->addLayout(fields);

    auto* buttons = new QDialogButtonBox(this);
    m_export = buttons->addButton(tr(kExportText), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr(kCancelText), QDialogButtonBox::RejectRole);
    m_export->setDefault(true);
    outer->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);

    ReadSettings();
    m_previousType = m_choices.type;
    if (!mp3Support) {
        TypeButton(ExportType::Mp3G)->setEnabled(false);
        if (m_choices.type == ExportType::Mp3G) m_choices.type = ExportType::WmaG;
    }
    // BIN needs 44,100 Hz music; opening on it otherwise would offer an export that cannot run.
    if (m_choices.type == ExportType::Bin && !BinAllowed()) m_choices.type = ExportType::WmaG;
    ShowChoices();
    OnTypeChange();

    connect(m_types, &QButtonGroup::idClicked, this, [this] { OnTypeChange(); });
    connect(m_lrc, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
}

QRadioButton* ExportDialog::TypeButton(ExportType type) const
{
    return static_cast<QRadioButton*>(m_types->button(int(type)));
}

void ExportDialog::ReadSettings()
{
    const int type = m_settings.Int(AppSettings::kSettings, kKeyType, int(ExportType::Bin));
    const bool offered = type == int(ExportType::WmaG) || type == int(ExportType::Mp3G) || type == int(ExportType::Mp4);
    m_choices.type = offered ? ExportType(type) : ExportType::Bin;
    m_choices.zip = m_settings.Int(AppSettings::kSettings, kKeyZip, 0) != 0;
    m_choices.lrc = m_settings.Int(AppSettings::kSettings, kKeyLrc, 0) != 0;
    m_choices.lrcFormat = m_settings.Int(AppSettings::kSettings, kKeyLrcFormat, int(LrcFormat::Enhanced)) == 0
                              ? LrcFormat::Simple
                              : LrcFormat::Enhanced;
    m_choices.lrcWindows1252 = m_settings.Int(AppSettings::kSettings, kKeyLrcWindows1252, 0) != 0;
    // A rate that is no rate at all (edited by hand) counts as the default.
    const auto rate = [this](const char* key) {
        const int kbps = m_settings.Int(AppSettings::kSettings, key, kDefaultExportKbps);
        return kbps > 0 ? kbps : kDefaultExportKbps;
    };
    m_choices.wmaKbps = rate(kKeyRatioWma);
    m_choices.mp3Kbps = rate(kKeyRatioMp3);
    m_choices.videoSize = m_settings.Int(AppSettings::kSettings, kKeyVideoSize, 0) == int(VideoSize::Hd1080)
                              ? VideoSize::Hd1080
                              : VideoSize::Hd720;
    const int fps = m_settings.Int(AppSettings::kSettings, kKeyVideoFps, kDefaultVideoFps);
    const bool fpsOffered = std::find(std::begin(kVideoFrameRates), std::end(kVideoFrameRates), fps) !=
                            std::end(kVideoFrameRates);
    m_choices.videoFps = fpsOffered ? fps : kDefaultVideoFps;
}

void ExportDialog::WriteSettings()
{
    m_settings.SetInt(AppSettings::kSettings, kKeyType, int(m_choices.type));
    m_settings.SetInt(AppSettings::kSettings, kKeyZip, m_choices.zip ? 1 : 0);
    m_settings.SetInt(AppSettings::kSettings, kKeyLrc, m_choices.lrc ? 1 : 0);
    m_settings.SetInt(AppSettings::kSettings, kKeyLrcFormat, int(m_choices.lrcFormat));
    m_settings.SetInt(AppSettings::kSettings, kKeyLrcWindows1252, m_choices.lrcWindows1252 ? 1 : 0);
    m_settings.SetInt(AppSettings::kSettings, kKeyRatioWma, m_choices.wmaKbps);
    m_settings.SetInt(AppSettings::kSettings, kKeyRatioMp3, m_choices.mp3Kbps);
    m_settings.SetInt(AppSettings::kSettings, kKeyVideoSize, int(m_choices.videoSize));
    m_settings.SetInt(AppSettings::kSettings, kKeyVideoFps, m_choices.videoFps);
    m_settings.Sync();
}

void ExportDialog::ShowChoices()
{
    SetCheckedType(m_choices.type);
    m_zip->setChecked(m_choices.zip);
    m_lrc->setChecked(m_choices.lrc);
    (m_choices.lrcFormat == LrcFormat::Simple ? m_simple : m_enhanced)->setChecked(true);
    m_lrcWindows1252->setChecked(m_choices.lrcWindows1252);
    m_artist->setText(QtText(m_song.artist));
    m_title->setText(QtText(m_song.title));
    m_videoSize->setCurrentIndex(int(m_choices.videoSize));
    m_videoFps->setCurrentIndex(m_videoFps->findData(m_choices.videoFps));
}

ExportType ExportDialog::CheckedType() const
{
    const int id = m_types->checkedId();
    return id < 0 ? ExportType::Bin : ExportType(id);
}

void ExportDialog::SetCheckedType(ExportType type)
{
    TypeButton(type)->setChecked(true);
}

int& ExportDialog::StoredKbps(ExportType type)
{
    return type == ExportType::Mp3G ? m_choices.mp3Kbps : m_choices.wmaKbps;
}

void ExportDialog::UpdateEnabling()
{
    const bool compressed = Compressed(CheckedType());
    const bool video = CheckedType() == ExportType::Mp4;
    m_videoSizeLabel->setEnabled(video);
    m_videoSize->setEnabled(video);
    m_videoFpsLabel->setEnabled(video);
    m_videoFps->setEnabled(video);
    m_ratioLabel->setEnabled(compressed);
    m_ratio->setEnabled(compressed);
    m_zip->setEnabled(compressed);
    m_lrc->setEnabled(compressed);
    m_simple->setEnabled(compressed && m_lrc->isChecked());
    m_enhanced->setEnabled(compressed && m_lrc->isChecked());
    m_lrcWindows1252->setEnabled(compressed && m_lrc->isChecked());
}

void ExportDialog::OnTypeChange()
{
    const ExportType chosen = CheckedType();
    if (chosen == ExportType::Bin && !BinAllowed()) {
        SetCheckedType(m_previousType);
        ShowTip(TypeButton(ExportType::Bin), kBinNotAllowedCaption, kMsgBinNotAllowed);
        return;
    }
    UpdateEnabling();
    // BIN and MP4 keep the list and the previous type, so that coming back finds them as they were.
    if (!Compressed(chosen)) return;

    int wanted = 0;
    if (m_ratio->currentIndex() >= 0) {
        wanted = EntryKbps(m_ratio->currentText());
        if (Compressed(m_previousType)) StoredKbps(m_previousType) = wanted;
    } else {
        // An empty list: the dialog opened on this type, or opened on BIN and this is the first
        // compressed type chosen. Either way the type's own remembered rate is the one wanted.
        wanted = StoredKbps(Compressed(m_previousType) ? m_previousType : chosen);
    }
    const QStringList entries = RatioEntries(chosen);
    m_ratio->clear();
    m_ratio->addItems(entries);
    m_ratio->setCurrentIndex(NearestEntry(entries, wanted));
    m_previousType = chosen;
}

void ExportDialog::ShowTip(QWidget* anchor, const char* title, const char* text)
{
    if (!m_tip) m_tip = new CBalloonTip(this);
    m_tip->ShowAt(anchor, tr(title), QtText(text));
}

void ExportDialog::accept()
{
    const ExportType type = CheckedType();
    if (m_ratio->isEnabled() && m_ratio->currentIndex() < 0) {
        ShowTip(m_ratio, kRatioTipTitle, kRatioTipText);
        m_ratio->setFocus();
        return;
    }

    m_chosenArtist = EngineText(m_artist->text());
    m_chosenTitle = EngineText(m_title->text());

    m_choices.type = type;
    if (Compressed(type)) StoredKbps(type) = EntryKbps(m_ratio->currentText());
    m_choices.videoSize = m_videoSize->currentIndex() == int(VideoSize::Hd1080) ? VideoSize::Hd1080 : VideoSize::Hd720;
    m_choices.videoFps = m_videoFps->currentData().toInt();
    m_choices.zip = m_zip->isChecked();
    m_choices.lrc = m_lrc->isChecked();
    m_choices.lrcFormat = m_simple->isChecked() ? LrcFormat::Simple : LrcFormat::Enhanced;
    m_choices.lrcWindows1252 = m_lrcWindows1252->isChecked();
    WriteSettings();
    if (m_tip) m_tip->hide();
    QDialog::accept();
}

ExportChoices ExportDialog::Choices() const
{
    return m_choices;
}
