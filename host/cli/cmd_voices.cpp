// lipsmith voices: the installed voices, one line per voice token:
// Name, Gender, Language, Vendor, separated by tabs.
#include <cstdio>

#include "Commands.h"
#include "SpeechApi.h"

namespace lipsmith::cli {

int RunVoices(const Args& args) {
    if (!args.empty()) return UsageError("voices takes no arguments");
    const auto voices = speech::EnumerateVoices();
    if (voices.empty()) {
        std::fprintf(stderr, "lipsmith: no voices found (is espeak-ng-data installed?)\n");
        return kExitErrors;
    }
    for (const auto& v : voices) {
        std::printf("%s\t%s\t%s\t%s\n", v.name.c_str(), v.gender.c_str(), v.language.c_str(), v.vendor.c_str());
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
