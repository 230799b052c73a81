#pragma once
#include <string>

// A word from the command line in the engine's UTF-8: the terminal gives UTF-8, and bytes that are
// not are read in the legacy code page they look like (see DecodeLegacyText).
std::string CliText(const std::string& word);
