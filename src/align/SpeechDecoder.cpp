#include "align/SpeechDecoder.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fsg_model.h>

namespace {
constexpr const char* kModelFolder = "/usr/share/pocketsphinx/model/en-us";
constexpr const char* kSearch = "line";
} // namespace

SpeechDecoder::SpeechDecoder() = default;

SpeechDecoder::~SpeechDecoder()
{
    if (m_ps) ps_free(m_ps);
}

std::string SpeechDecoder::ModelFolder()
{
    const char* env = std::getenv("TESSAVOX_SPEECH_MODEL");
    return env && *env ? env : kModelFolder;
}

bool SpeechDecoder::Open(std::string& why)
{
    namespace fs = std::filesystem;
    const std::string folder = ModelFolder();
    const std::string hmm = folder + "/en-us";
    const std::string dict = folder + "/cmudict-en-us.dict";
    std::error_code ec;
    if (!fs::is_directory(hmm, ec) || !fs::is_regular_file(dict, ec)) {
        why = "the speech model is not installed (" + hmm + " and " + dict +
              " are missing; the Debian package pocketsphinx-en-us has them)";
        return false;
    }
    err_set_logfp(nullptr);
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.c_str(), "-dict", dict.c_str(),
                                   // Silence kept: times are counted in the audio as given.
                                   "-remove_silence", "no", "-samprate", "16000", "-logfn", "/dev/null",
                                   "-fsgusefiller", "yes", "-bestpath", "no",
                                   // Wide beams: the words are known, so no path may be lost.
                                   "-beam", "1e-80", "-pbeam", "1e-80", "-wbeam", "1e-60", nullptr);
    if (!config) {
        why = "the speech model's settings were refused";
        return false;
    }
    m_ps = ps_init(config);
    cmd_ln_free_r(config);
    if (!m_ps) {
        why = "the speech model in " + folder + " could not be loaded";
        return false;
    }
    return true;
}

bool SpeechDecoder::Knows(const std::string& key) const
{
    char* phones = ps_lookup_word(m_ps, key.c_str());
    const bool known = phones != nullptr;
    std::free(phones);
    return known;
}

bool SpeechDecoder::Know(const std::string& key, const std::string& phones)
{
    if (Knows(key)) return true;
    if (phones.empty()) return false;
    return ps_add_word(m_ps, key.c_str(), phones.c_str(), FALSE) >= 0;
}

std::vector<SpeechDecoder::Segment> SpeechDecoder::Align(const int16_t* samples, size_t count,
                                                         const std::vector<std::string>& words)
{
    std::vector<Segment> segments;
    if (!m_ps || words.empty() || count < 1600) return segments;
    logmath_t* lmath = ps_get_logmath(m_ps);
    fsg_model_t* fsg = fsg_model_init(kSearch, lmath, 1.0f, int32(words.size() + 1));
    fsg->start_state = 0;
    fsg->final_state = int32(words.size());
    for (size_t i = 0; i < words.size(); ++i) {
        const int wid = fsg_model_word_add(fsg, words[i].c_str());
        fsg_model_trans_add(fsg, int32(i), int32(i + 1), 0, wid);
    }
    const bool set = ps_set_fsg(m_ps, kSearch, fsg) == 0 && ps_set_search(m_ps, kSearch) == 0;
    fsg_model_free(fsg);
    if (!set) return segments;
    if (ps_start_utt(m_ps) < 0) return segments;
    ps_process_raw(m_ps, samples, count, FALSE, TRUE);
    ps_end_utt(m_ps);

    const double toNatural = std::log(logmath_get_base(lmath));
    size_t next = 0;
    for (ps_seg_t* seg = ps_seg_iter(m_ps); seg; seg = ps_seg_next(seg)) {
        std::string word = ps_seg_word(seg);
        // An alternative pronunciation is named "word(2)".
        if (const size_t paren = word.find('('); paren != std::string::npos && paren > 0) word.resize(paren);
        if (next >= words.size() || word != words[next]) continue; // silence and noises
        Segment s;
        s.word = next++;
        ps_seg_frames(seg, &s.firstFrame, &s.lastFrame);
        int32 ascr = 0, lscr = 0, lback = 0;
        ps_seg_prob(seg, &ascr, &lscr, &lback);
        s.score = double(ascr) * toNatural / std::max(1, s.lastFrame - s.firstFrame + 1);
        segments.push_back(s);
    }
    return segments;
}
