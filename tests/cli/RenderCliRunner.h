#pragma once
#include <string>

#include "cli/CliRunner.h"
#include "player/PngCodec.h"
#include "support/TempDir.h"

// The PNG at path, or a 0 x 0 picture when it cannot be read.
inline RgbImage LoadPng(const std::string& path)
{
    RgbImage image;
    std::string error;
    if (!DecodePng(ReadFileBytes(path), image, error)) return RgbImage{};
    return image;
}
