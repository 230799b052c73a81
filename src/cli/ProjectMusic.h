#pragma once
#include <string>

class MSongSettings;

// Points the song at its music where it is now (the stored path, or beside the moved project;
// see LocateMusic), telling on stderr when it was found elsewhere. False with why, naming every
// path that was tried, when the music is nowhere.
bool FindProjectMusic(MSongSettings& song, std::string& why);
