#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ps_decoder_s;

// PocketSphinx with the US English acoustic model and dictionary of the Debian package
// pocketsphinx-en-us, set up to align known words to audio: each call searches a grammar of
// exactly the given words in order, with silence and noises allowed between them.
class SpeechDecoder {
public:
    // 100 frames a second.
    static constexpr int kFrameRate = 100;

    struct Segment {
        size_t word = 0;   // index in the words given
        int firstFrame = 0;
        int lastFrame = 0; // inclusive
        double score = 0;  // acoustic score per frame (natural log)
    };

    SpeechDecoder();
    ~SpeechDecoder();
    SpeechDecoder(const SpeechDecoder&) = delete;
    SpeechDecoder& operator=(const SpeechDecoder&) = delete;

    // The model's folder: TESSAVOX_SPEECH_MODEL when set, else where the package puts it.
    static std::string ModelFolder();
    // False with why when the model is not installed or will not load.
    bool Open(std::string& why);

    // Makes sure the dictionary knows key (lower case), adding phones when it does not.
    // False when it is not known and no phones are given.
    bool Know(const std::string& key, const std::string& phones);
    bool Knows(const std::string& key) const;

    // Aligns the words (dictionary keys) to 16 kHz samples. The segments found, in order; they
    // are fewer than the words when the search did not reach the grammar's end.
    std::vector<Segment> Align(const int16_t* samples, size_t count, const std::vector<std::string>& words);

private:
    ps_decoder_s* m_ps = nullptr;
};
