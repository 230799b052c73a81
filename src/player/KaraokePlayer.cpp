#include "player/KaraokePlayer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "audio/AudioOutputChoice.h"
#include "audio/ManualResetEvent.h"
#include "audio/NullAudioOutput.h"
#include "audio/PlaybackFeed.h"
#include "audio/PlaybackTexts.h"
#include "media/ThreadPriority.h"
#include "player/CdgPacketScheduler.h"
#include "text/UserPrompt.h"

namespace {

// The clock is brought up to date at least this often.
constexpr auto kClockStep = std::chrono::milliseconds(10);
constexpr int kPercent = 100;
constexpr uint32_t kSecondsPerMinute = 60;

std::unique_ptr<AudioOutput> DefaultOutput(bool audio)
{
    if (audio) return CreateAudioOutput();
    // Graphics alone still follow the music's clock, just without sound.
    return std::make_unique<NullAudioOutput>();
}

std::string MinutesAndSeconds(uint32_t seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u", seconds / kSecondsPerMinute, seconds % kSecondsPerMinute);
    return text;
}

} // namespace

KaraokePlayer::KaraokePlayer(UserPrompt* prompt, CdgScreen* renderer, PlaybackPriorities priorities)
    : m_prompt(prompt), m_renderer(renderer), m_priorities(priorities), m_outputFactory(DefaultOutput)
{
}

KaraokePlayer::~KaraokePlayer()
{
    Stop();
    Release();
}

void KaraokePlayer::Prepare(const Setup& setup, ManualResetEvent* done)
{
    SetSource(setup.musicPath, setup.stream, setup.musicBytes);
    SetLeadInFrames(setup.leadInFrames);
    SetTempoChange(setup.tempoChange);
    if (done) done->Reset();
    SetDoneEvent(done);
}

void KaraokePlayer::SetSource(const std::string& musicPath, std::span<const uint8_t> stream, uint32_t musicBytes)
{
    m_musicPath = musicPath;
    m_musicBytes = musicBytes;
    m_stream = stream;
}

void KaraokePlayer::SetTempoChange(int percent)
{
    m_tempoChange.store(std::clamp(percent, kMinTempoChange, kMaxTempoChange));
}

void KaraokePlayer::SetRenderer(CdgScreen* renderer)
{
    m_renderer = renderer;
    if (m_cdg && !m_cdg->IsRunning()) m_cdg->SetRenderer(renderer);
}

CdgPacketScheduler& KaraokePlayer::MakeCdgPlayer()
{
    if (!m_cdg) m_cdg = std::make_unique<CdgPacketScheduler>(m_renderer);
    return *m_cdg;
}

void KaraokePlayer::SetOutputFactory(OutputFactory factory)
{
    m_outputFactory = factory ? std::move(factory) : OutputFactory(DefaultOutput);
}

std::string KaraokePlayer::FailureText() const
{
    std::lock_guard lock(m_failureMutex);
    return m_failure;
}

void KaraokePlayer::SetFailure(const std::string& text)
{
    std::lock_guard lock(m_failureMutex);
    m_failure = text;
}

uint32_t KaraokePlayer::AdvanceClock(uint32_t position, uint64_t playedFrames, int tempoChange, uint32_t& remainder)
{
    const uint64_t scaled = playedFrames * uint64_t(tempoChange + kPercent) + remainder;
    remainder = uint32_t(scaled % kPercent);
    return uint32_t(std::min<uint64_t>(uint64_t(position) + scaled / kPercent, UINT32_MAX));
}

uint32_t KaraokePlayer::PositionNow() const
{
    const uint32_t position = Position();
    if (!IsPlaying() || !m_output) return position;
    ClockStamp stamp;
    {
        std::lock_guard lock(m_stampMutex);
        stamp = m_stamp;
    }
    if (!stamp.valid) return position;
    const uint64_t heard = m_output->HeardFrames(std::chrono::steady_clock::now());
    uint32_t now = stamp.position;
    if (heard > stamp.heard) {
        // The clock rule, for the frames heard since the update.
        uint32_t remainder = 0;
        now = std::min(AdvanceClock(stamp.position, heard - stamp.heard, m_tempoChange.load(), remainder), m_timelineEnd);
    }
    uint32_t latest = m_latestNow.load();
    while (now > latest && !m_latestNow.compare_exchange_weak(latest, now)) {
    }
    return std::max(now, latest);
}

