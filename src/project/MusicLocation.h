#pragma once
#include <string>
#include <vector>

// Where a project's music is now. Projects keep the music's absolute path; a folder of projects
// and their music that was moved or copied elsewhere still finds it: when the stored path is no
// file, the music is looked for beside the project under its own name, then under the folders
// that led to it (stored /old/songs/pop/a.wav, project /new/p.tvx: /new/a.wav, /new/pop/a.wav,
// /new/songs/pop/a.wav).
struct MusicLocation {
    std::string path;               // the file found; empty when none was
    std::vector<std::string> tried; // every path looked at, the stored one first
    bool moved = false;             // found elsewhere than the stored path
};

MusicLocation LocateMusic(const std::string& storedPath, const std::string& projectPath);
