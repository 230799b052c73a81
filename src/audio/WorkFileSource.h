#pragma once
#include <string>

// A work file decoded from the user's music remembers where it came from, in a standard
// LIST/INFO "ISRF" (source) chunk after the samples: the decoded WAV is what a project names,
// and the file it was decoded from is still the user's music, never to be written over.

// Appends the note to a work file written by the music import (its 44-byte header and the
// samples, nothing after them) and updates its RIFF size. False when it could not be written.
bool AppendWorkFileSource(const std::string& workPath, const std::string& sourcePath);

// The file a work file was decoded from; empty when it carries no note (or is no WAV).
std::string ReadWorkFileSource(const std::string& workPath);
