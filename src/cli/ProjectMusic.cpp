#include "cli/ProjectMusic.h"

#include <cstdio>

#include "project/MSongSettings.h"
#include "project/MusicLocation.h"

bool FindProjectMusic(MSongSettings& song, std::string& why)
{
    if (song.musicPath.empty()) {
        why = "the project has no music";
        return false;
    }
    const MusicLocation where = LocateMusic(song.musicPath, song.projectPath);
    if (where.path.empty()) {
        why = "the music \"" + song.musicPath + "\" is not there";
        for (size_t i = 1; i < where.tried.size(); ++i)
            why += (i == 1 ? ", nor at \"" : ", \"") + where.tried[i] + "\"";
        return false;
    }
    if (where.moved)
        std::fprintf(stderr, "note: the music \"%s\" is not there; using \"%s\" beside the project\n",
                     song.musicPath.c_str(), where.path.c_str());
    song.musicPath = where.path;
    return true;
}
