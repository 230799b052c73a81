#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct AVCodecContext;
struct AVPacket;

// One of FFmpeg's audio encoders fed with interleaved 16-bit stereo at the music's rate: the
// sound is converted to the encoder's rate and sample format, cut into the encoder's frames and
// encoded, and each packet goes to the sink with its times in the encoder's time base. For the
// files that adapt FFmpeg.
class AudioFrameEncoder {
public:
    struct Settings {
        const char* encoder = nullptr; // FFmpeg's name for it
        const char* label = "";        // its name in messages ("WMA", "AAC")
        int sampleRate = 44100;
        int64_t bitRate = 0;           // bits a second
        int sourceRate = 44100;
        bool globalHeader = false;     // the file keeps the encoder's header apart
        bool padLastFrame = false;     // the encoder takes only whole frames
    };
    // Takes the packet's content (or leaves it to be unreferenced); false with why to stop.
    using PacketSink = std::function<bool(AVPacket* packet, std::string* failure)>;

    AudioFrameEncoder();
    ~AudioFrameEncoder();
    AudioFrameEncoder(const AudioFrameEncoder&) = delete;
    AudioFrameEncoder& operator=(const AudioFrameEncoder&) = delete;

    bool Open(const Settings& settings, std::string* failure);
    // For the stream that carries the packets; valid once open.
    const AVCodecContext* Codec() const;
    bool Write(const int16_t* samples, size_t frames, const PacketSink& sink, std::string* failure);
    // What the resampler, the frame queue and the encoder still hold.
    bool Finish(const PacketSink& sink, std::string* failure);

private:
    struct State;
    bool EncodeQueued(bool all, const PacketSink& sink, std::string* failure);
    bool Send(bool flush, const PacketSink& sink, std::string* failure);
    bool Fail(std::string* failure, const std::string& text) const;

    std::unique_ptr<State> m;
};
