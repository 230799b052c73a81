#include "audio/PortAudioOutput.h"

#include <portaudio.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// ALSA and JACK print pages of diagnostics while PortAudio probes for devices that are not
// there (no card, no JACK server), and ALSA a line at every underrun while a stream plays. What
// matters reaches the user through our own message; the libraries stay quiet from the probe
// until the device is closed.
// Both libraries come with PortAudio; their handler setters are looked up where they are
// loaded, so that we depend on neither library's headers nor on which JACK is installed.
using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaHandler);
using JackHandler = void (*)(const char*);
using JackSetHandler = void (*)(JackHandler);

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

template <typename Function>
Function Loaded(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

void QuietProbe(bool quiet)
{
    if (auto set = Loaded<AlsaSetHandler>("snd_lib_error_set_handler")) set(quiet ? QuietAlsa : nullptr);
    // JACK's default handlers print to stderr; putting them back means handing it a printer.
    static const JackHandler loud = [](const char* text) { std::fprintf(stderr, "%s\n", text); };
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto set = Loaded<JackSetHandler>(name)) set(quiet ? QuietJack : loud);
    }
}

int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
             PaStreamCallbackFlags, void* user)
{
    // The host reports when the first frame of this buffer reaches the converter; hosts that
    // cannot tell leave the times at zero, and the stream's latency stands in.
    double untilHeard = -1.0;
    if (time != nullptr && time->outputBufferDacTime > 0.0 && time->currentTime > 0.0)
        untilHeard = time->outputBufferDacTime - time->currentTime;
    static_cast<PortAudioOutput*>(user)->Fill(static_cast<int16_t*>(output), frames, untilHeard);
    return paContinue;
}

std::string PaText(const char* what, PaError error)
{
    return std::string(what) + ": " + Pa_GetErrorText(error);
}

// The output device: the one named (exactly, or by the start of its name), else the default.
PaDeviceIndex ChooseDevice(std::string& failure)
{
    const char* wanted = std::getenv(kAudioDeviceVariable);
    if (wanted == nullptr || *wanted == '\0') {
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        if (device == paNoDevice) failure = "No sound output device was found.";
        return device;
    }
    const std::string_view name(wanted);
    PaDeviceIndex prefixMatch = paNoDevice;
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info == nullptr || info->maxOutputChannels < int(AudioOutput::kChannels)) continue;
        const std::string_view have(info->name);
        if (have == name) return i;
        if (prefixMatch == paNoDevice && have.substr(0, name.size()) == name) prefixMatch = i;
    }
    if (prefixMatch == paNoDevice) failure = "No sound output device is named \"" + std::string(name) + "\".";
    return prefixMatch;
}

} // namespace

PortAudioOutput::PortAudioOutput() = default;

PortAudioOutput::~PortAudioOutput()
{
    Close();
}

bool PortAudioOutput::OpenDevice(uint32_t sampleRate)
{
    QuietProbe(true);
    const PaError init = Pa_Initialize();
    if (init != paNoError) {
        QuietProbe(false);
        SetFailure(PaText("The sound system could not be started", init));
        return false;
    }
    m_initialized = true;

    std::string failure;
    const PaDeviceIndex device = ChooseDevice(failure);
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (info == nullptr) {
        SetFailure(failure.empty() ? "No sound output device was found." : failure);
        CloseDevice();
        return false;
    }
    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = int(kChannels);
    parameters.sampleFormat = paInt16;
    // The clock follows the frames heard whatever the latency, so the device gets the safer of
    // its two: a short buffer underruns on a busy machine, and some hosts go silent for a second
    // or two to recover from an underrun.
    parameters.suggestedLatency = info->defaultHighOutputLatency;
    PaStream* stream = nullptr;
    const PaError opened = Pa_OpenStream(&stream, nullptr, &parameters, double(sampleRate),
                                         paFramesPerBufferUnspecified, paNoFlag, Callback, this);
    if (opened != paNoError) {
        SetFailure(PaText(("The sound device \"" + std::string(info->name) + "\" could not be opened").c_str(), opened));
        CloseDevice();
        return false;
    }
    m_stream = stream;
    m_deviceName = info->name;
    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
    m_streamLatency = streamInfo != nullptr ? std::clamp(streamInfo->outputLatency, 0.0, kMaxLatencySeconds) : 0.0;
    return true;
}

bool PortAudioOutput::StartDevice()
{
    const PaError error = Pa_StartStream(static_cast<PaStream*>(m_stream));
    if (error != paNoError) {
        SetFailure(PaText("The sound device could not start", error));
        return false;
    }
    return true;
}

void PortAudioOutput::StopDevice()
{
    // Abort rather than stop: the user asked for silence now, not after the device's buffers.
    Pa_AbortStream(static_cast<PaStream*>(m_stream));
}

size_t PortAudioOutput::Fill(int16_t* out, size_t frames, double untilHeard)
{
    // A report of more than a second is a host's glitch, not a latency: the stream's stands in.
    if (untilHeard < 0.0 || untilHeard > kMaxLatencySeconds) untilHeard = m_streamLatency;
    return Consume(out, frames, std::chrono::nanoseconds(int64_t(untilHeard * 1e9)));
}

double PortAudioOutput::LatencySeconds() const
{
    return m_streamLatency;
}

void PortAudioOutput::CloseDevice()
{
    if (m_stream != nullptr) Pa_CloseStream(static_cast<PaStream*>(m_stream));
    m_stream = nullptr;
    if (m_initialized) Pa_Terminate();
    if (m_initialized) QuietProbe(false);
    m_initialized = false;
}
