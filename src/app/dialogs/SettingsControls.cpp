#include "app/dialogs/SettingsControls.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "app/FileChooser.h"
#include "app/QtText.h"
#include "cdg/PagePicture.h"
#include "cdg/PageWriter.h"
#include "project/ColourSlots.h"
#include "project/ImageStruct.h"
#include "text/FontDictionary.h"

namespace SettingsControls {

namespace {
constexpr int kSizeDigits = 2;
constexpr int kHoldCharacters = 7;
// A typed hold like 2.3 is 229.99999... in binary; the cut to whole hundredths must still give 230.
constexpr double kHoldSlack = 1e-6;
const char* const kDisplayModes[] = {"Top", "Center", "Bottom", "Tiled", "Stretched"};
} // namespace

namespace {
// Marks the extra entry that shows a face the dictionary does not hold.
constexpr int kExtraFaceRole = Qt::UserRole + 1;
}

void FillFaces(QComboBox& box)
{
    const QSignalBlocker block(box);
    box.clear();
    for (const auto& [name, charset] : FontDictionary::Instance().Faces())
        box.addItem(QtText(name), QByteArray::fromStdString(name));
    box.setMaxVisibleItems(20);
}

void SelectFace(QComboBox& box, const std::string& face)
{
    const QSignalBlocker block(box);
    if (box.count() > 0 && box.itemData(0, kExtraFaceRole).toBool()) box.removeItem(0);
    const int index = FontDictionary::Instance().IndexOf(face);
    if (index >= 0 || face.empty()) {
        box.setCurrentIndex(index);
        return;
    }
    // A face that is not installed under its own name (a song's "Arial" is drawn with its
    // metric twin) still shows, first in the list, so the user sees what the page uses.
    box.insertItem(0, QtText(face), QByteArray::fromStdString(face));
    box.setItemData(0, true, kExtraFaceRole);
    box.setCurrentIndex(0);
}

std::string FaceAt(const QComboBox& box, int index)
{
    return box.itemData(index).toByteArray().toStdString();
}

void FillSizes(QComboBox& box, std::initializer_list<int> sizes)
{
    const QSignalBlocker block(box);
    box.clear();
    box.setEditable(true);
    box.setInsertPolicy(QComboBox::NoInsert);
    for (int size : sizes) box.addItem(QString::number(size));
    box.lineEdit()->setMaxLength(kSizeDigits);
}

void ShowSize(QComboBox& box, int size)
{
    const QSignalBlocker block(box);
    const int index = box.findText(QString::number(size));
    if (index >= 0) box.setCurrentIndex(index);
    else box.setEditText(QString::number(size));
}

int TypedSize(const QString& text)
{
    bool ok = false;
    const int size = text.trimmed().toInt(&ok, 10);
    return ok && size >= 0 ? size : 0;
}

QString HoldText(int32_t hundredths)
{
    return QString::number(hundredths / 100.0, 'f', 2);
}

int32_t HoldHundredths(const QString& text)
{
    bool ok = false;
    const double seconds = text.left(kHoldCharacters).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0) return 0;
    return int32_t(std::floor(seconds * 100 + kHoldSlack));
}

void FillTransitions(QComboBox& box, std::initializer_list<int> transitions)
{
    const QSignalBlocker block(box);
    box.clear();
    for (int t : transitions) box.addItem(QString::fromLatin1(TransitionName(t)), t);
}

void SelectByData(QComboBox& box, int value)
{
    const QSignalBlocker block(box);
    box.setCurrentIndex(box.findData(value));
}

void FillDisplayModes(QComboBox& box)
{
    const QSignalBlocker block(box);
    box.clear();
    for (int mode = kDisplayTop; mode <= kDisplayStretched; ++mode) box.addItem(QString::fromLatin1(kDisplayModes[mode]), mode);
}

int FreeLineColourSlot(const MTextTypeVer6& lineStyles, int except)
{
    bool used[kLastStyledLineSlot + 1] = {};
    for (size_t i = 0; i < lineStyles.lines.size(); ++i) {
        const int slot = lineStyles.lines[i].colour;
        if (int(i) != except && slot >= 0 && slot <= kLastStyledLineSlot) used[slot] = true;
    }
    for (int slot = kLastStyledLineSlot; slot >= 0; --slot)
        if (!used[slot]) return slot;
    return -1;
}

bool OwnsColourSlot(const MTextTypeVer6& lineStyles, int index)
{
    if (index < 0 || size_t(index) >= lineStyles.lines.size()) return false;
    const int slot = lineStyles.lines[size_t(index)].colour;
    if (slot < 0 || slot > kLastStyledLineSlot) return false;
    for (size_t i = 0; i < lineStyles.lines.size(); ++i)
        if (int(i) != index && lineStyles.lines[i].colour == slot) return false;
    return true;
}

QString ChoosePicture(QWidget* parent, QString* graphicsFolder)
{
    FileChoice choice;
    choice.title = "Select Bitmap";
    choice.folder = graphicsFolder ? *graphicsFolder : QString();
    // The file dialog reads the patterns between the parentheses as a space-separated list.
    choice.filters = {QString::fromLatin1(kPictureFilter).remove(',')};
    choice.defaultSuffix = "bmp";
    const QString path = FileChooser::Choose(parent, choice);
    if (!path.isEmpty() && graphicsFolder) *graphicsFolder = QFileInfo(path).absolutePath();
    return path;
}

uint32_t EntryColour(const IMAGE_STRUCT& page, int slot)
{
    return page.graphic.ColourRgb(slot);
}

void SetEntryColour(IMAGE_STRUCT& page, int slot, uint32_t rgb)
{
    page.graphic.SetColour(slot, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

void ClearPicture(IMAGE_STRUCT& page)
{
    MBitmap empty;
    empty.colours = page.graphic.colours;
    page.graphic = std::move(empty);
    page.hasGraphic = 0;
}

} // namespace SettingsControls