uint64_t KaraokePlayer::ClockHeardFrames() const
{
    std::lock_guard lock(m_stampMutex);
    return m_stamp.heard;
}

bool KaraokePlayer::Start(uint32_t playFlags, uint32_t startFrame, uint32_t endFrame)
{
    if (IsPlaying()) {
        m_startFailure = StartFailure::AlreadyPlaying;
        return false;
    }
    JoinThreads();
    SetFailure({});
    m_startFailure = StartFailure::None;
    UserPrompt& prompt = PromptOrSilent(m_prompt);

    m_flags = playFlags;
    m_startFrame = startFrame;
    m_endFrame = endFrame;

    if (m_musicPath.empty()) {
        m_startFailure = StartFailure::NoMusic;
        SetFailure(kMsgNoMusic);
        prompt.Message(kMsgNoMusic, kAppCaption, PromptIcon::Warning);
        return false;
    }
    m_feed = std::make_unique<PlaybackFeed>();
    if (!m_feed->Open(m_musicPath, m_leadInFrames, m_musicBytes)) {
        m_startFailure = StartFailure::MusicUnplayable;
        SetFailure(m_feed->FailureText());
        prompt.Message(m_feed->FailureText(), kAppCaption, PromptIcon::Warning);
        m_feed.reset();
        return false;
    }
    m_totalFrames = m_feed->MusicFrames();
    m_timelineEnd = uint32_t(std::min<uint64_t>(uint64_t(m_leadInFrames) + m_totalFrames, UINT32_MAX));
    m_totalTimeText = MinutesAndSeconds(m_totalFrames / kPlaybackSampleRate);

    if (m_flags & kPlayGraphics) {
        CdgPacketScheduler& cdg = MakeCdgPlayer();
        cdg.SetRenderer(m_renderer);
        cdg.SetStream(m_stream);
        cdg.SetClock(&m_position);
        cdg.SetThreadPriority(m_priorities.displayPriority);
    }

    const bool audio = (m_flags & kPlayAudio) != 0;
    if (m_output) m_output->Close();
    m_output = m_outputFactory(audio);
    if (!m_output || !m_output->Open(kPlaybackSampleRate, kBufferBytes)) {
        m_startFailure = StartFailure::NoSoundDevice;
        SetFailure(m_output ? m_output->FailureText() : std::string("No sound output."));
        if (audio) prompt.Message(kMsgNoSoundDevice, kCaptionNoSoundDevice, PromptIcon::Warning);
        m_output.reset();
        m_feed.reset();
        return false;
    }

    {
        std::lock_guard lock(m_stampMutex);
        m_stamp = {};
    }
    m_latestNow.store(0);
    m_bytesWritten.store(0);
    m_bytesNotified.store(kSegmentBytes);
    m_feederFinished.store(false);
    m_musicEnded.store(false);
    m_state.store(kPlaying);
    m_feeder = std::thread([this] { Feeder(); });
    m_notifier = std::thread([this] { Notifier(); });
    return true;
}

void KaraokePlayer::Wake()
{
    // Taking the lock orders the change before any waiter's next look at it.
    { std::lock_guard lock(m_waitMutex); }
    m_wake.notify_all();
}

void KaraokePlayer::Nap()
{
    std::unique_lock lock(m_waitMutex);
    m_wake.wait_for(lock, kClockStep);
}

void KaraokePlayer::Feeder()
{
    SetCurrentThreadPriority(m_priorities.displayPriority);
    const uint32_t skipped = m_feed->SkipTo(m_startFrame);
    m_position.store(skipped, std::memory_order_release);

    std::vector<int16_t> segment(size_t(kSegmentFrames) * AudioOutput::kChannels);
    while (Playing()) {
        {
            std::unique_lock lock(m_waitMutex);
            m_wake.wait(lock, [this] { return !Playing() || m_bytesNotified.load() >= m_bytesWritten.load(); });
        }
        if (!Playing()) break;
        const size_t frames = m_feed->Next(segment, m_tempoChange.load());
        const auto bytes = std::as_bytes(std::span(segment).first(frames * AudioOutput::kChannels));
        if (!m_output->Append(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))) {
            // The ring refused the segment: nothing more can be played; the notifier plays out
            // what is queued.
            SetFailure("The sound output could not take more music.");
            m_musicEnded.store(true);
            break;
        }
        m_bytesWritten.fetch_add(bytes.size());
        if (frames < kSegmentFrames) {
            m_musicEnded.store(true);
            break;
        }
    }
    if (m_feed->ReadFailed()) SetFailure(m_feed->FailureText());
    m_feederFinished.store(true);
    Wake();
}

