#include "document/OutputGate.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

#include "audio/WorkFileSource.h"
#include "document/SongDocument.h"
#include "project/MSongSettings.h"

namespace fs = std::filesystem;

namespace {

// A symbolic link that points at another is followed this many times at most (a loop ends).
constexpr int kMaxLinkHops = 40;

} // namespace

OutputGate::OutputGate(Existing existing) : m_existing(existing) {}

void OutputGate::AddInput(const std::string& path, const std::string& role)
{
    if (path.empty()) return;
    Input input;
    input.path = Resolve(path);
    input.role = role;
    struct stat st {};
    if (::stat(input.path.c_str(), &st) == 0) {
        input.exists = true;
        input.device = st.st_dev;
        input.inode = st.st_ino;
    }
    m_inputs.push_back(std::move(input));
}

void OutputGate::AddSongInputs(const SongDocument& doc)
{
    const MSongSettings& song = doc.Song();
    AddInput(doc.Path(), "the song's project file");
    AddInput(song.musicPath, "the song's music");
    AddInput(doc.MusicSource(), "the song's music");
    AddInput(song.MusicWorkPath(), "the music the song plays");
    AddInput(doc.MusicResult().path, "the music the song plays");
    AddInput(doc.LyricSource(), "the lyric file the song was made from");
    // Music that moved with its project is found beside it; that file is the music too.
    const std::string located = doc.LocateMusic().path;
    AddInput(located, "the song's music");
    // A work file decoded from the user's music names that music.
    std::vector<std::string> read;
    for (const std::string& work : {song.musicPath, song.MusicWorkPath(), located}) {
        if (work.empty() || std::find(read.begin(), read.end(), work) != read.end()) continue;
        read.push_back(work);
        AddInput(ReadWorkFileSource(work), "the song's music");
    }
}

std::string OutputGate::Resolve(const std::string& target)
{
    std::error_code ec;
    fs::path path = fs::absolute(target, ec);
    if (ec) return target;
    // The folder as it really is, then the file's own links, one at a time: a link to a file
    // that does not exist yet still names where the output goes.
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        const fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
        if (!ec) path = folder / path.filename();
        if (!fs::is_symlink(fs::symlink_status(path, ec))) break;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path.lexically_normal().string();
}

std::string OutputGate::WriteTarget(const std::string& target)
{
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(target, ec)) ? Resolve(target) : target;
}

const OutputGate::Input* OutputGate::InputAt(const std::string& resolved) const
{
    struct stat st {};
    const bool exists = ::stat(resolved.c_str(), &st) == 0;
    for (const Input& input : m_inputs) {
        if (input.path == resolved) return &input;
        if (exists && input.exists && input.device == st.st_dev && input.inode == st.st_ino) return &input;
    }
    return nullptr;
}

std::string OutputGate::Refusal(const std::string& target) const
{
    const std::string resolved = Resolve(target);
    const std::string named = "\"" + target + "\"";
    if (const Input* input = InputAt(resolved))
        return named + " is " + input->role + ", which no output may replace; choose another name.";
    std::error_code ec;
    const fs::file_status status = fs::status(resolved, ec);
    if (fs::is_directory(status)) return named + " is a folder; give the name of a file.";
    if (fs::exists(status) && !fs::is_regular_file(status))
        return named + " is not a regular file; give the name of a file.";
    if (m_existing == Existing::Refuse && fs::exists(status)) return named + " already exists; --force replaces it.";
    return {};
}

std::string OutputGate::Refusal(const std::vector<std::string>& targets) const
{
    for (const std::string& target : targets)
        if (std::string why = Refusal(target); !why.empty()) return why;
    return {};
}
