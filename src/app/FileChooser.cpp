#include "app/FileChooser.h"

#include <QFileDialog>

namespace {
FileChooser::Answerer& TestAnswerer()
{
    static FileChooser::Answerer answerer;
    return answerer;
}
}

void FileChooser::SetAnswererForTesting(Answerer answerer)
{
    TestAnswerer() = std::move(answerer);
}

QString FileChooser::Choose(QWidget* parent, FileChoice& choice)
{
    if (TestAnswerer()) return TestAnswerer()(choice);
    QFileDialog dialog(parent, choice.title, choice.folder);
    dialog.setNameFilters(choice.filters);
    if (choice.filterIndex >= 0 && choice.filterIndex < choice.filters.size())
        dialog.selectNameFilter(choice.filters[choice.filterIndex]);
    dialog.setDefaultSuffix(choice.defaultSuffix);
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!choice.fileName.isEmpty()) dialog.selectFile(choice.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    choice.filterIndex = std::max(0, int(choice.filters.indexOf(dialog.selectedNameFilter())));
    return dialog.selectedFiles().first();
}

QStringList FileChooser::MusicFilters(bool mp3Support)
{
    // Beyond the formats the choice always offered: MIDI music, rendered, and anything else the
    // decoder reads (FLAC, OGG, M4A, ...), converted.
    constexpr const char* kMidiMusicFilter = "MIDI Karaoke Files (*.kar *.mid *.midi)";
    constexpr const char* kAnyMusicFilter = "All Files (*)";
    if (mp3Support)
        return {"Music Files (*.mp3 *.wma *.wav)", "MP3 Files (*.mp3)", "Windows Media Files (*.wma)",
                "Wave Files (*.wav)", kMidiMusicFilter, kAnyMusicFilter};
    return {"Music Files (*.wma *.wav)", "Windows Media Files (*.wma)", "Wave Files (*.wav)", kMidiMusicFilter,
            kAnyMusicFilter};
}
