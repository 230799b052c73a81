#pragma once
#include <string>

struct RgbImage;

// Where a command writes a picture: "-" is standard output (PNG), a name ending in ".png" a PNG
// file, ".jpg" or ".jpeg" a JPEG file. A file appears only when complete.
bool IsPictureOutput(const std::string& output);
// False with why when it could not be written.
bool WritePicture(const std::string& output, const RgbImage& image, std::string& why);
