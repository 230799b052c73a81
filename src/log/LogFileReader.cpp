#include "log/LogFileReader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "media/ByteReader.h"

namespace {

constexpr char kRecordMark[] = "LOG";
constexpr size_t kRecordMarkBytes = 3;

bool IsDump(char kind)
{
    return kind == 'D' || kind == 'L' || kind == 'S';
}

} // namespace

LogFileReading ReadLogFile(const std::string& path)
{
    LogFileReading reading;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reading.failure = "Cannot open the log file \"" + path + "\": " + std::strerror(errno) + ".";
        return reading;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ByteReader reader(bytes);
    while (reader.Left() > 0) {
        const size_t at = reader.Position();
        char mark[kRecordMarkBytes];
        uint8_t kind = 0;
        uint32_t timeLow = 0, timeHigh = 0;
        LogFileEntry entry;
        bool ok = reader.Bytes(mark, kRecordMarkBytes) && std::memcmp(mark, kRecordMark, kRecordMarkBytes) == 0 &&
                  reader.U8(kind) && reader.U32(timeLow) && reader.U32(timeHigh);
        entry.kind = char(kind);
        if (ok && IsDump(entry.kind)) {
            uint32_t size = 0;
            ok = reader.U32(size) && reader.Skip(size);
            entry.dataBytes = size;
        } else if (ok && entry.kind == 'T') {
            ok = reader.String(entry.text);
        } else if (ok && entry.kind == 'U') {
            uint8_t action = 0;
            ok = reader.U8(action);
            entry.action = action;
        } else {
            ok = false;
        }
        ok = ok && reader.String(entry.name);
        if (!ok) {
            reading.failure = "\"" + path + "\" is not a Tessavox log file from byte " + std::to_string(at) +
                              " on (" + std::to_string(reading.entries.size()) + " entries read before it).";
            return reading;
        }
        entry.time = int64_t((uint64_t(timeHigh) << 32) | timeLow);
        reading.entries.push_back(std::move(entry));
    }
    return reading;
}
