// lipsmith map-default OUT.xml: writes the built-in phoneme map as a map file.
#include <cstdio>

#include "Commands.h"
#include "PhonemeMapFile.h"

namespace lipsmith::cli {

int RunMapDefault(const Args& args) {
    if (args.size() != 1 || args[0].empty()) return UsageError("map-default needs one argument: OUT.xml");
    PhonemeMap map{};
    if (LoadPhonemeMap(map) != S_OK) {
        std::fprintf(stderr, "lipsmith: the built-in phoneme map could not be read\n");
        return kExitErrors;
    }
    if (SavePhonemeMap(map, args[0]) != S_OK) {
        std::fprintf(stderr, "lipsmith: cannot write '%s'\n", args[0].c_str());
        return kExitErrors;
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
