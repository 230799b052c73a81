#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Repeats of the last picture of an H.264 stream without its encoder: a frame whose every
// macroblock is skipped is an exact copy of the frame before, and costs a few bytes and no
// encoding. The encoder then sees only the pictures that changed, so its own frames are
// renumbered to count the repeats between them.
//
// This holds for streams whose frames all refer to the one frame before (one reference frame,
// no B frames, the picture order taken from the frame numbers) and that use CAVLC: what x264
// writes at its fastest preset without B frames. Open tells from the stream's headers whether
// a stream is such; for any other stream every frame must go to the encoder.
class H264FrameRepeater {
public:
    // extradata: the encoder's sequence and picture parameter sets (Annex B).
    bool Open(std::span<const uint8_t> extradata);

    // An access unit (Annex B) repeating the frame before, sinceKey frames after the last key
    // frame.
    std::vector<uint8_t> Repeat(uint64_t sinceKey) const;
    // Gives the slices of the encoder's access unit (Annex B) the frame number of a frame
    // sinceKey frames after the last key frame (a key frame's own stays 0). False when the
    // unit holds a slice it cannot read.
    bool Renumber(std::vector<uint8_t>& unit, uint64_t sinceKey) const;
    // Whether an access unit (Annex B) is a key frame (an IDR picture).
    static bool IsKeyFrame(std::span<const uint8_t> unit);

private:
    // frame_num of a frame sinceKey frames after the last key frame: it counts modulo 2^bits.
    uint32_t FrameNum(uint64_t sinceKey) const;

    int m_frameNumBits = 0;
    uint32_t m_macroblocks = 0;
    uint32_t m_ppsId = 0;
    bool m_deblockingControl = false;
};
