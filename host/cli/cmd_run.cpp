// lipsmith run SCRIPT.txt: speaks a script and keys the scene, as the script
// editor's "Parse Script" does, and prints the Parser Output pane.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "CNumbers.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "FileUtil.h"
#include "Interface.h"
#include "MessageBox.h"
#include "PhonemeMapFile.h"
#include "Plugins.h"
#include "DemoScene.h"
#include "ExportOption.h"
#include "ServerSetup.h"
#include "SceneFile.h"
#include "SceneJson.h"
#include "SpeechApi.h"
#include "SpeechSession.h"

namespace lipsmith::cli {

namespace {

constexpr const char* kUsage =
    "usage: lipsmith run SCRIPT.txt [--scene IN.lsc] [--save OUT.lsc] [--wave OUT.wav]\n"
    "                    [--in-frame N] [--fps N] [--insert | --replace] [--delete-after]\n"
    "                    [--no-scratch] [--undo] [--map MAP.xml] [--voice NAME] [--verbose]\n"
    "                    [--keys KEYS.json] [--fresh-wave] [--export FORMAT:FILE]...";

struct RunArgs {
    std::string script;
    std::optional<std::string> scene, save, wave, map, voice, keys;
    TimingOptions timing;
    bool deleteAfter = false;
    bool scratch = true;
    bool undo = false;
    bool verbose = false;
    bool freshWave = false;
    ExportOption exports;
};

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) { gInterrupted = true; }

// Returns an error text, or nothing when the arguments are good.
std::optional<std::string> ParseArgs(const Args& args, RunArgs& r) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<std::string>& into, bool mayBeEmpty = false) {
            return TakeValue(args, i, into, mayBeEmpty);
        };
        std::optional<std::string> error;
        if (a == "--scene") error = value(r.scene);
        else if (a == "--save") error = value(r.save);
        else if (a == "--wave") error = value(r.wave);
        else if (a == "--map") error = value(r.map);
        else if (a == "--voice") error = value(r.voice);
        else if (a == "--keys") error = value(r.keys);
        else if (r.timing.Take(args, i, error)) {}
        else if (a == "--delete-after") r.deleteAfter = true;
        else if (a == "--no-scratch") r.scratch = false;
        else if (a == "--undo") r.undo = true;
        else if (a == "--fresh-wave") r.freshWave = true;
        else if (a == "--verbose") r.verbose = true;
        else if (r.exports.Take(args, i, error)) {}
        else if (a.size() > 1 && a[0] == '-') error = "unknown option '" + a + "'";
        else if (r.script.empty()) r.script = a;
        else error = "more than one script given ('" + r.script + "', '" + a + "')";
        if (error) return error;
    }
    if (r.script.empty()) return std::string("no script given");
    return std::nullopt;
}

// What a run reads and writes, checked before it starts.
std::optional<std::string> CheckOutputs(const RunArgs& r) {
    std::vector<NamedPath> outputs, inputs{{"the script", r.script}};
    if (r.scene) inputs.push_back({"--scene", *r.scene});
    if (r.map) inputs.push_back({"--map", *r.map});
    if (r.wave && r.scratch) outputs.push_back({"--wave", *r.wave});
    if (r.save) outputs.push_back({"--save", *r.save});
    if (r.keys) outputs.push_back({"--keys", *r.keys});
    for (const std::string& file : r.exports.Files()) outputs.push_back({"--export", file});
    return CheckOutputPaths(outputs, inputs);
}

bool VoiceInstalled(const std::string& name) {
    for (const speech::VoiceToken& t : speech::EnumerateVoices()) {
        if (t.name == name) return true;
    }
    return false;
}

// Speaks for the session and notes which actors the keys pass spoke, in order.
class ActorRecorder : public ActorSpeaker {
public:
    ActorRecorder(ScriptDlg& editor, ActorSpeaker& speaker) : editor_(editor), speaker_(speaker) {
        editor_.SetActorSpeaker(this);
    }
    ~ActorRecorder() override { editor_.SetActorSpeaker(&speaker_); }
    HRESULT SpeakActor(const std::string& text, int wavePass) override {
        const std::string& node = editor_.currentActorNode;
        if (!wavePass && std::find(actors.begin(), actors.end(), node) == actors.end()) actors.push_back(node);
        return speaker_.SpeakActor(text, wavePass);
    }
    std::vector<std::string> actors;

private:
    ScriptDlg& editor_;
    ActorSpeaker& speaker_;
};

// The progress caption, rewritten in place on a terminal.
void ShowProgress(const ProgressModel& p) {
    std::fprintf(stderr, "\r%s\033[K", p.Caption().c_str());
    std::fflush(stderr);
}

}  // namespace

