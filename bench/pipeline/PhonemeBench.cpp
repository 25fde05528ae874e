// bench_pipeline_phonemes [SHORT_MIN LONG_MIN]: the cost of one phoneme
// notification, from the window message to the keys on 25 controllers of the
// demo scene, for a run of SHORT_MIN (default 1) and of LONG_MIN (default 30)
// minutes of dialogue, in Replace mode and in Insert mode; and the peak
// memory of the process. In-process: a scripted engine feeds the phoneme,
// sentence and bookmark notifications at full speed (no speech server).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "BenchText.h"
#include "DemoScene.h"
#include "Hold.h"
#include "Interface.h"
#include "KeyControl.h"
#include "Plugins.h"
#include "ScriptDlg.h"
#include "ScriptedEngine.h"
#include "ScriptedPrompts.h"
#include "SpeechController.h"
#include "SpeechSession.h"

using namespace lipsmith;
using namespace lipsmith::testing;
using Clock = std::chrono::steady_clock;

namespace {

struct Result {
    long phonemes = 0;
    double seconds = 0;
    double audioMinutes = 0;
};

// One turn's notifications: phonemes of 40 to 160 ms (about 80 on average),
// a pause now and then, sentence boundaries, and a cue on some turns.
std::vector<ScriptedEvent> TurnEvents(std::mt19937& random, int phonemes, int turn, long* ms) {
    std::vector<ScriptedEvent> events;
    for (int i = 0; i < phonemes; ++i) {
        if (i % 30 == 0) events.push_back(SentenceEvent(40));
        if (i == 10 && turn % 4 == 1) events.push_back(BookmarkEvent("eyes:true,,both,1,100,1.0,120"));
        if (i == 10 && turn % 5 == 2) events.push_back(BookmarkEvent("brow:true,,both,0.7,150,400"));
        const bool pause = i % 12 == 11;
        const int phone = pause ? 7 : 10 + static_cast<int>(random() % 40);
        const int d = pause ? 120 : 40 + static_cast<int>(random() % 81);
        *ms += d;
        events.push_back(PhonemeEvent(phone, d, random() % 7 == 0 ? 1 : 0));
    }
    return events;
}

Result Measure(double minutes, bool replace) {
    Interface& ip = *GetCOREInterface();
    std::string error;
    if (!BuildDemoScene(ip, &error)) {
        std::fprintf(stderr, "bench_pipeline_phonemes: %s\n", error.c_str());
        std::exit(1);
    }
    ScriptDlg editor;
    SpeechSession session(editor, ip);
    auto* engine = new ScriptedEngine();
    if (FAILED(session.Start(std::unique_ptr<ITTS>(engine)))) std::exit(1);
    session.waveOutputPath = "/nonexistent/unused.wav";
    session.options.generateScratchTrack = false;
    editor.replaceMode = replace ? 1 : 0;

    // Turns of 60 phonemes, alternating between Head and Narrator.
    std::mt19937 random(11);
    Result r;
    long ms = 0;
    std::string script = "<_ANIM_>";
    for (int turn = 0; ms < minutes * 60000.0; ++turn) {
        const std::string tag = "[t" + std::to_string(turn) + "]";
        engine->Say(tag, TurnEvents(random, 60, turn, &ms));
        script += std::string("<actor node=\"") + (turn % 2 ? "Narrator" : "Head") + "\">" + tag + "</actor>";
        r.phonemes += 60;
    }
    script += "</_ANIM_>";
    editor.SetColoredScript(script, false);
    const auto t0 = Clock::now();
    session.SpeechToAnimRun();
    r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    r.audioMinutes = ms / 60000.0;
    if (editor.Output().errorCount > 0 || session.clock.spokenMs != ms) {
        std::fprintf(stderr, "bench_pipeline_phonemes: the run went wrong\n%s\n", editor.Output().Text().c_str());
        std::exit(1);
    }
    // Every phoneme of Head's turns made a key on its first mouth controller.
    auto* width = AsSpeechController(ip.GetINodeByName("Head")->GetTrackController(0));
    IKeyControl* keys = width ? GetKeyControlInterface(width->GetKeyTrack()) : nullptr;
    if (!keys || keys->GetNumKeys() < r.phonemes / 2 - 60) {
        std::fprintf(stderr, "bench_pipeline_phonemes: keys are missing\n");
        std::exit(1);
    }
    ip.ResetScene();
    theHold.ClearUndo();
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const double shortMin = argc > 2 ? std::atof(argv[1]) : 1.0;
    const double longMin = argc > 2 ? std::atof(argv[2]) : 30.0;
    const auto dir = std::filesystem::temp_directory_path() / ("lipsmith-bench-ph-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    setenv("LIPSMITH_REGISTRY", (dir / "registry").c_str(), 1);
    ScriptedPrompts prompts;  // message boxes answered, never shown
    ScopedPrompts usePrompts(prompts);
    std::string error;
    if (!LoadControllerPlugins(&error)) {
        std::fprintf(stderr, "bench_pipeline_phonemes: %s\n", error.c_str());
        return 1;
    }

    std::printf("Phoneme notifications to keys on the demo scene (25 controllers), in-process with a scripted\n"
                "engine feeding notifications at full speed (no speech server)\n");
    for (bool replace : {true, false}) {
        // The best of five: a short run is over in milliseconds.
        Result a = Measure(shortMin, replace), b = Measure(longMin, replace);
        for (int i = 0; i < 4; ++i) {
            const Result a2 = Measure(shortMin, replace), b2 = Measure(longMin, replace);
            if (a2.seconds < a.seconds) a = a2;
            if (b2.seconds < b.seconds) b = b2;
        }
        const double perA = a.seconds / a.phonemes * 1e6, perB = b.seconds / b.phonemes * 1e6;
        std::printf("  %-7s %5.1f min: %6ld phonemes %7.3f s %7.2f us/phoneme | %5.1f min: %6ld phonemes %7.3f s "
                    "%7.2f us/phoneme | ratio %.2f%s\n",
                    replace ? "Replace" : "Insert", a.audioMinutes, a.phonemes, a.seconds, perA, b.audioMinutes,
                    b.phonemes, b.seconds, perB, perB / perA, replace ? " (target <= 1.5)" : "");
    }
    std::printf("  peak resident memory (VmHWM): %.1f MB (target < 300 MB)\n", bench::PeakResidentKb() / 1024.0);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
