#include "align/VocalSignal.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <memory>

#include "audio/MusicImport.h"
#include "audio/PcmSource.h"
#include "audio/StereoPcm.h"
#include "media/FfmpegHandles.h"
#include "media/PrivateWorkFolder.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/tx.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kSourceRate = 44100;
constexpr size_t kChunkFrames = 8192;

// A second-order section (RBJ cookbook), run in place.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    static Biquad Pass(bool high, double frequency, double rate)
    {
        const double w = 2 * M_PI * frequency / rate, q = M_SQRT1_2;
        const double alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
        Biquad f;
        if (high) {
            f.b0 = (1 + c) / 2 / a0;
            f.b1 = -(1 + c) / a0;
        } else {
            f.b0 = (1 - c) / 2 / a0;
            f.b1 = (1 - c) / a0;
        }
        f.b2 = f.b0;
        f.a1 = -2 * c / a0;
        f.a2 = (1 - alpha) / a0;
        return f;
    }
    void Run(std::vector<float>& x)
    {
        for (float& v : x) {
            const double y = b0 * v + z1;
            z1 = b1 * v - a1 * y + z2;
            z2 = b2 * v - a2 * y;
            v = float(y);
        }
    }
};

// The centre of a stereo signal (interleaved), overlap-added from 512-sample frames.
std::vector<float> ExtractCentre(const std::vector<float>& stereo)
{
    constexpr int kSize = 512, kHop = kSize / 2;
    const size_t frames = stereo.size() / 2;
    std::vector<float> out(frames + kSize, 0.0f);
    AVTXContext* fft = nullptr;
    AVTXContext* ifft = nullptr;
    av_tx_fn forward = nullptr, inverse = nullptr;
    const float scale = 1.0f, inverseScale = 1.0f / kSize;
    if (av_tx_init(&fft, &forward, AV_TX_FLOAT_FFT, 0, kSize, &scale, 0) < 0 ||
        av_tx_init(&ifft, &inverse, AV_TX_FLOAT_FFT, 1, kSize, &inverseScale, 0) < 0) {
        av_tx_uninit(&fft);
        av_tx_uninit(&ifft);
        for (size_t i = 0; i < frames; ++i) out[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
        out.resize(frames);
        return out;
    }
    // A square-root Hann window before and after: the overlapped halves add up to one.
    std::vector<float> window(kSize);
    for (int i = 0; i < kSize; ++i) window[size_t(i)] = float(std::sin(M_PI * (i + 0.5) / kSize));
    using Complex = std::complex<float>;
    // The transforms' own allocator: their vector code needs its alignment.
    std::unique_ptr<Complex, decltype(&av_free)> buffers(
        static_cast<Complex*>(av_calloc(4 * kSize, sizeof(Complex))), &av_free);
    if (!buffers) {
        av_tx_uninit(&fft);
        av_tx_uninit(&ifft);
        for (size_t i = 0; i < frames; ++i) out[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
        out.resize(frames);
        return out;
    }
    Complex* in = buffers.get();
    Complex* spectrum = in + kSize;
    Complex* centre = spectrum + kSize;
    Complex* back = centre + kSize;
    for (size_t at = 0; at < frames; at += kHop) {
        // Left in the real part and right in the imaginary part: one transform for both.
        for (int i = 0; i < kSize; ++i) {
            const size_t f = at + size_t(i);
            const float w = window[size_t(i)];
            in[size_t(i)] = f < frames ? Complex(stereo[2 * f] * w, stereo[2 * f + 1] * w) : Complex();
        }
        forward(fft, spectrum, in, sizeof(Complex));
        for (int k = 0; k < kSize; ++k) {
            const Complex z = spectrum[size_t(k)], zc = std::conj(spectrum[size_t((kSize - k) % kSize)]);
            const Complex left = 0.5f * (z + zc), right = Complex(0, -0.5f) * (z - zc);
            const float power = std::norm(left) + std::norm(right);
            // 1 where both channels carry the same sound, 0 where one is alone or they oppose.
            float likeness = power > 1e-12f ? 2 * (left * std::conj(right)).real() / power : 0.0f;
            likeness = std::clamp(likeness, 0.0f, 1.0f);
            centre[size_t(k)] = 0.5f * (left + right) * likeness * likeness;
        }
        inverse(ifft, back, centre, sizeof(Complex));
        for (int i = 0; i < kSize; ++i) out[at + size_t(i)] += back[size_t(i)].real() * window[size_t(i)];
    }
    av_tx_uninit(&fft);
    av_tx_uninit(&ifft);
    out.resize(frames);
    return out;
}

// The voice's range: its fundamental and the formants that tell the vowels apart.
void BandPass(std::vector<float>& x)
{
    Biquad high = Biquad::Pass(true, 150, VocalSignal::kRate), high2 = high;
    Biquad low = Biquad::Pass(false, 4500, VocalSignal::kRate), low2 = low;
    high.Run(x);
    high2.Run(x);
    low.Run(x);
    low2.Run(x);
}

// 16-bit samples with the loudest at 29,000.
std::vector<int16_t> ToSamples(const std::vector<float>& x)
{
    float peak = 0;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    const float gain = peak > 1e-6f ? 29000.0f / peak : 0.0f;
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) out[i] = int16_t(std::lround(x[i] * gain));
    return out;
}

} // namespace

