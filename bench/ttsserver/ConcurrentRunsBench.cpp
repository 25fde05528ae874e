// Throughput of one speech server shared by several clients: 1, 2 and 4
// `lipsmith run`s at a time (keys pass and wave pass, each client with its
// own outputs) on a generated two-actor script, each client running its runs
// one after another. Prints runs per minute for each number of clients. The
// server is started once and shared, as on a user's machine.
//
//   bench_tts_concurrency [MINUTES_OF_SPEECH_PER_RUN] [RUNS_PER_CLIENT]   (0.5, 6)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchText.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int Run(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void StopServer(const std::string& runtime) {
    const std::string lock = runtime + "/lipsmith-tts.lock";
    std::ifstream in(lock);
    long pid = 0;
    in >> pid;
    if (pid <= 0 || kill(static_cast<pid_t>(pid), SIGTERM) != 0) return;
    for (int i = 0; i < 500; ++i) {
        const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
        const bool held = fd >= 0 && flock(fd, LOCK_SH | LOCK_NB) != 0;
        if (fd >= 0) close(fd);
        if (!held) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lipsmith;
    const double minutes = argc > 1 ? std::max(0.05, std::atof(argv[1])) : 0.5;
    const int runsPerClient = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    const auto dir = std::filesystem::temp_directory_path() / ("lipsmith-bench-clients-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "run");
    const std::string runtime = (dir / "run").string();
    setenv("LIPSMITH_REGISTRY", (dir / "registry").c_str(), 1);
    setenv("LIPSMITH_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("LIPSMITH_NO_AUDIO", "1", 1);
    setenv("LIPSMITH_TTS_IDLE_MS", "60000", 1);

    const auto turns = bench::MakeDialogue(static_cast<long>(minutes * 170), {"Head", "Narrator"});
    const std::string script = (dir / "script.txt").string();
    std::ofstream(script) << bench::ScriptOf(turns);

    // The first run starts the server; every measured run finds it running.
    if (Run({LIPSMITH_PROGRAM, "run", script, "--wave", (dir / "warmup.wav").string()}) != 0) {
        std::fprintf(stderr, "bench_tts_concurrency: lipsmith run failed\n");
        return 1;
    }
    std::printf("lipsmith runs sharing one speech server (real server, espeak-ng, keys and wave pass)\n");
    std::printf("  script: %zu turns of two actors, about %.1f minutes of speech; %d runs per client; %u cores\n",
                turns.size(), minutes, runsPerClient, std::thread::hardware_concurrency());
    double single = 0;
    for (int clients : {1, 2, 4}) {
        std::atomic<int> failed{0};
        const auto t0 = Clock::now();
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                for (int r = 0; r < runsPerClient; ++r) {
                    const std::string base = (dir / ("c" + std::to_string(c))).string();
                    if (Run({LIPSMITH_PROGRAM, "run", script, "--wave", base + ".wav", "--keys", base + ".json"}) != 0)
                        ++failed;
                    std::filesystem::remove(base + ".wav");  // each run records anew, no merging
                }
            });
        }
        for (std::thread& t : threads) t.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        const double perMinute = clients * runsPerClient / seconds * 60.0;
        if (clients == 1) single = perMinute;
        std::printf("  %d client%s %8.1f runs per minute   (%.2f x one client)%s\n", clients, clients == 1 ? " " : "s",
                    perMinute, perMinute / single, failed ? "   SOME RUNS FAILED" : "");
    }
    StopServer(runtime);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
