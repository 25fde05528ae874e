// lipsmith listen --actor NODE: listens for one phrase (the microphone, or
// the wave file LIPSMITH_MIC_WAVE names) and keys NODE and its descendants
// with the phrase's own timing, as the script editor's "Speak Phrase" does;
// the phrase is recorded into the wave output and merged into the scene's
// sound. Prints the Parser Output pane.
#include <unistd.h>

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "DemoScene.h"
#include "ExportOption.h"
#include "FileUtil.h"
#include "Interface.h"
#include "MessageBox.h"
#include "Node.h"
#include "PhraseListener.h"
#include "Plugins.h"
#include "SceneFile.h"
#include "SceneJson.h"
#include "ServerSetup.h"
#include "SpeechSession.h"

namespace lipsmith::cli {

namespace {

constexpr const char* kUsage =
    "usage: lipsmith listen --actor NODE [--text \"expected words\" | --script FILE] [--scene IN.lsc]\n"
    "                       [--save OUT.lsc] [--wave OUT.wav] [--in-frame N] [--fps N]\n"
    "                       [--insert | --replace] [--delete-after] [--fresh-wave] [--verbose]\n"
    "                       [--keys KEYS.json] [--export FORMAT:FILE]...\n"
    "Listens to the microphone, or to the wave file named by LIPSMITH_MIC_WAVE\n"
    "(played in real time; as fast as it can be read with LIPSMITH_MIC_FAST=1).";

struct ListenArgs {
    std::optional<std::string> actor, text, script, scene, save, wave, keys;
    TimingOptions timing;
    bool deleteAfter = false;
    bool freshWave = false;
    bool verbose = false;
    ExportOption exports;
};

std::atomic<bool> gInterrupted{false};

extern "C" void OnListenInterrupt(int) { gInterrupted = true; }

std::optional<std::string> ParseArgs(const Args& args, ListenArgs& r) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<std::string>& into, bool mayBeEmpty = false) {
            return TakeValue(args, i, into, mayBeEmpty);
        };
        std::optional<std::string> error;
        if (a == "--actor") error = value(r.actor);
        else if (a == "--text") error = value(r.text, true);
        else if (a == "--script") error = value(r.script);
        else if (a == "--scene") error = value(r.scene);
        else if (a == "--save") error = value(r.save);
        else if (a == "--wave") error = value(r.wave);
        else if (a == "--keys") error = value(r.keys);
        else if (r.timing.Take(args, i, error)) {}
        else if (a == "--delete-after") r.deleteAfter = true;
        else if (a == "--fresh-wave") r.freshWave = true;
        else if (a == "--verbose") r.verbose = true;
        else if (r.exports.Take(args, i, error)) {}
        else if (a.size() > 1 && a[0] == '-') error = "unknown option '" + a + "'";
        else error = "unexpected argument '" + a + "'";
        if (error) return error;
    }
    if (!r.actor) return std::string("no actor given (--actor NODE)");
    if (r.text && r.script) return std::string("--text and --script exclude each other");
    return std::nullopt;
}

// Outputs are checked before anything listens: one that cannot be written,
// or that is an input or another output, would fail (or destroy something)
// only after the phrase was spoken.
std::optional<std::string> CheckOutputs(const ListenArgs& r) {
    std::vector<NamedPath> outputs, inputs;
    if (r.script) inputs.push_back({"--script", *r.script});
    if (r.scene) inputs.push_back({"--scene", *r.scene});
    if (r.wave) outputs.push_back({"--wave", *r.wave});
    if (r.save) outputs.push_back({"--save", *r.save});
    if (r.keys) outputs.push_back({"--keys", *r.keys});
    for (const std::string& file : r.exports.Files()) outputs.push_back({"--export", file});
    return CheckOutputPaths(outputs, inputs);
}

}  // namespace

