#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "audio/AudioOutput.h"
#include "audio/PlaybackPriorities.h"
#include "media/WaveStreamReader.h"

class ManualResetEvent;
class CdgPacketScheduler;
class CdgScreen;
class PlaybackFeed;
class UserPrompt;

// Play flags of Start.
inline constexpr uint32_t kPlayAudio = 1;
inline constexpr uint32_t kPlayGraphics = 2;
// Every caller sets it; nothing reads it.
inline constexpr uint32_t kPlayCallerFlag = 4;
// End frame meaning "to the end of the music".
inline constexpr uint32_t kPlayToEnd = 0xFFFFFFFFu;

// Plays the song's PCM work file, behind its lead-in silence and slowed down on request, and
// keeps the audio clock: the position in the music, in frames at 44,100 Hz from the start of
// the lead-in, that the views read and the CD+G player follows.
//
// Three threads work while it plays: the caller's (Start, Stop, tempo, position), the feeder
// (reads the music, stretches it, keeps one segment queued ahead of the one playing) and the
// notifier (advances the clock from what the output has played, ends playback at the end frame
// or the end of the music). With graphics, the CD+G player runs a fourth thread.
//
// There is no pause: the views pause by Stop and Release and resume by Start at the position
// they kept.
class KaraokePlayer {
public:
    static constexpr int kStopped = 0;
    static constexpr int kPlaying = 2;

    // Why the last Start returned false.
    enum class StartFailure { None, AlreadyPlaying, NoMusic, MusicUnplayable, NoSoundDevice };

    // Makes the output for a start: the sound device when audio is to be heard, a device-less
    // one otherwise.
    using OutputFactory = std::function<std::unique_ptr<AudioOutput>(bool audio)>;

    // prompt hears the messages (none: nobody is told); renderer is where the CD+G screen is drawn.
    KaraokePlayer(UserPrompt* prompt, CdgScreen* renderer, PlaybackPriorities priorities = {});
    virtual ~KaraokePlayer();
    KaraokePlayer(const KaraokePlayer&) = delete;
    KaraokePlayer& operator=(const KaraokePlayer&) = delete;

    // What a view plays and how: every view readies the player with this one call (Prepare)
    // before it starts it.
    struct Setup {
        std::string musicPath;             // the work file
        std::span<const uint8_t> stream{}; // the song's CD+G stream; none: the music alone
        uint32_t musicBytes = kFileLength; // as SetSource
        uint32_t leadInFrames = 0;         // silent frames before the music
        int tempoChange = 0;               // percent, -50 to 0
    };
    // Sets the source, the lead-in and the tempo, and makes done (reset now; may be null) the
    // event raised when the playback ends.
    void Prepare(const Setup& setup, ManualResetEvent* done);

    // The work file and the song's CD+G stream (the caller keeps the stream alive); musicBytes
    // is the music's length as the song has it (silence after the file's samples), kFileLength
    // the file's own.
    void SetSource(const std::string& musicPath, std::span<const uint8_t> stream, uint32_t musicBytes = kFileLength);

    // Plays from startFrame (frames from the start of the lead-in) to endFrame, or to the end of
    // the music with kPlayToEnd. False, with the player stopped and no thread started, when
    // already playing, when the music cannot be played, or when no sound device could be
    // prepared (the user is told which).
    bool Start(uint32_t playFlags, uint32_t startFrame, uint32_t endFrame = kPlayToEnd);
    // Stops everything and waits for the threads; nothing when already stopped.
    void Stop();
    // Frees the sound output, the time stretcher and the CD+G player (after a Stop; it stops
    // first if the caller forgot).
    void Release();

    // Tempo change in percent, -50 to 0; may change while playing (heard from the next segment).
    void SetTempoChange(int percent);
    int TempoChange() const { return m_tempoChange.load(); }
    // Silent frames before the music, as the stream writer reported for the song's stream.
    void SetLeadInFrames(uint32_t frames) { m_leadInFrames = frames; }
    uint32_t LeadInFrames() const { return m_leadInFrames; }
    // Frames of music in the work file, known from the last Start.
    uint32_t TotalFrames() const { return m_totalFrames; }
    // "%02d:%02d": the length of the music, from the last Start.
    const std::string& TotalTimeText() const { return m_totalTimeText; }

    // The audio clock. A view may set it before Start; a start replaces it by the frames
    // skipped to reach the start frame.
    uint32_t Position() const { return m_position.load(std::memory_order_acquire); }
    void SetPosition(uint32_t frames) { m_position.store(frames, std::memory_order_release); }
    const std::atomic<uint32_t>& Clock() const { return m_position; }
    // The clock at this very instant, for stamping a key press: the last update carried
    // forward by the frames heard since then. Position() while nothing plays. Call it from the
    // thread that starts and releases the player.
    uint32_t PositionNow() const;
    // The frames heard that the clock was last brought up to (0 until the first update after a
    // start): a caller that knows what the output has played can tell when the clock has
    // taken it in.
    uint64_t ClockHeardFrames() const;

