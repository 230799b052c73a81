#pragma once
#include <shared_mutex>
#include <string>
#include <vector>

// The MP3 encoder library, loaded at run time so that the program runs (without MP3 export)
// where it is not installed. Only the entry points the encoder uses are looked up; their
// types are those of the library's public interface.
struct lame_global_struct;
using lame_t = lame_global_struct*;

struct LameEntryPoints {
    // Required.
    lame_t (*init)() = nullptr;
    int (*initParams)(lame_t) = nullptr;
    int (*setInSamplerate)(lame_t, int) = nullptr;
    int (*setNumChannels)(lame_t, int) = nullptr;
    int (*encodeBufferInterleaved)(lame_t, short*, int, unsigned char*, int) = nullptr;
    int (*encodeFlush)(lame_t, unsigned char*, int) = nullptr;
    int (*close)(lame_t) = nullptr;
    // Optional.
    int (*setBrate)(lame_t, int) = nullptr;
    void (*id3tagInit)(lame_t) = nullptr;
    void (*id3tagSetTitle)(lame_t, const char*) = nullptr;
    void (*id3tagSetArtist)(lame_t, const char*) = nullptr;
    // A version 2 text frame ("TIT2", "TPE1") in UTF-16 with its byte-order mark, for text that
    // ISO-8859-1 cannot hold.
    int (*id3tagSetTextInfoUtf16)(lame_t, const char* id, const unsigned short* text) = nullptr;
    // Asks for an ID3 version 2 tag as well as the version 1 tag, which cuts titles at 30
    // characters and whose character set players guess at.
    void (*id3tagAddV2)(lame_t) = nullptr;
    // Writes the stream's info frame (length, encoder delay and padding) into the first frame
    // of a finished file, so that decoders play exactly the samples that went in.
    void (*mp3TagsFid)(lame_t, void* file) = nullptr;
};

// The library's file name, and the environment variable that names another file instead.
inline constexpr const char* kLameLibraryName = "libmp3lame.so.0";
inline constexpr const char* kLameLibraryVariable = "TESSAVOX_LAME_LIBRARY";
// The Debian package that installs it.
inline constexpr const char* kLamePackage = "libmp3lame0";

// One per process. Loading, unloading and resolving take the lock exclusively; an encoder
// holds it shared while it uses the entry points, so the library cannot go away under it.
class LameLibrary {
public:
    static LameLibrary& Instance();

    // The file to load: the environment override when set, otherwise kLameLibraryName.
    static std::string FileName();

    // Both need the lock held exclusively.
    bool Load();
    void Unload();
    // Looks up every entry point; true when all required ones are there.
    bool Resolve();

    bool IsLoaded() const { return m_handle != nullptr; }
    bool HasRequired() const;
    const LameEntryPoints& Entry() const { return m_entry; }
    // The required entry points that the loaded file lacks.
    const std::vector<std::string>& Missing() const { return m_missing; }
    // The file last tried and, when it failed to load, why.
    const std::string& LoadedName() const { return m_name; }
    const std::string& LoadError() const { return m_loadError; }

    std::shared_mutex& Lock() { return m_lock; }

private:
    LameLibrary() = default;
    ~LameLibrary();

    std::shared_mutex m_lock;
    void* m_handle = nullptr;
    LameEntryPoints m_entry;
    std::vector<std::string> m_missing;
    std::string m_name;
    std::string m_loadError;
};
