// bench_listener_latency: the phrase listener through the real speech
// server, the way the editor uses it: the decoder warmed by CheckEngine (the
// editor's switch to phrase mode), then "Speak Phrase" with a 5-second
// espeak-ng phrase played in real time through LIPSMITH_MIC_WAVE. Prints, per
// round, the time from the end of speech to the last key made in the scene,
// and what that time is made of on this machine.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AudioInput.h"
#include "Interface.h"
#include "PhraseListener.h"
#include "SpeechController.h"
#include "SpeechSession.h"

extern char** environ;

using namespace lipsmith;
using Clock = std::chrono::steady_clock;

namespace {

const char* kPhrase = "the animator opened the scene and read the first line of the script aloud to the whole team";

int Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("lipsmith-bench-listen-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir + "/run");
    const std::string phrase = dir + "/phrase.wav";
    if (Run({"espeak-ng", "-v", "en", "-s", "185", "-w", phrase, kPhrase}) != 0) {
        std::printf("espeak-ng is needed to make the test phrase\n");
        return 1;
    }
    ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    ::setenv("LIPSMITH_NO_AUDIO", "1", 1);
    ::setenv("LIPSMITH_MIC_WAVE", phrase.c_str(), 1);
    ::unsetenv("LIPSMITH_MIC_FAST");
    if (Run({LIPSMITH_TTS_PROGRAM, "-RegServer"}) != 0) return 1;
    std::vector<std::int16_t> recording;
    engines::ReadWaveAs22kMono(phrase, recording, nullptr);

    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* head = ip.CreateNode("Head");
    auto* mouth = new SpeechController();
    mouth->channel = 2;
    head->AddTrack("Mouth Open", mouth);
    ScriptDlg editor;
    editor.SetColoredScript(kPhrase, false);
    SpeechSession session(editor, ip);
    if (FAILED(session.Start())) return 1;
    const auto w0 = Clock::now();
    const HRESULT check = session.Engine()->CheckEngine();
    std::printf("CheckEngine (server start and decoder start-up): %.3f s, %s\n", Seconds(Clock::now() - w0),
                check == S_OK ? "recognizer installed" : "no recognizer");
    if (check != S_OK) return 1;
    session.options.enableUndo = true;

    for (int round = 1; round <= 3; ++round) {
        session.waveOutputPath = dir + "/out" + std::to_string(round) + ".wav";
        // The wait ends once the server has written the phrase and every
        // phoneme has been keyed (the client may key them while it waits for
        // an answer of the server, so this is where the last key is known).
        Clock::time_point listening, lastKey;
        session.onProgressOpened = [&](ProgressModel&) { listening = Clock::now(); };
        session.onProgressClosed = [&] { lastKey = Clock::now(); };
        PhraseListener listener(session);
        PhraseListenerInput input;
        input.itemSelected = true;
        input.actorNode = head;
        if (FAILED(listener.Run(input))) {
            std::printf("round %d: no phrase\n%s\n", round, editor.Output().Text().c_str());
            return 1;
        }
        std::vector<std::int16_t> heard;
        engines::ReadWaveAs22kMono(session.waveOutputPath, heard, nullptr);
        const auto at = std::search(recording.begin(), recording.end(), heard.begin(), heard.end());
        if (heard.empty() || at == recording.end()) {
            std::printf("round %d: the recording is not the phrase\n", round);
            return 1;
        }
        const double speechEnd = static_cast<double>((at - recording.begin()) + heard.size()) / 22050.0;
        const double toLastKey = Seconds(lastKey - listening) - speechEnd;
        std::printf("round %d: %.2f s of speech, %d ms of phonemes keyed; end of speech to the last key %.3f s "
                    "(of which 0.600 s is the silence that ends a phrase)\n",
                    round, static_cast<double>(heard.size()) / 22050.0, session.clock.spokenMs, toLastKey);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
