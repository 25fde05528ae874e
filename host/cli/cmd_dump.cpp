// lipsmith dump SCENE.lsc: prints the scene's controllers, keys and notes as JSON.
#include <cstdio>

#include "Commands.h"
#include "Plugins.h"
#include "SceneFile.h"
#include "SceneJson.h"

namespace lipsmith::cli {

int RunDump(const Args& args) {
    if (args.size() != 1 || args[0].empty()) return UsageError("usage: lipsmith dump SCENE.lsc");
    std::string error;
    Interface& ip = *GetCOREInterface();
    if (!LoadControllerPlugins(&error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitErrors;
    }
    if (!LoadScene(ip, args[0], &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string json = SceneToJson(ip);
    if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "lipsmith: cannot write the JSON to standard output\n");
        return kExitErrors;
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
