// lipsmith new-scene OUT.lsc: writes the built-in demo scene.
#include <cstdio>

#include "Commands.h"
#include "DemoScene.h"
#include "Plugins.h"
#include "SceneFile.h"

namespace lipsmith::cli {

int RunNewScene(const Args& args) {
    if (args.size() != 1 || args[0].empty()) return UsageError("usage: lipsmith new-scene OUT.lsc");
    std::string error;
    Interface& ip = *GetCOREInterface();
    if (!LoadControllerPlugins(&error) || !BuildDemoScene(ip, &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitErrors;
    }
    if (!SaveScene(ip, args[0], &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitErrors;
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
