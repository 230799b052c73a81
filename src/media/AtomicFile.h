#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Writes the bytes to a temporary file beside path, flushes them to disk and renames the file
// over path. On any failure the temporary file is removed, path is left as it was, and false
// is returned with errno saying why. Temporary files that killed writers left are removed.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

// Reads a whole file. Fails when it cannot be opened or read, or is larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, size_t maxBytes);