void KaraokePlayer::Notifier()
{
    SetCurrentThreadPriority(m_priorities.readPriority);
    // Nothing plays before the feeder has skipped to the start and queued the first segment.
    {
        std::unique_lock lock(m_waitMutex);
        while (Playing() && m_bytesWritten.load() < kSegmentBytes && !m_feederFinished.load())
            m_wake.wait_for(lock, kClockStep);
    }
    bool started = false;
    {
        std::lock_guard lock(m_control);
        if (!Playing()) return;
        // The screen shows everything before the start; packets from there on follow the clock.
        if ((m_flags & kPlayGraphics) && m_cdg) m_cdg->StartPlayer(true, m_startFrame);
        if (!m_output->Start()) SetFailure(m_output->FailureText());
        // Read under the lock: a Stop from the caller's thread changes it.
        started = m_output->IsStarted();
    }
    if (!started) {
        EndPlayback();
        return;
    }

    const uint32_t timelineEnd = m_timelineEnd;
    uint64_t lastHeard = 0;
    uint32_t remainder = 0;
    while (Playing()) {
        Nap();
        if (!Playing()) break;
        // The clock follows what is heard; the feeder follows what the device has taken.
        const uint64_t heard = std::max(lastHeard, m_output->HeardFrames(std::chrono::steady_clock::now()));
        const uint64_t played = m_output->PlayedFrames();
        uint32_t position = AdvanceClock(m_position.load(std::memory_order_relaxed), heard - lastHeard,
                                         m_tempoChange.load(), remainder);
        lastHeard = heard;
        // The stretcher's last frames may run a little past the end of the music.
        position = std::min(position, timelineEnd);
        const uint64_t playedBytes = played * AudioOutput::kFrameBytes;
        m_bytesNotified.store(kSegmentBytes + playedBytes / kSegmentBytes * kSegmentBytes);
        Wake();

        if (m_endFrame != kPlayToEnd && position >= m_endFrame) {
            m_position.store(m_endFrame, std::memory_order_release);
            EndPlayback();
            break;
        }
        if (m_musicEnded.load() && m_feederFinished.load() && heard * AudioOutput::kFrameBytes >= m_bytesWritten.load()) {
            // Everything queued has been heard: the clock stands at the end of the music.
            m_position.store(timelineEnd, std::memory_order_release);
            EndPlayback();
            break;
        }
        m_position.store(position, std::memory_order_release);
        std::lock_guard lock(m_stampMutex);
        m_stamp = {position, heard, true};
    }
}

void KaraokePlayer::EndPlayback()
{
    std::lock_guard lock(m_control);
    int expected = kPlaying;
    if (!m_state.compare_exchange_strong(expected, kStopped)) return;
    if (m_cdg) m_cdg->StopPlayer();
    if (m_output) m_output->Stop();
    Wake();
    if (m_doneEvent) m_doneEvent->Set();
}

void KaraokePlayer::JoinThreads()
{
    Wake();
    const auto self = std::this_thread::get_id();
    if (m_feeder.joinable() && m_feeder.get_id() != self) m_feeder.join();
    if (m_notifier.joinable() && m_notifier.get_id() != self) m_notifier.join();
}

void KaraokePlayer::Stop()
{
    EndPlayback();
    JoinThreads();
}

void KaraokePlayer::Release()
{
    Stop();
    m_feed.reset();
    if (m_output) m_output->Close();
    m_output.reset();
    m_cdg.reset();
}

namespace {

std::unique_ptr<KaraokePlayer>& GlobalSlot()
{
    static std::unique_ptr<KaraokePlayer> player;
    return player;
}

} // namespace

KaraokePlayer& CreateGlobalPlayer(UserPrompt* owner, CdgScreen* renderer, PlaybackPriorities priorities)
{
    GlobalSlot().reset();
    GlobalSlot() = std::make_unique<KaraokePlayer>(owner, renderer, priorities);
    return *GlobalSlot();
}

KaraokePlayer* GlobalPlayer()
{
    return GlobalSlot().get();
}

void DestroyGlobalPlayer()
{
    GlobalSlot().reset();
}

bool GlobalPlayerIsPlaying()
{
    const KaraokePlayer* player = GlobalPlayer();
    return player != nullptr && player->IsPlaying();
}
