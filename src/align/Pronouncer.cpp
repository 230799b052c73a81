#include "align/Pronouncer.h"

#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <mutex>
#include <utility>

namespace {

// eSpeak's ASCII phoneme names and the model's phones, longest names first where they share a start.
const std::pair<const char*, const char*> kPhonemes[] = {
    {"aI@", "AY ER"}, {"aU@", "AW ER"}, {"i@3", "IH R"},
    {"aI", "AY"},  {"aU", "AW"},  {"eI", "EY"}, {"oU", "OW"}, {"OI", "OY"}, {"i@", "IH R"}, {"e@", "EH R"},
    {"U@", "UH R"}, {"A@", "AA R"}, {"O@", "AO R"}, {"o@", "AO R"}, {"3:", "ER"}, {"A:", "AA"}, {"i:", "IY"},
    {"u:", "UW"}, {"O:", "AO"}, {"@L", "AH L"}, {"@2", "AH"}, {"@5", "AH"}, {"I2", "IH"}, {"I#", "IH"},
    {"a#", "AH"}, {"E2", "EH"}, {"O2", "AO"}, {"02", "AA"}, {"0#", "AA"}, {"tS", "CH"}, {"dZ", "JH"},
    {"t#", "T"}, {"d#", "D"}, {"n-", "N"}, {"l-", "L"}, {"r-", "R"}, {"m-", "M"},
    {"@", "AH"}, {"3", "ER"}, {"a", "AE"}, {"A", "AA"}, {"E", "EH"}, {"e", "EH"}, {"I", "IH"}, {"i", "IY"},
    {"V", "AH"}, {"0", "AA"}, {"O", "AO"}, {"o", "OW"}, {"U", "UH"}, {"u", "UW"},
    {"S", "SH"}, {"Z", "ZH"}, {"T", "TH"}, {"D", "DH"}, {"N", "NG"}, {"j", "Y"}, {"w", "W"}, {"r", "R"},
    {"l", "L"}, {"h", "HH"}, {"p", "P"}, {"b", "B"}, {"t", "T"}, {"d", "D"}, {"k", "K"}, {"g", "G"},
    {"f", "F"}, {"v", "V"}, {"s", "S"}, {"z", "Z"}, {"m", "M"}, {"n", "N"}, {"x", "K"}, {"C", "HH"},
};

std::string MapPhonemes(const char* text)
{
    std::string phones;
    for (const char* p = text; *p;) {
        bool matched = false;
        for (const auto& [name, phone] : kPhonemes) {
            const size_t n = std::strlen(name);
            if (std::strncmp(p, name, n) == 0) {
                if (!phones.empty()) phones += ' ';
                phones += phone;
                p += n;
                matched = true;
                break;
            }
        }
        if (!matched) ++p; // stress, length and syllable marks
    }
    return phones;
}

std::mutex g_espeakLock;
int g_espeakState = 0; // 0 not tried, 1 ready, -1 not to be had

} // namespace

std::string Pronouncer::Phones(const std::string& key)
{
    if (key.empty()) return {};
    {
        std::lock_guard lock(g_espeakLock);
        if (g_espeakState == 0) {
            const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
            g_espeakState = rate > 0 && espeak_SetVoiceByName("en-us") == EE_OK ? 1 : -1;
        }
        if (g_espeakState == 1) {
            const void* text = key.c_str();
            std::string all;
            while (text) {
                const char* ph = espeak_TextToPhonemes(&text, espeakCHARS_UTF8, 0);
                if (!ph) break;
                all += ph;
                all += ' ';
            }
            std::string phones = MapPhonemes(all.c_str());
            if (!phones.empty()) return phones;
        }
    }
    return SpellPhones(key);
}

std::string Pronouncer::SpellPhones(const std::string& key)
{
    static const std::pair<const char*, const char*> kLetters[] = {
        {"tch", "CH"}, {"sch", "S K"}, {"igh", "AY"}, {"ch", "CH"}, {"sh", "SH"}, {"th", "TH"}, {"ph", "F"},
        {"wh", "W"}, {"ck", "K"}, {"ng", "NG"}, {"qu", "K W"}, {"ee", "IY"}, {"ea", "IY"}, {"oo", "UW"},
        {"ou", "AW"}, {"ow", "OW"}, {"oi", "OY"}, {"oy", "OY"}, {"ai", "EY"}, {"ay", "EY"}, {"au", "AO"},
        {"aw", "AO"}, {"er", "ER"}, {"ir", "ER"}, {"ur", "ER"}, {"ar", "AA R"}, {"or", "AO R"},
        {"a", "AE"}, {"b", "B"}, {"c", "K"}, {"d", "D"}, {"e", "EH"}, {"f", "F"}, {"g", "G"}, {"h", "HH"},
        {"i", "IH"}, {"j", "JH"}, {"k", "K"}, {"l", "L"}, {"m", "M"}, {"n", "N"}, {"o", "AA"}, {"p", "P"},
        {"q", "K"}, {"r", "R"}, {"s", "S"}, {"t", "T"}, {"u", "AH"}, {"v", "V"}, {"w", "W"}, {"x", "K S"},
        {"y", "IY"}, {"z", "Z"},
    };
    std::string phones;
    for (size_t i = 0; i < key.size();) {
        // A final silent "e" after a consonant is not said.
        if (key[i] == 'e' && i + 1 == key.size() && i >= 2) break;
        bool matched = false;
        for (const auto& [letters, phone] : kLetters) {
            const size_t n = std::strlen(letters);
            if (key.compare(i, n, letters) == 0) {
                // A doubled consonant is one sound.
                if (!phones.empty()) phones += ' ';
                phones += phone;
                i += n;
                if (n == 1 && i < key.size() && key[i] == key[i - 1] && std::strchr("aeiou", key[i]) == nullptr) ++i;
                matched = true;
                break;
            }
        }
        if (!matched) ++i; // apostrophes
    }
    return phones;
}
