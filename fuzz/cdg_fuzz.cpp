// The CD+G interpreter: any bytes, taken 24 at a time as packets, drive the renderer and a
// presenter without reading or writing outside the frames.
#include <cstdint>
#include <span>

#include "cdg/CdgFormat.h"
#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The first byte picks the presenter's scale, so the scaled blits are exercised too.
    const int scale = 1 + data[0] % 3;
    ++data;
    --size;
    CdgScreen renderer;
    CdgScreenPicture presenter(scale);
    renderer.AttachWindow(&presenter);
    CdgPacketDecoder decoder(&renderer);
    // Presenting every packet of a long input at a large scale costs more than the packets
    // themselves: only the last few present what they changed, then the whole screen shows.
    const size_t packets = size / kCdgPacketBytes;
    constexpr size_t kPresentedPackets = 4;
    for (size_t i = 0; i < packets; ++i) {
        renderer.SetSuppressPresent(i + kPresentedPackets < packets);
        decoder.ExecutePacket(std::span<const uint8_t, kCdgPacketBytes>(data + i * kCdgPacketBytes, kCdgPacketBytes));
    }
    renderer.SetSuppressPresent(false);
    renderer.RedrawAll();
    renderer.DetachWindows();
    return 0;
}
