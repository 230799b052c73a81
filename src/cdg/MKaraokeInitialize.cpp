#include "cdg/MKaraokeInitialize.h"

#include "log/MTextTrace.h"
#include "text/FontDictionary.h"

namespace {
constexpr uint32_t kTraceStartup = 1024;
}

bool MKaraoke_Initialize()
{
    MTextTrace::Trace(kTraceStartup, "MKaraoke_Initialize - enter");
    FontDictionary::Instance().Rebuild();
    MTextTrace::Trace(kTraceStartup, "MKaraoke_Initialize - Loaded Font Dictionary");
    MTextTrace::Trace(kTraceStartup, "MKaraoke_Initialize - Registered MWindow");
    MTextTrace::Trace(kTraceStartup, "MKaraoke_Initialize - exit");
    return true;
}
