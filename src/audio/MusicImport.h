#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "audio/MusicImportResult.h"

inline constexpr const char* kMusicWorkFileName = "tessavox_music.wav";

// Why music was rejected, as the user is told.
inline constexpr const char* kMsgMusicFileNotFound = "File not found\n";
inline constexpr const char* kMsgMusicRate = "Sample Rate must be 44,100\n";
inline constexpr const char* kMsgMusicBits = "Bits per Sample must be 8 or 16\n";
inline constexpr const char* kMsgMusicChannels = "Music must be Stereo or Mono\n";
inline constexpr const char* kMsgMusicOpenFailed = "Error opening Audio File\n";
// What the shell puts before those lines, and the title of the decoding progress window.
inline constexpr const char* kMsgMusicProblem = "There is a problem with the selected audio file:\n\n";
inline constexpr const char* kDecompressingAudioTitle = "Decompressing Audio...";

// Turns a music file into the PCM WAV a song plays from: a 44,100 Hz 8/16-bit PCM mono/stereo
// WAV is checked and used where it lies (read, never written); anything else FFmpeg decodes
// (any rate, channel count or sample format, other WAVs included) is converted into the work
// file as 44,100 Hz 16-bit stereo, and the result says what was converted. KAR/MIDI music is
// rendered into the work file with a General MIDI SoundFont.
//
// The work file is written under a temporary name beside it and put in place only when the
// decoding succeeded, so a failed import leaves the previous work file (which the open song may
// still be playing) as it was and leaves no partial file behind. The music itself is never the
// work file.
class MusicImport {
public:
    // Whole percentages of the decoding as they rise; answering false cancels the import.
    using Progress = std::function<bool(int percent)>;

    // "tessavox_music.wav" in the process's private work folder (empty when the folder cannot
    // be made).
    static std::string DefaultWorkFilePath();
    // True for music that is used where it lies: a ".wav" name (in any letter case) whose
    // header says 44,100 Hz 8/16-bit PCM, mono or stereo. Anything else is converted into the
    // work file.
    static bool IsUsedInPlace(const std::string& path);
    // "Converted from 48,000 Hz mono to 44,100 Hz stereo.": what became of music in this
    // format; empty when it is the work format already.
    static std::string ConversionNote(const AudioSourceFormat& source);

    explicit MusicImport(std::string workFilePath = DefaultWorkFilePath());

    void SetProgress(Progress progress) { m_progress = std::move(progress); }
    // True when the music can be used; Result() says what was found, and why not.
    bool ImportMusic(const std::string& path);
    // Stops a running import, which then fails; safe from any thread and from a signal handler.
    void Cancel() { m_cancel.store(true); }
    // The last import stopped because it was cancelled (Cancel, or progress answering false).
    bool Cancelled() const { return m_cancel.load(); }

    const MusicImportResult& Result() const { return m_result; }
    const std::string& WorkFilePath() const { return m_workFilePath; }

private:
    bool ImportWav(const std::string& path);
    void ImportCompressed(const std::string& path);
    void ImportMidi(const std::string& path);
    bool PrepareWorkFile(const std::string& path);
    bool FormatAccepted() const;
    void ComposeErrorText();

    std::string m_workFilePath;
    Progress m_progress;
    std::atomic<bool> m_cancel{false};
    MusicImportResult m_result;
};
