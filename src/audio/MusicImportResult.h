#pragma once
#include <cstdint>
#include <string>

#include "audio/AudioSourceFormat.h"
#include "audio/MusicTags.h"

// What an import of music left for the song and the shell.
struct MusicImportResult {
    // The 44,100 Hz PCM WAV the song now plays from: the music itself for a WAV file, else the
    // work file decoded from it. Empty when the music was rejected.
    std::string path;
    // The path up to and including its last separator.
    std::string folder;
    // Sample data bytes of that file.
    uint32_t dataBytes = 0;
    // The format found, also when it was rejected for it.
    int sampleRate = 0;
    int bitsPerSample = 0;
    int channels = 0;
    // Why the music was rejected, in lines that each end in "\n"; empty on success.
    std::string errorText;
    // The same on one line, its lines joined by "; ", for a command line or a short message.
    std::string ErrorLine() const
    {
        std::string text = errorText;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) text.replace(at, 1, "; ");
        return text;
    }
    // True when path is a work file decoded from the music rather than the music itself.
    bool decoded = false;
    // What the song plays from besides its music path: the decoded work file, or nothing when
    // the music is played itself.
    std::string WorkPath() const { return decoded ? path : std::string(); }
    // The tags of a decoded file, as UTF-8.
    MusicTags tags;
    // The format of the music itself when it was decoded.
    AudioSourceFormat source;
    // What the user is told when the music had to be converted to become the work file
    // ("Converted from 48,000 Hz mono to 44,100 Hz stereo."); empty when nothing was changed.
    std::string conversionNote;
};