int RunListen(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", kUsage);
        return kExitOk;
    }
    ListenArgs r;
    if (auto error = ParseArgs(args, r)) {
        std::fprintf(stderr, "%s\n", kUsage);
        return UsageError(*error);
    }
    // The expected words guide recognition; without them dictation alone listens.
    std::string grammar = r.text.value_or(std::string());
    if (r.script) {
        if (auto error = ReadWholeFile(*r.script, grammar)) return UsageError(*error);
    }
    if (auto error = CheckOutputs(r)) return UsageError(*error);

    std::string error;
    Interface& ip = *GetCOREInterface();
    if (!LoadControllerPlugins(&error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitErrors;
    }
    if (r.scene) {
        if (!LoadScene(ip, *r.scene, &error)) return UsageError(error);
    } else if (!BuildDemoScene(ip, &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        return kExitErrors;
    }
    if (r.timing.fps) ip.SetFrameRate(*r.timing.fps);
    INode* actor = ip.GetINodeByName(r.actor->c_str());
    if (!actor || actor->IsRootNode()) return UsageError("the scene has no node named '" + *r.actor + "'");

    ScriptDlg editor;
    editor.SetColoredScript(grammar, false);
    SpeechSession session(editor, ip);
    session.options.inFrame = r.timing.inFrame;
    if (const std::string problem = session.InFrameProblem(); !problem.empty()) return UsageError(problem);

    std::unique_ptr<ITTS> engine;
    ConnectSpeechServer(&engine);
    if (FAILED(session.Start(std::move(engine)))) return kExitErrors;
    if (r.wave) session.waveOutputPath = Absolute(*r.wave);
    if (r.verbose) editor.ToggleVerboseOutput();
    editor.replaceMode = r.timing.insert ? 0 : 1;
    // Phrase mode always records and always makes one undo step.
    session.options.deleteKeysAfterInFrame = r.deleteAfter;
    session.options.generateScratchTrack = true;
    session.options.enableUndo = true;
    session.options.freshRecording = r.freshWave;

    // Ctrl+C is the Stop button.
    struct sigaction action {};
    action.sa_handler = OnListenInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    PhraseListener listener(session);
    listener.stopOnServerError = true;
    session.onWaitTurn = [&listener] {
        if (gInterrupted.exchange(false)) listener.RequestStop();
    };
    if (isatty(STDERR_FILENO)) {
        session.onProgressOpened = [](ProgressModel&) {
            std::fprintf(stderr, "%s\n", ProgressModel::kListenerText);
        };
    }
    editor.Output().SetListener([](std::string_view text, OutputKind, bool) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    });

    PhraseListenerInput input;
    input.itemSelected = true;
    input.actorNode = actor;
    listener.Run(input);
    editor.Output().SetListener(nullptr);
    std::signal(SIGINT, SIG_DFL);
    if (session.waveOutputPath.empty()) return kExitUsage;  // no wave output file: nothing ran

    if (FAILED(session.engineFailure)) {
        std::fprintf(stderr, "lipsmith: the speech engine failed (error 0x%08X)\n",
                     static_cast<unsigned>(session.engineFailure));
    }
    if (!listener.PhraseRecorded()) {
        // A stopped or failed listener took its keys back: nothing to save.
        if (const std::string untouched = UntouchedOutputs(r.save, r.keys); !untouched.empty()) {
            std::fprintf(stderr, "lipsmith: no phrase was keyed; nothing was saved (%s)\n", untouched.c_str());
        }
        return kExitErrors;
    }
    int status = editor.Output().errorCount > 0 ? kExitErrors : kExitOk;
    if (r.keys && !WriteFileAtomically(*r.keys, SceneToJson(ip), &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        status = kExitErrors;
    }
    if (r.exports.Requested() && !r.exports.WriteAll(ip, {*r.actor})) status = kExitErrors;
    if (r.save && !SaveScene(ip, *r.save, &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        status = kExitErrors;
    }
    return status;
}

}  // namespace lipsmith::cli
