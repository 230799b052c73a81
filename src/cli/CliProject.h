#pragma once

class MSongSettings;
class StderrUserPrompt;

// Loads the song's project file for a command: a file that cannot be read is reported with the
// system's reason, one the loader refuses with the loader's own text, both naming the file.
bool LoadCliProject(MSongSettings& song, StderrUserPrompt& prompt);