int RunRun(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", kUsage);
        return kExitOk;
    }
    RunArgs r;
    if (auto error = ParseArgs(args, r)) {
        std::fprintf(stderr, "%s\n", kUsage);
        return UsageError(*error);
    }
    std::string scriptText;
    if (auto error = ReadWholeFile(r.script, scriptText)) return UsageError(*error);
    if (auto error = CheckOutputs(r)) return UsageError(*error);
    if (r.voice && !VoiceInstalled(*r.voice)) {
        return UsageError("no installed voice is named '" + *r.voice + "' (see 'lipsmith voices')");
    }

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

    ScriptDlg editor;
    editor.SetColoredScript(scriptText, false);
    SpeechSession session(editor, ip);
    ActorRecorder recorder(editor, session);
    session.options.inFrame = r.timing.inFrame;
    if (const std::string problem = session.InFrameProblem(); !problem.empty()) return UsageError(problem);

    // A map named here must load: falling back to another map would key the
    // scene with values the user did not ask for. Checked before the server
    // starts, on a scratch map.
    if (r.map) {
        PhonemeMap scratch{};
        const PhonemeMapLoad load = LoadPhonemeMapReport(scratch, *r.map);
        if (!load) return UsageError("cannot read the phoneme map file '" + *r.map + "': " + load.problem);
        if (load.phonemeElements == 0) {
            return UsageError("the phoneme map file '" + *r.map + "' holds no PHONEME elements");
        }
        for (int id : load.duplicateIds) {
            std::fprintf(stderr, "lipsmith: warning: the phoneme map file '%s' has more than one PHONEME with id %d; "
                                 "the last one is used\n",
                         r.map->c_str(), id);
        }
    }

    std::unique_ptr<ITTS> engine;
    ConnectSpeechServer(&engine);
    if (FAILED(session.Start(std::move(engine)))) return kExitErrors;
    // The file fills the entries it names over the map the editor starts with.
    if (r.map && !LoadPhonemeMapReport(session.ActiveMap(), *r.map)) {
        return UsageError("cannot read the phoneme map file '" + *r.map + "'");
    }
    if (r.wave) session.waveOutputPath = Absolute(*r.wave);
    if (r.voice) session.voiceName = *r.voice;
    if (r.verbose) editor.ToggleVerboseOutput();
    editor.replaceMode = r.timing.insert ? 0 : 1;
    session.options.deleteKeysAfterInFrame = r.deleteAfter;
    session.options.generateScratchTrack = r.scratch;
    session.options.enableUndo = r.undo;
    session.options.freshRecording = r.freshWave;

    // Ctrl+C is the stop request; the wait loop notices it within a turn.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    session.onWaitTurn = [&session] {
        if (gInterrupted.exchange(false)) session.RequestStop();
    };
    if (isatty(STDERR_FILENO)) {
        session.onProgressOpened = [](ProgressModel& p) { p.onChange = ShowProgress; };
        session.onProgressClosed = [] { std::fprintf(stderr, "\r\033[K"); };
    }
    // The pane's text, as it grows.
    editor.Output().SetListener([](std::string_view text, OutputKind, bool) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    });

    session.SpeechToAnimRun();
    editor.Output().SetListener(nullptr);
    std::signal(SIGINT, SIG_DFL);
    if (session.waveOutputPath.empty()) return kExitUsage;  // no wave output file: nothing ran

    // A script the parser could not read, a stop and a failing engine leave
    // no error count behind, yet the job was not done.
    int status = editor.Output().errorCount > 0 || session.keysPassResult != S_OK || session.stoppedByUser
                     ? kExitErrors
                     : kExitOk;
    if (FAILED(session.engineFailure)) {
        std::fprintf(stderr, "lipsmith: the speech engine failed (error 0x%08X)\n",
                     static_cast<unsigned>(session.engineFailure));
    } else if (FAILED(session.keysPassResult) && editor.Output().errorCount == 0) {
        std::fprintf(stderr, "lipsmith: the script could not be parsed (error 0x%08X)\n",
                     static_cast<unsigned>(session.keysPassResult));
    }
    // A run that was stopped, or whose keys pass the engine cut short, is not
    // saved over anything: its keys are partial or were never fitted.
    if (session.stoppedByUser || (FAILED(session.keysPassResult) && FAILED(session.engineFailure))) {
        if (const std::string untouched = UntouchedOutputs(r.save, r.keys); !untouched.empty()) {
            std::fprintf(stderr, "lipsmith: the run did not finish; nothing was saved (%s)\n", untouched.c_str());
        }
        return kExitErrors;
    }
    if (r.keys) {
        std::string writeError;
        if (!WriteFileAtomically(*r.keys, SceneToJson(ip), &writeError)) {
            std::fprintf(stderr, "lipsmith: %s\n", writeError.c_str());
            status = kExitErrors;
        }
    }
    if (r.exports.Requested() && !r.exports.WriteAll(ip, recorder.actors)) status = kExitErrors;
    if (r.save && !SaveScene(ip, *r.save, &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        status = kExitErrors;
    }
    return status;
}

}  // namespace lipsmith::cli