bool VocalSignal::Load(const std::string& wavPath, bool fullMix, const ProgressCallback& progress, std::string& why)
{
    m_samples.clear();
    PcmSource source;
    if (!source.Open(wavPath)) {
        why = wavPath + ": " + (source.FailureText().empty() ? "cannot be read" : source.FailureText());
        return false;
    }
    const WaveFormat format = source.Format();
    const int channels = std::max<int>(1, format.channels);
    const int bits = format.bitsPerSample;
    const int rate = source.IsRaw() ? kSourceRate : int(format.sampleRate);
    if ((bits != 8 && bits != 16) || channels > 2 || rate <= 0) {
        why = wavPath + ": not 8- or 16-bit PCM";
        return false;
    }

    // The work file's samples as 16-bit stereo (StereoPcm), which the resampler takes to float
    // at the aligner's rate.
    SwrContext* made = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&made, &stereo, AV_SAMPLE_FMT_FLT, kRate, &stereo, AV_SAMPLE_FMT_S16, rate, 0, nullptr) < 0) {
        why = wavPath + ": the resampler could not be set up";
        return false;
    }
    const std::unique_ptr<SwrContext, SwrDeleter> swr(made);
    if (swr_init(swr.get()) < 0) {
        why = wavPath + ": the resampler could not be set up";
        return false;
    }
    const uint32_t frameBytes = uint32_t(channels * bits / 8);
    const uint64_t totalFrames = source.DataBytes() / frameBytes;
    std::vector<float> resampled;
    resampled.reserve(size_t(double(totalFrames) * kRate / rate * 2) + 4096);
    std::vector<uint8_t> bytes(kChunkFrames * frameBytes);
    std::vector<int16_t> in(kChunkFrames * 2);
    std::vector<float> out(kChunkFrames * 2);
    uint64_t framesRead = 0;
    int lastPercent = -1;
    bool ok = true;
    for (;;) {
        size_t delivered = 0;
        if (!source.Read(bytes, delivered)) {
            why = wavPath + ": " + source.FailureText();
            ok = false;
            break;
        }
        const size_t frames = WidenToStereo16(std::span<const uint8_t>(bytes).first(delivered / frameBytes * frameBytes),
                                              uint16_t(channels), uint16_t(bits), in);
        const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(in.data())};
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
        const int got = swr_convert(swr.get(), outPlanes, int(kChunkFrames), frames ? inPlanes : nullptr, int(frames));
        if (got > 0) resampled.insert(resampled.end(), out.begin(), out.begin() + got * 2);
        framesRead += frames;
        if (frames == 0 && got <= 0) break;
        const int percent = totalFrames ? int(framesRead * 100 / totalFrames) : 0;
        if (percent != lastPercent) {
            lastPercent = percent;
            if (!ReportProgress(progress, percent)) {
                ok = false;
                why.clear();
                break;
            }
        }
    }
    if (!ok) return false;

    std::vector<float> mid(resampled.size() / 2);
    for (size_t i = 0; i < mid.size(); ++i) mid[i] = 0.5f * (resampled[2 * i] + resampled[2 * i + 1]);
    m_other.clear();
    if (!fullMix) {
        m_samples = ToSamples(mid);
        return true;
    }
    std::vector<float> centre = channels == 2 ? ExtractCentre(resampled) : mid;
    std::vector<float>().swap(resampled);
    BandPass(centre);
    m_samples = ToSamples(centre);
    BandPass(mid);
    m_other = ToSamples(mid);
    return true;
}

bool VocalSignal::LoadFile(const std::string& path, bool fullMix, const ProgressCallback& progress, std::string& why,
                           bool& cancelled)
{
    cancelled = false;
    why.clear();
    m_samples.clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        why = path + ": " + (std::filesystem::exists(path, ec) ? "not a file" : "No such file or directory");
        return false;
    }
    const auto report = [&](int percent) {
        if (ReportProgress(progress, percent)) return true;
        cancelled = true;
        return false;
    };
    std::string wav = path;
    std::string decodedPath;
    if (!MusicImport::IsUsedInPlace(path)) {
        decodedPath = PrivateWorkFolder::FilePath("tessavox_vocals.wav");
        MusicImport import(decodedPath);
        import.SetProgress([&](int percent) { return report(percent / 2); });
        if (!import.ImportMusic(path)) {
            if (cancelled) return false;
            std::string text = import.Result().errorText;
            while (!text.empty() && text.back() == '\n') text.pop_back();
            for (char& c : text)
                if (c == '\n') c = ' ';
            why = path + ": " + text;
            return false;
        }
        wav = import.Result().path;
    }
    const bool loaded = Load(wav, fullMix, [&](int percent) { return report(50 + percent / 2); }, why);
    if (!decodedPath.empty()) std::filesystem::remove(decodedPath, ec);
    if (cancelled) why.clear();
    return loaded;
}
