#include "audio/EnsureMp3Encoder.h"

#include <mutex>
#include <string>

#include "audio/LameLibrary.h"
#include "text/UserPrompt.h"

namespace {

std::string NotFoundText(const LameLibrary& lib)
{
    return "The MP3 encoder library (" + lib.LoadedName() +
           ") could not be loaded, so MP3+G export is not available.\n"
           "It comes with the Debian package " +
           kLamePackage + "; to add MP3 Encoder support, install that package (apt-get install " + kLamePackage +
           ").\nIf you would rather not, check the box below, and you\nwill not be asked again.";
}

std::string VersionText(const LameLibrary& lib)
{
    std::string missing;
    for (const std::string& name : lib.Missing()) missing += (missing.empty() ? "" : ", ") + name;
    return "The copy of the MP3 encoder library found (" + lib.LoadedName() +
           ") lacks features that Tessavox needs (" + missing +
           ").\nMP3 export will not work with it. Installing the Debian package " + kLamePackage +
           " puts a complete copy in place.";
}

} // namespace

bool EnsureMp3Encoder(UserPrompt& prompt, Mp3NoticeSettings& notices, bool force)
{
    LameLibrary& lib = LameLibrary::Instance();
    std::unique_lock lock(lib.Lock());
    if (force) lib.Unload();
    if (!lib.IsLoaded() && lib.Load()) lib.Resolve();

    if (!lib.IsLoaded()) {
        if (!notices.hideMp3Message &&
            prompt.MessageWithCheck(NotFoundText(lib), kMp3NotFoundCaption, PromptIcon::Warning, kMp3NotFoundCheck))
            notices.hideMp3Message = true;
        return false;
    }
    if (!lib.HasRequired()) {
        // Keep no half-usable copy loaded: it would only be tried again at every export.
        const std::string text = VersionText(lib);
        lib.Unload();
        if (!notices.hideMp3VersionMessage &&
            prompt.MessageWithCheck(text, kMp3VersionCaption, PromptIcon::Warning, kMp3VersionCheck))
            notices.hideMp3VersionMessage = true;
        return false;
    }
    return true;
}

bool Mp3EncoderAvailable()
{
    LameLibrary& lib = LameLibrary::Instance();
    std::shared_lock lock(lib.Lock());
    return lib.HasRequired();
}
