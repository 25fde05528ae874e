// lipsmith export SCENE.lsc --node NODE --format FORMAT [--fps N] [-o FILE]:
// a node's lip-sync in a format other animation tools read.
#include <cstdio>

#include "CNumbers.h"
#include "Commands.h"
#include "ExportOption.h"
#include "Plugins.h"
#include "SceneFile.h"

namespace lipsmith::cli {
namespace {

constexpr const char* kUsage =
    "usage: lipsmith export SCENE.lsc --node NODE --format FORMAT [--fps N] [-o FILE]\n"
    "       FORMAT: tsv, json, xml (nine mouth shapes A-H, X), dat (Moho switch data),\n"
    "               curves (CSV of the fourteen channels per frame)";

struct ExportArgs {
    std::string scene, node, file;
    std::optional<exports::ExportFormat> format;
    int fps = 0;
};

std::optional<std::string> ParseArgs(const Args& args, ExportArgs& e) {
    bool sawNode = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool takesValue = a == "--node" || a == "--format" || a == "--fps" || a == "-o" || a == "--output";
        if (takesValue && (i + 1 >= args.size() || args[i + 1].empty())) return a + " needs a value";
        if (a == "--node") {
            e.node = args[++i];
            sawNode = true;
        } else if (a == "--format") {
            e.format = exports::ParseExportFormat(args[++i]);
            if (!e.format) return "unknown format '" + args[i] + "' (formats: " + exports::kFormatList + ")";
        } else if (a == "--fps") {
            const std::string& v = args[++i];
            const bool digits = v.size() <= 4 && v.find_first_not_of("0123456789") == std::string::npos;
            e.fps = digits ? CAtoi(v) : 0;
            if (e.fps < 1 || e.fps > TIME_TICKSPERSEC) return "--fps takes frames per second from 1 to 4800";
        } else if (a == "-o" || a == "--output") {
            e.file = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (e.scene.empty()) {
            e.scene = a;
        } else {
            return "more than one scene given ('" + e.scene + "', '" + a + "')";
        }
    }
    if (e.scene.empty()) return std::string("no scene given");
    if (!sawNode) return std::string("--node NODE is needed");
    if (!e.format) return std::string("--format FORMAT is needed");
    return std::nullopt;
}

}  // namespace

int RunExport(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", kUsage);
        return kExitOk;
    }
    ExportArgs e;
    if (auto error = ParseArgs(args, e)) {
        std::fprintf(stderr, "%s\n", kUsage);
        return UsageError(*error);
    }
    std::string error;
    Interface& ip = *GetCOREInterface();
    if (!LoadControllerPlugins(&error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitErrors;
    }
    if (!LoadScene(ip, e.scene, &error)) return UsageError(error);
    return WriteNodeExport(ip, e.node, *e.format, e.fps, e.file == "-" ? std::string() : e.file);
}

}  // namespace lipsmith::cli
