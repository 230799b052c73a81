#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "export/CdgScreenPainter.h"
#include "export/VideoFrame.h"
#include "export/H264FrameRepeater.h"
#include "media/FfmpegHandles.h"
#include "player/CdgStreamSnapshot.h"

// One H.264 encoder of the video (libx264): it takes the player's screen at each frame time of
// a run of frames and encodes it. A frame whose screen did not change is written as a repeat of
// the one before (see H264FrameRepeater), unless a key frame is due: the encoder sees only the
// pictures that changed. A run starts on a key frame and encoders opened alike write the same
// stream headers, so runs encoded side by side join into one stream.
class VideoSegmentEncoder {
public:
    using PacketSink = std::function<bool(AVPacket* packet, std::string* failure)>;

    // The caller keeps the stream alive.
    VideoSegmentEncoder(std::span<const uint8_t> stream, VideoRect frame, int fps);
    ~VideoSegmentEncoder();
    VideoSegmentEncoder(const VideoSegmentEncoder&) = delete;
    VideoSegmentEncoder& operator=(const VideoSegmentEncoder&) = delete;

    // threads: the encoder's own threads, 0 for as many as suit the machine. globalHeader puts
    // the stream headers in the codec's extradata (MP4 wants them there).
    bool Open(int threads, bool globalHeader, std::string* failure);
    const AVCodecContext* Codec() const { return m_codec.get(); }

    // Encodes frames first ... end - 1 and drains the encoder. Each packet goes to sink with
    // times in frames of the whole video. afterFrame is asked after each frame whether to go
    // on; false ends the run early (and Encode returns false with no failure text).
    bool Encode(uint64_t first, uint64_t end, const PacketSink& sink, const std::function<bool()>& afterFrame,
                std::string* failure);

private:
    bool Send(AVFrame* frame, const PacketSink& sink, std::string* failure);
    // Renumbers the encoder's packet, hands it on and any repeats waiting behind it.
    bool Deliver(AVPacket* packet, const PacketSink& sink, std::string* failure);
    // Hands on the repeats at the head of the frames waiting.
    bool DeliverRepeats(const PacketSink& sink, std::string* failure);

    VideoRect m_frame;
    int m_fps;
    CdgStreamSnapshot m_player;
    CdgScreenPainter m_painter;
    std::unique_ptr<AVCodecContext, CodecDeleter> m_codec;
    std::unique_ptr<AVFrame, FrameDeleter> m_picture;
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    H264FrameRepeater m_repeater;
    bool m_repeats = false;
    // The frames sent on and not yet handed out, in order; true for a repeat.
    std::deque<std::pair<uint64_t, bool>> m_waiting;
    uint64_t m_lastKey = 0;
};
