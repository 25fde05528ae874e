#include <cstdio>
#include <cstring>
#include <iterator>

#include "Commands.h"

namespace lipsmith::cli {

// Each command's entry point, defined in its own file.
int RunNewScene(const Args& args);
int RunDump(const Args& args);
int RunVoices(const Args& args);
int RunMapDefault(const Args& args);
int RunRun(const Args& args);
int RunExport(const Args& args);
int RunBatch(const Args& args);
int RunListen(const Args& args);
int RunAlign(const Args& args);

namespace {

const Command kCommands[] = {
    {"run", "SCRIPT.txt [OPTIONS]", "speak a script and key the scene (see 'lipsmith run --help')", RunRun},
    {"listen", "--actor NODE [OPTIONS]",
     "key an actor from a phrase spoken into the microphone (see 'lipsmith listen --help')", RunListen},
    {"align", "RECORDING.wav (--text T | --transcript FILE | --script FILE) [--actor NODE] [OPTIONS]",
     "key the scene from a recorded voice and its text (see 'lipsmith align --help')", RunAlign},
    {"new-scene", "OUT.lsc", "write the built-in demo scene", RunNewScene},
    {"dump", "SCENE.lsc", "print a scene's controllers, keys and notes as JSON", RunDump},
    {"voices", "", "list the installed voices (Name, Gender, Language, Vendor)", RunVoices},
    {"map-default", "OUT.xml", "write the built-in phoneme map file", RunMapDefault},
    {"export", "SCENE.lsc --node NODE --format FORMAT [--fps N] [-o FILE]",
     "a node's lip-sync for other tools: tsv, json, xml, dat, curves", RunExport},
    {"batch", "MANIFEST [--jobs N]", "many runs from a manifest, in parallel (see 'lipsmith batch --help')", RunBatch},
};

void PrintHelp(std::FILE* to) {
    std::fprintf(to, "usage: lipsmith COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& c : kCommands) {
        std::fprintf(to, "  %-12s %s\n  %-12s   %s\n", c.name, c.usage, "", c.summary);
    }
}

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "lipsmith: %s\n", message.c_str());
    return kExitUsage;
}

}  // namespace lipsmith::cli

int main(int argc, char** argv) {
    using namespace lipsmith::cli;
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") ||
        !std::strcmp(argv[1], "help")) {
        PrintHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? kExitUsage : kExitOk;
    }
    for (const Command& c : kCommands) {
        if (!std::strcmp(argv[1], c.name)) return c.run(Args(argv + 2, argv + argc));
    }
    PrintHelp(stderr);
    return UsageError(std::string("unknown command '") + argv[1] + "'");
}