    int State() const { return m_state.load(); }
    bool IsPlaying() const { return m_state.load() == kPlaying; }

    // Raised whenever playback ends: end of music, end frame, or Stop. The caller keeps it alive
    // and resets it before each Start.
    void SetDoneEvent(ManualResetEvent* event) { m_doneEvent = event; }

    // Where the CD+G player draws; also the renderer of an existing CD+G player.
    void SetRenderer(CdgScreen* renderer);
    CdgScreen* Renderer() const { return m_renderer; }
    // The CD+G player, made at a start with graphics or on demand (a view that executes packets
    // itself while the user seeks). Release destroys it.
    CdgPacketScheduler* CdgPlayer() const { return m_cdg.get(); }
    CdgPacketScheduler& MakeCdgPlayer();

    void SetOutputFactory(OutputFactory factory);
    // What went wrong last: why a start failed, or a read failure that ended playback early.
    std::string FailureText() const;
    StartFailure LastStartFailure() const { return m_startFailure; }
    // The output of the current or last playback (null after Release).
    const AudioOutput* Output() const { return m_output.get(); }

    // The clock rule: playedFrames frames played at tempoChange move the position by
    // playedFrames x (tempoChange + 100) / 100. The fraction is carried in remainder, so that
    // many small steps add up exactly as one large one.
    static uint32_t AdvanceClock(uint32_t position, uint64_t playedFrames, int tempoChange, uint32_t& remainder);

private:
    void Feeder();
    void Notifier();
    // Ends playback from any thread (end of music, end frame, Stop); the first caller wins.
    void EndPlayback();
    void JoinThreads();
    void Wake();
    // Waits up to 10 ms, or until woken.
    void Nap();
    void SetFailure(const std::string& text);
    bool Playing() const { return m_state.load() == kPlaying; }

    UserPrompt* m_prompt;
    CdgScreen* m_renderer;
    PlaybackPriorities m_priorities;
    OutputFactory m_outputFactory;

    std::string m_musicPath;
    uint32_t m_musicBytes = kFileLength;
    std::span<const uint8_t> m_stream;
    uint32_t m_leadInFrames = 0;
    uint32_t m_totalFrames = 0;
    uint32_t m_flags = 0;
    uint32_t m_startFrame = 0;
    uint32_t m_endFrame = kPlayToEnd;
    // Lead-in plus music, as it was at Start: where the clock stops at the end of the music.
    uint32_t m_timelineEnd = 0;
    // The latest clock PositionNow gave in this play: the device's account of the frames heard
    // jitters by a millisecond or two, and the clock must never run back for it.
    mutable std::atomic<uint32_t> m_latestNow{0};
    std::string m_totalTimeText = "00:00";
    StartFailure m_startFailure = StartFailure::None;

    std::atomic<int> m_state{kStopped};
    std::atomic<int> m_tempoChange{0};
    std::atomic<uint32_t> m_position{0};
    // The clock value of the last update and the heard frames it was made from.
    struct ClockStamp {
        uint32_t position = 0;
        uint64_t heard = 0;
        bool valid = false;
    };
    mutable std::mutex m_stampMutex;
    ClockStamp m_stamp;
    // Bytes handed to the output, and bytes the output has played in whole segments plus one:
    // the feeder writes while written <= notified, so one segment is queued ahead of the one
    // playing.
    std::atomic<uint64_t> m_bytesWritten{0};
    std::atomic<uint64_t> m_bytesNotified{0};
    std::atomic<bool> m_feederFinished{false};
    std::atomic<bool> m_musicEnded{false};

    std::unique_ptr<PlaybackFeed> m_feed;
    std::unique_ptr<AudioOutput> m_output;
    std::unique_ptr<CdgPacketScheduler> m_cdg;
    ManualResetEvent* m_doneEvent = nullptr;

    std::thread m_feeder;
    std::thread m_notifier;
    // Serialises the steps that start and stop the output and the CD+G player.
    std::mutex m_control;
    std::mutex m_waitMutex;
    std::condition_variable m_wake;
    mutable std::mutex m_failureMutex;
    std::string m_failure;
};

// The one player that all views use. Creating it replaces (and stops) the previous one.
KaraokePlayer& CreateGlobalPlayer(UserPrompt* owner, CdgScreen* renderer, PlaybackPriorities priorities = {});
KaraokePlayer* GlobalPlayer();
void DestroyGlobalPlayer();
// Whether the global player is playing; what the song asks before it lets its lyrics be edited.
bool GlobalPlayerIsPlaying();
