#include "export/H264FrameRepeater.h"

#include <array>

#include "export/H264BitReader.h"
#include "export/H264BitWriter.h"

namespace {

constexpr uint8_t kNalTypeMask = 0x1f;
constexpr uint8_t kSliceNal = 1;
constexpr uint8_t kIdrNal = 5;
constexpr uint8_t kSpsNal = 7;
constexpr uint8_t kPpsNal = 8;
// nal_ref_idc 2: a reference picture, as every frame of such a stream is.
constexpr uint8_t kRepeatNalHeader = (2 << 5) | kSliceNal;
constexpr uint32_t kPSliceAll = 5;
constexpr uint32_t kPocFromFrameNum = 2;
constexpr uint32_t kDeblockingOff = 1;
constexpr int kByteBits = 8;
constexpr int kFrameNumBitsBase = 4;

// One NAL unit of an Annex B byte stream: where its start code begins, and its bytes (the
// header byte first).
struct Nal {
    size_t codeAt = 0;
    size_t at = 0;
    size_t size = 0;
};

std::vector<Nal> SplitAnnexB(std::span<const uint8_t> data)
{
    std::vector<Nal> nals;
    size_t i = 0;
    while (i + 3 <= data.size()) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            const size_t codeAt = i > 0 && data[i - 1] == 0 ? i - 1 : i;
            if (!nals.empty()) {
                Nal& last = nals.back();
                last.size = codeAt - last.at;
            }
            nals.push_back({codeAt, i + 3, 0});
            i += 3;
        } else {
            ++i;
        }
    }
    if (!nals.empty()) nals.back().size = data.size() - nals.back().at;
    // Zero bytes before the next start code are not part of a unit.
    for (Nal& nal : nals)
        while (nal.size > 0 && data[nal.at + nal.size - 1] == 0) --nal.size;
    return nals;
}

// Profiles whose sequence parameter sets carry the chroma format and bit depths.
bool HasChromaFields(uint32_t profile)
{
    constexpr std::array<uint32_t, 13> kProfiles = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};
    for (const uint32_t p : kProfiles)
        if (p == profile) return true;
    return false;
}

} // namespace

bool H264FrameRepeater::Open(std::span<const uint8_t> extradata)
{
    bool haveSps = false, havePps = false;
    uint32_t spsId = 0;
    for (const Nal& nal : SplitAnnexB(extradata)) {
        if (nal.size < 2) continue;
        const uint8_t type = extradata[nal.at] & kNalTypeMask;
        const std::vector<uint8_t> rbsp = H264BitReader::Unescape(extradata.subspan(nal.at + 1, nal.size - 1));
        H264BitReader r(rbsp);
        if (type == kSpsNal && !haveSps) {
            const uint32_t profile = r.Bits(kByteBits);
            r.Bits(kByteBits); // constraint flags
            r.Bits(kByteBits); // level
            spsId = r.Ue();
            if (HasChromaFields(profile)) {
                if (r.Ue() == 3 && r.Bits(1)) return false; // chroma format; separate colour planes
                r.Ue();                      // luma bit depth
                r.Ue();                      // chroma bit depth
                r.Bits(1);                   // transform bypass
                if (r.Bits(1)) return false; // scaling matrices
            }
            m_frameNumBits = int(r.Ue()) + kFrameNumBitsBase;
            if (r.Ue() != kPocFromFrameNum) return false;
            if (r.Ue() != 1) return false; // reference frames
            r.Bits(1);                     // gaps in frame numbers allowed
            const uint32_t widthMbs = r.Ue() + 1;
            const uint32_t heightMbs = r.Ue() + 1;
            if (r.Bits(1) != 1) return false; // frames only, no fields
            if (r.Failed()) return false;
            m_macroblocks = widthMbs * heightMbs;
            haveSps = true;
        } else if (type == kPpsNal && !havePps) {
            m_ppsId = r.Ue();
            if (r.Ue() != spsId) return false;
            if (r.Bits(1) != 0) return false; // CABAC
            r.Bits(1);                        // field order flag (not used by this picture order)
            if (r.Ue() != 0) return false;    // slice groups
            r.Ue();                           // default reference counts
            r.Ue();
            if (r.Bits(1) != 0) return false; // weighted prediction
            r.Bits(2);
            r.Se(); // initial quantisers, chroma offset
            r.Se();
            r.Se();
            m_deblockingControl = r.Bits(1) != 0;
            r.Bits(1);                        // constrained intra prediction
            if (r.Bits(1) != 0) return false; // redundant pictures
            if (r.Failed()) return false;
            havePps = true;
        }
    }
    return haveSps && havePps && m_frameNumBits <= 16 && m_macroblocks > 0;
}

