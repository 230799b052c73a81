#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Renders a standard or karaoke MIDI file to 44,100 Hz 16-bit stereo samples through a
// General MIDI SoundFont, offline (no sound device), as fast as the machine can.
class MidiSynth {
public:
    using Progress = std::function<void(int percent)>;
    using CancelCheck = std::function<bool()>;

    // True for a ".kar", ".mid" or ".midi" name, in any letter case.
    static bool IsMidiFile(const std::string& path);
    // TESSAVOX_SOUNDFONT when set, else the first Debian General MIDI SoundFont installed
    // (fluid-soundfont-gm, then timgm6mb-soundfont); empty when there is none.
    static std::string FindSoundFont();

    void SetCancelCheck(CancelCheck cancelled) { m_cancelled = std::move(cancelled); }

    // Writes 44 zero bytes (room for the header) and then the rendered samples to outputPath;
    // the music ends when its last event has sounded and its notes have died away. Returns
    // kStatusOk or a failure status with ErrorText() set; the output file is left to the caller.
    uint32_t Render(const std::string& midiPath, const std::string& outputPath, const Progress& progress);

    const std::string& ErrorText() const { return m_errorText; }
    const std::string& SoundFont() const { return m_soundFont; }
    uint64_t BytesWritten() const { return m_bytesWritten; }

private:
    uint32_t Fail(const std::string& text, uint32_t status);

    CancelCheck m_cancelled;
    std::string m_errorText;
    std::string m_soundFont;
    uint64_t m_bytesWritten = 0;
};
