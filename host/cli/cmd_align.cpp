// lipsmith align RECORDING.wav: keys from a recorded voice. The recording is
// aligned with its text (one actor's, or a script's actors in turn), the
// voice's phonemes are fitted to the speaker's words, and the recording
// becomes the scene's sound.
#include <unistd.h>

#include <atomic>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "ActivePhonemeMap.h"
#include "CNumbers.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "DemoScene.h"
#include "EspeakPronouncer.h"
#include "ExportOption.h"
#include "FileUtil.h"
#include "ForcedAligner.h"
#include "Interface.h"
#include "PhonemeMapFile.h"
#include "PipelineMessages.h"
#include "Plugins.h"
#include "RecordingAligner.h"
#include "RecordingSound.h"
#include "Registry.h"
#include "Riff.h"
#include "SceneFile.h"
#include "SceneJson.h"
#include "SessionKeyer.h"
#include "Settings.h"
#include "SpeechApi.h"
#include "SpeechSession.h"
#include "WordReport.h"

namespace lipsmith::cli {

namespace {

constexpr const char* kUsage =
    "usage: lipsmith align RECORDING.wav (--text \"WORDS\" | --transcript FILE | --script SCRIPT.txt)\n"
    "                      [--actor NODE] [--scene IN.lsc] [--save OUT.lsc] [--wave OUT.wav]\n"
    "                      [--in-frame N] [--fps N] [--insert | --replace] [--delete-after]\n"
    "                      [--no-scratch] [--fresh-wave] [--map MAP.xml] [--voice NAME]\n"
    "                      [--keys KEYS.json] [--words WORDS.tsv] [--export FORMAT:FILE]...";

struct AlignArgs {
    std::string recording;
    std::optional<std::string> text, transcript, script, actor;
    std::optional<std::string> scene, save, wave, map, voice, keys, words;
    TimingOptions timing;
    bool deleteAfter = false;
    bool scratch = true;
    bool freshWave = false;
    ExportOption exports;
};

std::atomic<bool> gInterrupted{false};
extern "C" void OnAlignInterrupt(int) { gInterrupted = true; }

std::optional<std::string> ParseArgs(const Args& args, AlignArgs& r) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::optional<std::string>& into, bool mayBeEmpty = false) {
            return TakeValue(args, i, into, mayBeEmpty);
        };
        std::optional<std::string> error;
        if (a == "--text") error = value(r.text);
        else if (a == "--transcript") error = value(r.transcript);
        else if (a == "--script") error = value(r.script);
        else if (a == "--actor") error = value(r.actor);
        else if (a == "--scene") error = value(r.scene);
        else if (a == "--save") error = value(r.save);
        else if (a == "--wave") error = value(r.wave);
        else if (a == "--map") error = value(r.map);
        else if (a == "--voice") error = value(r.voice);
        else if (a == "--keys") error = value(r.keys);
        else if (a == "--words") error = value(r.words);
        else if (r.timing.Take(args, i, error)) {}
        else if (a == "--delete-after") r.deleteAfter = true;
        else if (a == "--no-scratch") r.scratch = false;
        else if (a == "--fresh-wave") r.freshWave = true;
        else if (r.exports.Take(args, i, error)) {}
        else if (a.size() > 1 && a[0] == '-') error = "unknown option '" + a + "'";
        else if (r.recording.empty()) r.recording = a;
        else error = "more than one recording given ('" + r.recording + "', '" + a + "')";
        if (error) return error;
    }
    if (r.recording.empty()) return std::string("no recording given");
    const int texts = (r.text ? 1 : 0) + (r.transcript ? 1 : 0) + (r.script ? 1 : 0);
    if (texts == 0) return std::string("the recording's text is missing: give --text, --transcript or --script");
    if (texts > 1) return std::string("--text, --transcript and --script exclude each other");
    if (r.script && r.actor) return std::string("--actor goes with --text or --transcript; a script names its actors");
    if (!r.script && !r.actor) return std::string("--actor NODE is needed: the node the keys go to");
    return std::nullopt;
}