uint32_t H264FrameRepeater::FrameNum(uint64_t sinceKey) const
{
    return uint32_t(sinceKey % (uint64_t(1) << m_frameNumBits));
}

std::vector<uint8_t> H264FrameRepeater::Repeat(uint64_t sinceKey) const
{
    H264BitWriter w;
    w.Ue(0); // first macroblock
    w.Ue(kPSliceAll);
    w.Ue(m_ppsId);
    w.Bits(FrameNum(sinceKey), m_frameNumBits);
    w.Bits(1, 1); // one reference: the frame before
    w.Ue(0);
    w.Bits(0, 1); // reference list as it stands
    w.Bits(0, 1); // reference marking by sliding window
    w.Se(0);      // quantiser change
    if (m_deblockingControl) w.Ue(kDeblockingOff);
    w.Ue(m_macroblocks); // every macroblock skipped
    w.Trailing();
    const std::vector<uint8_t> payload = H264BitWriter::Escape(w.Bytes());
    std::vector<uint8_t> unit = {0, 0, 0, 1, kRepeatNalHeader};
    unit.insert(unit.end(), payload.begin(), payload.end());
    return unit;
}

bool H264FrameRepeater::Renumber(std::vector<uint8_t>& unit, uint64_t sinceKey) const
{
    const std::vector<Nal> nals = SplitAnnexB(unit);
    std::vector<uint8_t> out;
    out.reserve(unit.size() + 4);
    for (size_t i = 0; i < nals.size(); ++i) {
        const Nal& nal = nals[i];
        const size_t next = i + 1 < nals.size() ? nals[i + 1].codeAt : unit.size();
        out.insert(out.end(), unit.begin() + std::ptrdiff_t(nal.codeAt), unit.begin() + std::ptrdiff_t(nal.at));
        if (nal.size < 2 || (unit[nal.at] & kNalTypeMask) != kSliceNal) {
            out.insert(out.end(), unit.begin() + std::ptrdiff_t(nal.at), unit.begin() + std::ptrdiff_t(next));
            continue;
        }
        std::vector<uint8_t> rbsp =
            H264BitReader::Unescape(std::span<const uint8_t>(unit).subspan(nal.at + 1, nal.size - 1));
        H264BitReader r(rbsp);
        r.Ue(); // first macroblock
        r.Ue(); // slice type
        r.Ue(); // picture parameter set
        const size_t frameNumAt = r.Position();
        r.Bits(m_frameNumBits);
        if (r.Failed()) return false;
        H264BitWriter::Overwrite(rbsp, frameNumAt, FrameNum(sinceKey), m_frameNumBits);
        out.push_back(unit[nal.at]);
        const std::vector<uint8_t> payload = H264BitWriter::Escape(rbsp);
        out.insert(out.end(), payload.begin(), payload.end());
    }
    unit.swap(out);
    return true;
}

bool H264FrameRepeater::IsKeyFrame(std::span<const uint8_t> unit)
{
    for (const Nal& nal : SplitAnnexB(unit))
        if (nal.size > 0 && (unit[nal.at] & kNalTypeMask) == kIdrNal) return true;
    return false;
}
