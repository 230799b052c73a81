#include "support/PictureFiles.h"

#include <cstdlib>
#include <fstream>

#include "media/ByteOrder.h"

void WriteBmp(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    const uint32_t imageBytes = uint32_t(stride * height);
    std::vector<uint8_t> bytes(54 + imageBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLe32(&bytes[2], uint32_t(bytes.size()));
    PutLe32(&bytes[10], 54);
    PutLe32(&bytes[14], 40);
    PutLe32(&bytes[18], uint32_t(width));
    PutLe32(&bytes[22], uint32_t(height));
    PutLe16(&bytes[26], 1);
    PutLe16(&bytes[28], 24);
    PutLe32(&bytes[34], imageBytes);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &bytes[54 + size_t(height - 1 - y) * size_t(stride)];
        for (int x = 0; x < width; ++x) {
            const uint32_t c = pixels[size_t(y) * size_t(width) + size_t(x)];
            row[x * 3 + 0] = uint8_t(c);
            row[x * 3 + 1] = uint8_t(c >> 8);
            row[x * 3 + 2] = uint8_t(c >> 16);
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool RunCommand(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}
