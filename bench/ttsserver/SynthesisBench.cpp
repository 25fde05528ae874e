// Synthesis through the speech server against espeak-ng on its own: the same
// ten-minute text spoken into a wave file by `espeak-ng -w`, and by
// Lipsmith_TTS in wave mode with every notification delivered to a client
// window through the utility's wait loop. Best of two runs each.
//
//   bench_tts_synthesis [MINUTES]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ITTS.h"
#include "MessageQueue.h"
#include "Riff.h"

extern char** environ;

namespace {

using namespace lipsmith;
using Clock = std::chrono::steady_clock;

// Plain English prose of about `words` words, the same on every run.
std::string MakeText(std::size_t words) {
    static const char* const kSubjects[] = {"The old sailor", "A quiet child", "Our neighbour", "The tired engineer",
                                            "Every morning the baker", "My sister", "The small dog", "Nobody"};
    static const char* const kVerbs[] = {"walked slowly towards", "looked carefully at", "never understood",
                                         "painted a picture of", "talked for hours about", "quietly remembered"};
    static const char* const kObjects[] = {"the harbour in the evening light", "a red bicycle near the station",
                                           "the strange noises from the attic", "seven blue windows",
                                           "the river that runs behind the mill", "an unfinished letter"};
    std::string text;
    std::size_t count = 0;
    unsigned seed = 12345;
    auto next = [&](std::size_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    while (count < words) {
        std::string sentence = std::string(kSubjects[next(8)]) + " " + kVerbs[next(6)] + " " + kObjects[next(6)];
        sentence += next(3) == 0 ? ", and then it rained." : ".";
        count += static_cast<std::size_t>(std::count(sentence.begin(), sentence.end(), ' ')) + 1;
        text += sentence + " ";
    }
    return text;
}

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

double WaveSeconds(const std::string& path) {
    WaveInfo info;
    if (!ReadWaveInfo(path, info) || info.format.avgBytesPerSec == 0) return 0;
    return static_cast<double>(info.dataSize) / info.format.avgBytesPerSec;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double CpuSeconds(int who) {
    rusage u;
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU time of another process so far.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::atof(field.c_str());
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

pid_t ServerPid(const std::string& runtimeDir) {
    std::ifstream in(runtimeDir + "/lipsmith-tts.lock");
    long pid = 0;
    in >> pid;
    return static_cast<pid_t>(pid);
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/tts_synth.XXXXXX";
    if (!mkdtemp(pattern.data())) return 1;
    const std::string dir = pattern;
    const std::string textPath = dir + "/text.txt";
    const std::string text = MakeText(static_cast<std::size_t>(minutes * 190));
    std::ofstream(textPath) << text;

    // espeak-ng on its own.
    double espeakTime = 1e9;
    const double espeakCpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    for (int run = 0; run < 2; ++run) {
        const auto start = Clock::now();
        if (Run({"espeak-ng", "-w", dir + "/espeak.wav", "-f", textPath}) != 0) {
            std::fprintf(stderr, "bench: espeak-ng failed\n");
            return 1;
        }
        espeakTime = std::min(espeakTime, Seconds(start));
    }
    const double espeakCpu = (CpuSeconds(RUSAGE_CHILDREN) - espeakCpuBefore) / 2;

    // Through the server, in a private runtime folder and registry.
    setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    setenv("LIPSMITH_TTS_IDLE_MS", "200", 1);
    setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "0", 1);
    if (Run({LIPSMITH_TTS_PROGRAM, "-RegServer"}) != 0) return 1;
    auto start = Clock::now();
    std::unique_ptr<ITTS> tts;
    if (FAILED(CreateCTTS(&tts))) {
        std::fprintf(stderr, "bench: the server did not start\n");
        return 1;
    }
    const double startup = Seconds(start);

    std::size_t notifications = 0, phonemes = 0;
    double phonemeMs = 0;
    bool ended = false;
    HWND hwnd = CreateMessageWindow([&](HWND, UINT m, WPARAM w, LPARAM) -> LRESULT {
        ++notifications;
        if (m == WM_APP + 6) {
            ++phonemes;
            phonemeMs += static_cast<double>(w >> 16);
        }
        ended = m == WM_APP + 2;
        return 0;
    });
    tts->SetNotifyHWND(getenv("BENCH_NO_WINDOW") ? 0 : hwnd);
    const pid_t server = ServerPid(dir + "/run");
    const double cpuBefore = CpuSeconds(RUSAGE_SELF) + ProcessCpuSeconds(server);
    double serverTime = 1e9;
    std::size_t runNotifications = 0, runPhonemes = 0;
    double runPhonemeMs = 0;
    for (int run = 0; run < 2; ++run) {
        notifications = phonemes = 0;
        phonemeMs = 0;
        ended = false;
        start = Clock::now();
        tts->SetToWaveMode(dir + "/server.wav");
        tts->Speak(text, 11);
        HRESULT hr = S_OK;
        MSG msg;
        if (getenv("BENCH_PUMP_ONLY")) {
            while (!ended && GetMessage(&msg, 0)) DispatchMessage(&msg);
        } else {
            while ((hr = tts->IsDone()) == S_FALSE || (hr == S_OK && !ended && !getenv("BENCH_NO_WINDOW"))) {
                if (PeekMessage(&msg, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessage(&msg);
                }
            }
        }
        tts->SetToVoiceMode();
        if (FAILED(hr)) {
            std::fprintf(stderr, "bench: speaking failed (0x%08X)\n", static_cast<unsigned>(hr));
            return 1;
        }
        serverTime = std::min(serverTime, Seconds(start));
        runNotifications = notifications;
        runPhonemes = phonemes;
        runPhonemeMs = phonemeMs;
    }
    const double serverCpu = (CpuSeconds(RUSAGE_SELF) + ProcessCpuSeconds(server) - cpuBefore) / 2;
    tts.reset();
    DestroyMessageWindow(hwnd);

    const double espeakAudio = WaveSeconds(dir + "/espeak.wav");
    const double serverAudio = WaveSeconds(dir + "/server.wav");
    std::printf("synthesis of %.0f words into a wave file (best of 2)\n",
                static_cast<double>(std::count(text.begin(), text.end(), ' ')));
    std::printf("  %-34s %8.2f s wall %6.2f s CPU   audio %7.1f s\n", "espeak-ng -w:", espeakTime, espeakCpu,
                espeakAudio);
    std::printf("  %-34s %8.2f s wall %6.2f s CPU   audio %7.1f s   %zu notifications (%zu phonemes, %.1f s)\n",
                "Lipsmith_TTS, wave mode + client:", serverTime, serverCpu, serverAudio, runNotifications,
                runPhonemes, runPhonemeMs / 1000.0);
    std::printf("  server start-up (first CreateCTTS): %.3f s\n", startup);
    std::printf("  ratio server / espeak-ng: %.2f wall, %.2f CPU   target <= 1.3: %s\n", serverTime / espeakTime,
                serverCpu / espeakCpu, serverTime / espeakTime <= 1.3 ? "met" : "NOT met");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // the server's idle end
    std::filesystem::remove_all(dir);
    return 0;
}
