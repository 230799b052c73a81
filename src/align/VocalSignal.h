#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "media/ProgressCallback.h"

// The singing the aligner listens to: a 44,100 Hz PCM WAV (the song's work file, or a vocal
// track decoded into one) read as 16 kHz mono for the speech model.
//
// A full mix goes through a front end first: the centre of the stereo picture is kept (a lead
// vocal sits there, most instruments do not) by weighting each frequency of each short frame
// by how alike the left and right channels are in it, then a band-pass keeps the voice's range.
class VocalSignal {
public:
    static constexpr int kRate = 16000;

    // False with why (naming the file) when it cannot be read, or when progress asked to stop.
    bool Load(const std::string& wavPath, bool fullMix, const ProgressCallback& progress, std::string& why);
    // Any music file FFmpeg reads: a WAV the song could play is read where it lies, anything
    // else is decoded into the work folder first; progress runs 0 to 100 over both. False with
    // why (naming the file) when it cannot be read; when progress asked to stop, cancelled is
    // set and why is empty.
    bool LoadFile(const std::string& path, bool fullMix, const ProgressCallback& progress, std::string& why,
                  bool& cancelled);

    const std::vector<int16_t>& Samples() const { return m_samples; }
    // The same singing heard another way, for a second opinion: for a full mix both channels
    // as they are, band-passed; else the samples themselves.
    const std::vector<int16_t>& OtherSamples() const { return m_other.empty() ? m_samples : m_other; }
    double Seconds() const { return double(m_samples.size()) / kRate; }

private:
    std::vector<int16_t> m_samples;
    std::vector<int16_t> m_other;
};