// Outputs are checked before the long work: none may be unwritable, name an
// input or name another output.
std::optional<std::string> CheckOutputs(const AlignArgs& r) {
    std::vector<NamedPath> outputs, inputs{{"the recording", r.recording}};
    if (r.transcript) inputs.push_back({"--transcript", *r.transcript});
    if (r.script) inputs.push_back({"--script", *r.script});
    if (r.scene) inputs.push_back({"--scene", *r.scene});
    if (r.map) inputs.push_back({"--map", *r.map});
    if (r.wave && r.scratch) outputs.push_back({"--wave", *r.wave});
    if (r.save) outputs.push_back({"--save", *r.save});
    if (r.keys) outputs.push_back({"--keys", *r.keys});
    if (r.words) outputs.push_back({"--words", *r.words});
    for (const std::string& file : r.exports.Files()) outputs.push_back({"--export", file});
    return CheckOutputPaths(outputs, inputs);
}

// The script's actors and their texts, in order, as the parser hands them out.
class ActorCollector : public ActorSpeaker {
public:
    explicit ActorCollector(ScriptDlg& editor) : editor_(editor) {}
    HRESULT SpeakActor(const std::string& text, int) override {
        actors.push_back({editor_.currentActorNode, text});
        return S_OK;
    }
    std::vector<align::ActorText> actors;

private:
    ScriptDlg& editor_;
};

void ShowProgress(align::Ms done, align::Ms total) {
    const double d = static_cast<double>(done.count()) / 1000.0;
    const double t = static_cast<double>(total.count()) / 1000.0;
    std::fprintf(stderr, "\rAligning: %.1f of %.1f s (%d%%)\033[K", d, t,
                 t > 0 ? static_cast<int>(100.0 * d / t) : 100);
    std::fflush(stderr);
}

std::string SecondsText(align::Ms ms) { return CFormat("%.2f", static_cast<double>(ms.count()) / 1000.0); }

}  // namespace

