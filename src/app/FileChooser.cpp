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
