#pragma once
#include <string>

// Pronunciations of words the speech model's dictionary lacks, in the model's phone set
// ("HH AH L OW"): from the eSpeak NG text-to-phoneme rules for American English, or from plain
// letter-to-sound rules where those cannot be had.
class Pronouncer {
public:
    // key: lower-case letters and apostrophes. Empty when nothing can be said of it.
    static std::string Phones(const std::string& key);
    // The letter-to-sound rules alone.
    static std::string SpellPhones(const std::string& key);
};
