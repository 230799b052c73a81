#pragma once
#include <functional>
#include <QString>
#include <QStringList>

class QWidget;

// File choosers with the program's titles and filters. Tests answer them through a hook.
struct FileChoice {
    bool save = false;
    QString title;
    QString folder;
    QString fileName;     // the name offered in the folder (save choosers)
    QStringList filters;  // "Name (*.ext)" entries
    int filterIndex = 0;  // in and out
    QString defaultSuffix;
};

class FileChooser {
public:
    using Answerer = std::function<QString(FileChoice&)>;

    // The chosen path, or an empty string when the user cancelled.
    static QString Choose(QWidget* parent, FileChoice& choice);
    // What the music choosers offer (Add Music, the vocal track of Auto-Time).
    static QStringList MusicFilters(bool mp3Support);
    static void SetAnswererForTesting(Answerer answerer);
};
