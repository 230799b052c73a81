// MIDI rendering through FluidSynth: its player drives its synthesizer by the sample clock, and
// the samples are pulled block by block into the output file.
#include "audio/MidiSynth.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "audio/MusicDecoder.h"

#include <fluidsynth.h>

namespace {

constexpr const char* kSoundFontVariable = "TESSAVOX_SOUNDFONT";
// Debian's General MIDI SoundFonts, best first.
constexpr const char* kSoundFonts[] = {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                       "/usr/share/sounds/sf2/default-GM.sf2"};
constexpr double kRate = kWorkFileRate;
constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * 2;
constexpr int kBlockFrames = 4096;
// After the last event, notes ring on until they are silent, for at most two seconds.
constexpr int kMaxTailBlocks = int(2 * kRate) / kBlockFrames;
constexpr int16_t kSilenceLevel = 2;
constexpr int kMaxRenderCores = 4;

constexpr const char* kMsgNoSoundFont =
    "No General MIDI SoundFont was found: install the package fluid-soundfont-gm (or timgm6mb-soundfont), or "
    "name a SoundFont file with TESSAVOX_SOUNDFONT";
constexpr const char* kMsgBadSoundFont = "The SoundFont could not be loaded: ";
constexpr const char* kMsgNotMidi = "Could not open the specified file: not a MIDI file";
constexpr const char* kMsgSynth = "Could not start the MIDI synthesizer";
constexpr const char* kMsgCreateOutput = "Could not create the output file";
constexpr const char* kMsgWriteOutput = "Could not write the output file";
constexpr const char* kMsgCancelled = "Decoding was cancelled";
constexpr const char* kMsgTooLong = "The decoded music is longer than a WAV work file can hold (4 GB)";
constexpr const char* kMsgNoSound = "The MIDI file holds no music";

struct SettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct PlayerDeleter {
    void operator()(fluid_player_t* p) const { delete_fluid_player(p); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool Silent(const std::vector<int16_t>& block)
{
    return std::all_of(block.begin(), block.end(), [](int16_t s) { return s > -kSilenceLevel && s < kSilenceLevel; });
}

} // namespace

bool MidiSynth::IsMidiFile(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".kar" || ext == ".mid" || ext == ".midi";
}

std::string MidiSynth::FindSoundFont()
{
    if (const char* chosen = std::getenv(kSoundFontVariable); chosen && *chosen) return chosen;
    std::error_code ec;
    for (const char* path : kSoundFonts)
        if (std::filesystem::is_regular_file(path, ec)) return path;
    return {};
}

uint32_t MidiSynth::Fail(const std::string& text, uint32_t status)
{
    m_errorText = text + "\n";
    return status;
}

uint32_t MidiSynth::Render(const std::string& midiPath, const std::string& outputPath, const Progress& progress)
{
    m_errorText.clear();
    m_bytesWritten = 0;
    // The library's own messages would go to the terminal; ours say what went wrong.
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) fluid_set_log_function(level, nullptr, nullptr);

    m_soundFont = FindSoundFont();
    if (m_soundFont.empty()) return Fail(kMsgNoSoundFont, kStatusFail);
    if (!fluid_is_midifile(midiPath.c_str())) return Fail(kMsgNotMidi, kStatusFail);

    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    if (!settings) return Fail(kMsgSynth, kStatusFail);
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kRate);
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    // Offline, every core may render voices: a song renders in a few seconds.
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxRenderCores);
    fluid_settings_setint(settings.get(), "synth.cpu-cores", cores);
    // Events fall on the samples written, not on the wall clock.
    fluid_settings_setstr(settings.get(), "player.timing-source", "sample");
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(settings.get()));
    if (!synth) return Fail(kMsgSynth, kStatusFail);
    if (fluid_synth_sfload(synth.get(), m_soundFont.c_str(), 1) == FLUID_FAILED)
        return Fail(std::string(kMsgBadSoundFont) + m_soundFont, kStatusFail);
    std::unique_ptr<fluid_player_t, PlayerDeleter> player(new_fluid_player(synth.get()));
    if (!player || fluid_player_add(player.get(), midiPath.c_str()) != FLUID_OK ||
        fluid_player_play(player.get()) != FLUID_OK)
        return Fail(kMsgSynth, kStatusFail);

    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(outputPath.c_str(), "wb"));
    if (!out) return Fail(std::string(kMsgCreateOutput) + ": " + std::strerror(errno), kStatusFail);
    const std::vector<uint8_t> room(kWavHeaderBytes, 0);
    if (std::fwrite(room.data(), 1, room.size(), out.get()) != room.size())
        return Fail(std::string(kMsgCreateOutput) + ": " + std::strerror(errno), kStatusFail);

    std::vector<int16_t> block(size_t(kBlockFrames) * kChannels);
    int lastPercent = -1;
    bool heard = false;
    int tail = 0;
    for (;;) {
        if (m_cancelled && m_cancelled()) return Fail(kMsgCancelled, kStatusCancelled);
        const bool playing = fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING;
        // The player waits a while after the last event before it says it is done; the song
        // ends sooner, once every event has been played and the notes have died away.
        const int lastTick = fluid_player_get_total_ticks(player.get());
        const bool allPlayed = !playing || (lastTick > 0 && fluid_player_get_current_tick(player.get()) >= lastTick);
        if (!playing) break;
        if (allPlayed && (tail++ >= kMaxTailBlocks || (tail > 1 && Silent(block)))) break;
        if (fluid_synth_write_s16(synth.get(), kBlockFrames, block.data(), 0, kChannels, block.data(), 1, kChannels) !=
            FLUID_OK)
            return Fail(kMsgSynth, kStatusFail);
        heard = heard || !Silent(block);
        const size_t bytes = block.size() * sizeof(int16_t);
        if (m_bytesWritten + bytes > kMaxDecodedBytes) return Fail(kMsgTooLong, kStatusFileTooLarge);
        if (std::fwrite(block.data(), 1, bytes, out.get()) != bytes) return Fail(kMsgWriteOutput, kStatusFail);
        m_bytesWritten += bytes;
        if (progress && lastTick > 0) {
            const int percent = std::clamp(int(int64_t(fluid_player_get_current_tick(player.get())) * 100 / lastTick), 0, 99);
            if (percent > lastPercent) progress(lastPercent = percent);
        }
    }
    if (std::fclose(out.release()) != 0) return Fail(kMsgWriteOutput, kStatusFail);
    if (!heard) return Fail(kMsgNoSound, kStatusFail);
    if (progress) progress(100);
    return kStatusOk;
}
