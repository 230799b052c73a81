#pragma once
#include <string>

// A word from the command line (UTF-8, as the terminal gives it) in the engine's Windows-1252;
// characters that Windows-1252 cannot hold are replaced as in lyric files, and a warning on
// stderr names them and the option they came with.
std::string CliText(const std::string& utf8, const std::string& option);