int RunAlign(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", kUsage);
        return kExitOk;
    }
    AlignArgs r;
    if (auto error = ParseArgs(args, r)) {
        std::fprintf(stderr, "%s\n", kUsage);
        return UsageError(*error);
    }
    if (!RegularFileExists(r.recording)) return UsageError("cannot read the recording '" + r.recording + "'");
    if (WaveInfo info; !ReadWaveInfo(r.recording, info))
        return UsageError("cannot read the recording '" + r.recording + "': it is not a readable RIFF WAVE file");
    std::string textOrScript;
    if (r.text) textOrScript = *r.text;
    else if (auto error = ReadWholeFile(r.transcript ? *r.transcript : *r.script, textOrScript)) return UsageError(*error);
    if (auto error = CheckOutputs(r)) return UsageError(*error);
    std::optional<speech::VoiceToken> voiceToken;
    if (r.voice) {
        for (const speech::VoiceToken& t : speech::EnumerateVoices())
            if (t.name == *r.voice) voiceToken = t;
        if (!voiceToken) return UsageError("no installed voice is named '" + *r.voice + "' (see 'lipsmith voices')");
    }
    if (r.map) {
        PhonemeMap scratch{};
        const PhonemeMapLoad load = LoadPhonemeMapReport(scratch, *r.map);
        if (!load) return UsageError("cannot read the phoneme map file '" + *r.map + "': " + load.problem);
        if (load.phonemeElements == 0) return UsageError("the phoneme map file '" + *r.map + "' holds no PHONEME elements");
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
    SpeechSession session(editor, ip);
    session.options.inFrame = r.timing.inFrame;
    if (const std::string problem = session.InFrameProblem(); !problem.empty()) return UsageError(problem);

    // The actors and their words.
    std::vector<align::ActorText> actors;
    if (r.script) {
        ActorCollector collector(editor);
        editor.SetActorSpeaker(&collector);
        editor.SetColoredScript(textOrScript, false);
        editor.isParsing = true;
        const HRESULT parsed = editor.ParseScript(textOrScript, 0);
        editor.isParsing = false;
        editor.SetActorSpeaker(&session);
        if (parsed != S_OK) {
            std::fwrite(editor.Output().Text().data(), 1, editor.Output().Text().size(), stdout);
            return UsageError("the script '" + *r.script + "' cannot be read as a script");
        }
        actors = std::move(collector.actors);
        if (actors.empty()) return UsageError("the script '" + *r.script + "' has no actor with text");
    } else {
        actors.push_back({*r.actor, textOrScript});
    }

    session.RebuildSpeakers();
    if (FAILED(FillActivePhonemeMap(session.ActiveMap()))) return kExitErrors;
    if (r.map && !LoadPhonemeMapReport(session.ActiveMap(), *r.map)) {
        return UsageError("cannot read the phoneme map file '" + *r.map + "'");
    }
    // The wave output: --wave, else the "WaveFile" setting as a run uses it.
    std::string waveOutput;
    if (r.scratch) {
        if (r.wave) {
            waveOutput = Absolute(*r.wave);
        } else {
            RegKey key;
            std::string wave;
            if (key.Open(kSettingsHive, kSettingsKey) == ERROR_SUCCESS &&
                key.QueryString(kWaveFileValue, wave, kWaveFileMaxBytes) == ERROR_SUCCESS)
                waveOutput = wave;
            if (!waveOutput.empty() && !OutputTargetProblem(waveOutput).empty()) {
                return UsageError("the wave output file '" + waveOutput + "' (the WaveFile setting): " +
                                  CannotWriteText(waveOutput, OutputTargetProblem(waveOutput)));
            }
        }
    }
    editor.replaceMode = r.timing.insert ? 0 : 1;
    session.options.deleteKeysAfterInFrame = r.deleteAfter;

    // The recognizer and the voice, both in this process.
    engines::ForcedAlignerOptions alignerOptions;
    alignerOptions.pronounce = engines::EspeakPronunciation;
    std::unique_ptr<engines::ForcedAligner> aligner;
    const engines::RecognizerCreation made = engines::CreatePocketAligner(alignerOptions, &aligner);
    if (FAILED(made.status)) {
        std::fprintf(stderr, "lipsmith: %s\n", made.message.c_str());
        return kExitErrors;
    }
    align::VoicePhonemes voice(voiceToken ? &*voiceToken : nullptr);
    if (!voice.Ok()) {
        std::fprintf(stderr, "lipsmith: the voice cannot start (espeak-ng)\n");
        return kExitErrors;
    }

    editor.Output().SetListener([](std::string_view text, OutputKind, bool) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    });
    editor.Output().SetText(CFormat("---[ Aligning '%s' ]---\n\n", r.recording.c_str()));
    editor.Output().ResetCounts();
    const TimeValue runStart = *InFrameStartTick(r.timing.inFrame, ip.GetFrameRate());
    session.clock.Reset(runStart);
    editor.isParsing = true;
    // Keys after the In Frame go first for every actor, as a run does it.
    if (r.deleteAfter) {
        for (const align::ActorText& a : actors) {
            editor.currentActorNode = a.node;
            session.DeleteKeysAfterInFrame();
        }
    }

    const bool placeSound = r.scratch;
    std::string copy;
    if (placeSound && !waveOutput.empty()) {
        for (const std::string& name : RemoveStaleTemporaries(waveOutput))
            editor.AppendParserOutput(CFormat(msg::kRemovedLeftover, name.c_str()), OutputKind::Plain);
        copy = TemporarySiblingName(waveOutput, "align");
    }

    struct sigaction action {};
    action.sa_handler = OnAlignInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    const bool tty = isatty(STDERR_FILENO);

    align::SessionKeyer keyer(session, actors);
    align::AlignSetup setup;
    setup.recording = r.recording;
    setup.actors = actors;
    setup.copyPath = copy;
    setup.aligner = aligner.get();
    setup.voice = &voice;
    setup.stopRequested = [] { return gInterrupted.load(); };
    if (tty) setup.progress = ShowProgress;
    align::AlignReport report = align::AlignRecording(setup, keyer);
    if (tty) std::fprintf(stderr, "\r\033[K");
    std::signal(SIGINT, SIG_DFL);
    editor.isParsing = false;

    auto finish = [&](int status) {
        editor.AppendParserOutput(
            CFormat("\n---[ Aligning ended: %d Errors, %d warnings ]---\n", editor.Output().errorCount,
                    editor.Output().warningCount),
            OutputKind::Plain);
        editor.Output().SetListener(nullptr);
        return status;
    };
    if (report.status != align::AlignStatus::Done) {
        if (!copy.empty()) RemoveTemporary(copy);
        if (report.status == align::AlignStatus::Stopped) {
            editor.AppendParserOutput("Aligning stopped by user.\n", OutputKind::Error);
            std::fprintf(stderr, "lipsmith: the alignment was stopped; nothing was saved\n");
        } else {
            editor.AppendParserOutput("Error: " + report.message + "\n", OutputKind::Error);
        }
        return finish(kExitErrors);
    }
    keyer.Finish(report.length);

    // Every word of the text is accounted for: found, or reported here.
    for (const align::MissedWord& m : report.missed) {
        editor.AppendParserOutput(
            CFormat("Warning: The word \"%s\" (word %zu of %s) was not found in the recording between %s s and %s s%s.\n",
                    report.words[m.index].c_str(), m.index + 1,
                    actors[report.actorOfWord[m.index]].node.c_str(), SecondsText(m.after).c_str(),
                    SecondsText(m.before).c_str(), m.unpronounceable ? " (the recognizer cannot pronounce it)" : ""),
            OutputKind::Warning);
    }
    for (const align::ExtraSpeech& e : report.extra) {
        editor.AppendParserOutput(CFormat("Warning: Speech from %s s to %s s matches no word of the text.\n",
                                          SecondsText(e.start).c_str(), SecondsText(e.end).c_str()),
                                  OutputKind::Warning);
    }
    editor.AppendParserOutput(CFormat("Aligned %zu of %zu words in %zu phrases of %s s of recording; %zu phonemes keyed.\n",
                                      report.matched.size(), report.words.size(), report.phrases,
                                      SecondsText(report.length).c_str(), keyer.PhonemesKeyed()),
                              OutputKind::Plain);

    int status = kExitOk;
    if (placeSound) {
        align::SoundPlacement placement;
        placement.copy = copy;
        placement.waveOutput = waveOutput;
        placement.recording = Absolute(r.recording);
        placement.runStart = runStart;
        placement.replace = !r.timing.insert;
        placement.fresh = r.freshWave;
        const bool placed = align::PlaceRecording(ip, placement, [&](const std::string& line, bool isError) {
            editor.AppendParserOutput(line, isError ? OutputKind::Error : OutputKind::Plain);
        });
        if (!placed) status = kExitErrors;
    }
    if (r.words) {
        if (!WriteFileAtomically(*r.words, align::WordReportTsv(report, actors), &error)) {
            std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
            status = kExitErrors;
        }
    }
    if (r.keys && !WriteFileAtomically(*r.keys, SceneToJson(ip), &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        status = kExitErrors;
    }
    if (r.exports.Requested() && !r.exports.WriteAll(ip, keyer.ActorsKeyed())) status = kExitErrors;
    if (r.save && !SaveScene(ip, *r.save, &error)) {
        std::fprintf(stderr, "lipsmith: %s\n", error.c_str());
        status = kExitErrors;
    }
    if (editor.Output().errorCount > 0) status = kExitErrors;
    return finish(status);
}

}  // namespace lipsmith::cli
