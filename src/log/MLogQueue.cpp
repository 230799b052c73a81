#include "log/MLogQueue.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "media/ByteWriter.h"

namespace {

struct LogState {
    std::atomic<bool> enabled{false};
    std::mutex mutex;
    std::string file;
    std::deque<std::unique_ptr<MLog>> queue;
};

LogState& State()
{
    static LogState state;
    return state;
}

} // namespace

bool MLogQueue::LoggingOn()
{
    return State().enabled.load();
}

void MLogQueue::Add(std::unique_ptr<MLog> entry, bool writeNow)
{
    if (!entry) return;
    {
        std::lock_guard lock(State().mutex);
        State().queue.push_back(std::move(entry));
    }
    if (writeNow) WriteQueue();
}

int MLogQueue::WriteQueue()
{
    LogState& state = State();
    if (!state.enabled.load()) return 0;
    std::lock_guard lock(state.mutex);
    if (state.queue.empty()) return 0;
    std::FILE* f = std::fopen(state.file.c_str(), "ab");
    if (!f) return 0;
    int written = 0;
    std::vector<uint8_t> record;
    while (!state.queue.empty()) {
        record.clear();
        ByteWriter out(record);
        state.queue.front()->WriteRecord(out);
        if (std::fwrite(record.data(), 1, record.size(), f) != record.size()) break;
        state.queue.pop_front();
        ++written;
    }
    std::fclose(f);
    return written;
}

size_t MLogQueue::Pending()
{
    std::lock_guard lock(State().mutex);
    return State().queue.size();
}

std::string MLogQueue::SwitchOn(const std::string& file)
{
    // Records are only ever added to a log: a file of anything else (the song's music, its
    // project) is the user's, and stays as it is.
    if (std::FILE* existing = std::fopen(file.c_str(), "rb")) {
        char mark[3] = {};
        const size_t got = std::fread(mark, 1, sizeof mark, existing);
        std::fclose(existing);
        if (got > 0 && (got < sizeof mark || std::memcmp(mark, "LOG", sizeof mark) != 0))
            return "\"" + file + "\" is not a Tessavox log file; name a new file or an earlier log.";
    }
    std::FILE* f = std::fopen(file.c_str(), "ab");
    if (!f) return "Cannot write the log file \"" + file + "\": " + std::strerror(errno) + ".";
    std::fclose(f);
    std::lock_guard lock(State().mutex);
    State().file = file;
    State().enabled.store(true);
    return {};
}

std::string MLogQueue::FileFromEnvironment()
{
    const char* file = std::getenv("TESSAVOX_LOG");
    return file ? file : "";
}

void MLogQueue::SetEnabledForTesting(bool enabled, const std::string& file)
{
    std::lock_guard lock(State().mutex);
    State().file = file;
    State().queue.clear();
    State().enabled.store(enabled);
}
