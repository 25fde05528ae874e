// lipsmith map-default OUT.xml: writes the built-in phoneme map as a map file.
#include <cstdio>

#include "Commands.h"
#include "FileUtil.h"
#include "PhonemeMapFile.h"

namespace lipsmith::cli {

int RunMapDefault(const Args& args) {
    if (args.size() != 1 || args[0].empty()) return UsageError("map-default needs one argument: OUT.xml");
    PhonemeMap map{};
    if (LoadPhonemeMap(map) != S_OK) {
        std::fprintf(stderr, "lipsmith: the built-in phoneme map could not be read\n");
        return kExitErrors;
    }
    // A target that is a folder, a device or read-only is refused untouched.
    if (const std::string problem = OutputTargetProblem(args[0]); !problem.empty()) {
        std::fprintf(stderr, "lipsmith: %s\n", CannotWriteText(args[0], problem).c_str());
        return kExitErrors;
    }
    if (SavePhonemeMap(map, args[0]) != S_OK) {
        std::fprintf(stderr, "lipsmith: cannot write '%s'\n", args[0].c_str());
        return kExitErrors;
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
