#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>

class MTextTypeVer6;
class QComboBox;
class QLineEdit;
class QWidget;
class UserPrompt;
struct IMAGE_STRUCT;

// Pieces that the title, credits and lyrics tabs of the song settings share.
namespace SettingsControls {

// Fills a "&Font:" list with the font dictionary's faces, in its sorted order.
void FillFaces(QComboBox& box);
// Selects a face by exact name. A face the dictionary lacks is shown as an extra first entry.
void SelectFace(QComboBox& box, const std::string& face);
// The face of an entry.
std::string FaceAt(const QComboBox& box, int index);

// An editable "&Size:" list with the given sizes that takes a typed size of up to two digits.
void FillSizes(QComboBox& box, std::initializer_list<int> sizes);
void ShowSize(QComboBox& box, int size);
// A typed size: the decimal number it reads as, 0 when it is not one.
int TypedSize(const QString& text);

// "Hold:" shows seconds with two decimals and stores hundredths: the typed number x 100 cut to a
// whole number; a text that is not a number (or is negative) is 0.
QString HoldText(int32_t hundredths);
int32_t HoldHundredths(const QString& text);

// Lists transitions by name with their numbers as item data.
void FillTransitions(QComboBox& box, std::initializer_list<int> transitions);
void SelectByData(QComboBox& box, int value);

// "Display:" for a page picture: "Top", "Center", "Bottom", "Tiled", "Stretched".
void FillDisplayModes(QComboBox& box);

// The colour-table slot a newly styled title or credits line takes: the first slot from 10
// down to 0 that no per-line style names (except the element `except`, the one being given a
// slot); -1 when every one is taken.
int FreeLineColourSlot(const MTextTypeVer6& lineStyles, int except = -1);
// Whether per-line style `index` names a line slot (0-10) that no other per-line style names.
bool OwnsColourSlot(const MTextTypeVer6& lineStyles, int index);

// The picture chooser with the "Select Bitmap" title, the picture filter and the graphics
// folder; an empty string when cancelled. The folder moves to the chosen file's folder.
QString ChoosePicture(QWidget* parent, QString* graphicsFolder);

// A page colour entry as 0xRRGGBB, and writing one.
uint32_t EntryColour(const IMAGE_STRUCT& page, int slot);
void SetEntryColour(IMAGE_STRUCT& page, int slot, uint32_t rgb);

// Takes the page's picture away, keeping its colour table.
void ClearPicture(IMAGE_STRUCT& page);

} // namespace SettingsControls
