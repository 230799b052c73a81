#include "app/CheckMp3Support.h"

#include "app/AppSettings.h"
#include "audio/EnsureMp3Encoder.h"

namespace {
constexpr const char* kHideMp3Message = "HideMP3Message";
constexpr const char* kHideMp3VersionMessage = "HideMP3VersionMessage";
}

bool CheckMp3Support(UserPrompt& prompt, AppSettings& settings, bool force)
{
    Mp3NoticeSettings notices;
    notices.hideMp3Message = settings.Int(AppSettings::kDefault, kHideMp3Message, 0) != 0;
    notices.hideMp3VersionMessage = settings.Int(AppSettings::kDefault, kHideMp3VersionMessage, 0) != 0;
    const Mp3NoticeSettings before = notices;
    const bool available = EnsureMp3Encoder(prompt, notices, force);
    // Only a ticked box is written: an unset value keeps reading as its default.
    const bool hideChanged = notices.hideMp3Message != before.hideMp3Message;
    const bool hideVersionChanged = notices.hideMp3VersionMessage != before.hideMp3VersionMessage;
    if (hideChanged) settings.SetInt(AppSettings::kDefault, kHideMp3Message, notices.hideMp3Message ? 1 : 0);
    if (hideVersionChanged)
        settings.SetInt(AppSettings::kDefault, kHideMp3VersionMessage, notices.hideMp3VersionMessage ? 1 : 0);
    if (hideChanged || hideVersionChanged) settings.Sync();
    return available;
}
