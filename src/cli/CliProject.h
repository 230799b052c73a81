#pragma once
#include <string>

class SongDocument;
class StderrUserPrompt;

// Opens the project at path in the command's document: a file that cannot be read is reported
// with the system's reason, one the loader refuses with the loader's own text, both naming the
// file.
bool OpenCliProject(SongDocument& doc, const std::string& path, StderrUserPrompt& prompt);
