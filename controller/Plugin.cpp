// Library entry points of Lipsmith.dlc, the speech controller plug-in.
#include <cstring>

#include "ControllerWindows.h"
#include "Resource.h"
#include "SpeechController.h"

#define LIPSMITH_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HINSTANCE hInstance = nullptr;
bool controlsInitialised = false;

// Runs when the host loads the library.
__attribute__((constructor)) void OnLoad() {
    hInstance = lipsmith::GetSpeechControllerDesc()->HInstance();
    if (!controlsInitialised) {
        controlsInitialised = true;
        InitCustomControls(hInstance);
    }
    lipsmith::InstallControllerWindows();
}

}  // namespace

LIPSMITH_EXPORT const char* LibDescription() {
    static char buffer[256];
    const char* s = lipsmith::GetControllerString(lipsmith::IDS_LIBDESCRIPTION);
    if (!s) return nullptr;
    std::strncpy(buffer, s, sizeof buffer - 1);
    buffer[sizeof buffer - 1] = '\0';
    return buffer;
}

LIPSMITH_EXPORT int LibNumberClasses() { return 1; }

LIPSMITH_EXPORT ClassDesc* LibClassDesc(int i) { return i == 0 ? lipsmith::GetSpeechControllerDesc() : nullptr; }

LIPSMITH_EXPORT ULONG LibVersion() { return VERSION_3DSMAX; }
