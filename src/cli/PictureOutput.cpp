#include "cli/PictureOutput.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "media/AtomicFile.h"
#include "player/JpegCodec.h"
#include "player/PngCodec.h"

namespace {

constexpr const char* kStandardOutput = "-";

std::string LowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

bool IsJpeg(const std::string& output)
{
    const std::string ext = LowerExtension(output);
    return ext == ".jpg" || ext == ".jpeg";
}

} // namespace

bool IsPictureOutput(const std::string& output)
{
    return output == kStandardOutput || LowerExtension(output) == ".png" || IsJpeg(output);
}

bool WritePicture(const std::string& output, const RgbImage& image, std::string& why)
{
    const std::vector<uint8_t> bytes = IsJpeg(output) ? EncodeJpeg(image) : EncodePng(image);
    if (bytes.empty()) {
        why = "the picture could not be encoded";
        return false;
    }
    if (output == kStandardOutput) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            why = std::string("standard output: ") + std::strerror(errno);
            return false;
        }
        return true;
    }
    if (!WriteFileAtomically(output, bytes)) {
        why = output + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
