#include "support/MediaProbe.h"

#include <cmath>

#include "support/PictureFiles.h"
#include "support/TempDir.h"

namespace {

std::string Quoted(const std::string& text)
{
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

std::string ProbeEntry(const std::string& path, const std::string& entry)
{
    TempDir dir;
    const std::string out = dir.File("probe.txt");
    if (!RunCommand("ffprobe -v error -show_entries " + Quoted(entry) + " -of default=noprint_wrappers=1:nokey=1 " +
                    Quoted(path) + " > " + Quoted(out)))
        return {};
    const std::vector<uint8_t> bytes = ReadFileBytes(out);
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, int channels)
{
    TempDir dir;
    const std::string out = dir.File("decoded.raw");
    if (!RunCommand("ffmpeg -v error -i " + Quoted(path) + " -f s16le -c:a pcm_s16le -ac " + std::to_string(channels) +
                    " -y " + Quoted(out)))
        return {};
    const std::vector<uint8_t> bytes = ReadFileBytes(out);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

double Rms(const std::vector<int16_t>& samples, size_t from, size_t to)
{
    if (to > samples.size()) to = samples.size();
    if (from >= to) return 0.0;
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(to - from));
}
