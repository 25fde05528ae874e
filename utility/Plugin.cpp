// Library entry points of Lipsmith.dlu, the utility plug-in.
#include <cstring>

#include "HostPrompts.h"
#include "QtUtilityWindows.h"
#include "SpeechUtility.h"
#include "UtilityResource.h"

#define LIPSMITH_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

lipsmith::HostPrompts hostPrompts;

// Runs when the host loads the library: the utility object exists from now
// on and hears the scene's reference messages; its windows are Qt's, its
// message boxes the host's. The windows are made first, so they are still
// there when the utility goes at the end of the process.
__attribute__((constructor)) void OnLoad() {
    lipsmith::SetPrompts(&hostPrompts);
    lipsmith::UtilityWindows* windows =
        lipsmith::QtUtilityWindows([] { lipsmith::TheSpeechUtility().DestroyEditor(); });
    lipsmith::TheSpeechUtility().SetWindows(windows);
}

}  // namespace

LIPSMITH_EXPORT const char* LibDescription() {
    static char buffer[256];
    const char* s = lipsmith::GetUtilityString(lipsmith::IDS_LIBDESCRIPTION);
    if (!s) return nullptr;
    std::strncpy(buffer, s, sizeof buffer - 1);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

LIPSMITH_EXPORT int LibNumberClasses() { return 1; }

LIPSMITH_EXPORT ClassDesc* LibClassDesc(int i) { return i == 0 ? lipsmith::GetSpeechUtilityDesc() : nullptr; }

LIPSMITH_EXPORT ULONG LibVersion() { return VERSION_3DSMAX; }
