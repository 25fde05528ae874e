// bench_pipeline_run [MINUTES]: `lipsmith run` on a generated two-actor script
// of about MINUTES minutes (default 10) with the scratch track (a keys pass
// and a wave pass through the real speech server), against two `espeak-ng -w`
// runs of the same text (one per pass). Prints both times and their ratio,
// cold (the server starts) and warm (the server is running).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchText.h"
#include "Riff.h"

extern char** environ;

using namespace lipsmith;
using Clock = std::chrono::steady_clock;

namespace {

// Runs a program (searched in PATH) with its output thrown away; its exit status.
int Run(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Timed(const std::vector<std::string>& args, int* status) {
    const auto t0 = Clock::now();
    *status = Run(args);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

double AudioSeconds(const std::string& wave) {
    WaveInfo info;
    if (!ReadWaveInfo(wave, info) || info.format.avgBytesPerSec == 0) return 0;
    return static_cast<double>(info.dataSize) / info.format.avgBytesPerSec;
}

void StopServer(const std::string& runtime) {
    const std::string lock = runtime + "/lipsmith-tts.lock";
    const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    std::ifstream in(lock);
    long pid = 0;
    in >> pid;
    if (!held || pid <= 0 || kill(static_cast<pid_t>(pid), SIGTERM) != 0) return;
    for (int i = 0; i < 500 && kill(static_cast<pid_t>(pid), 0) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 10.0;
    const auto dir = std::filesystem::temp_directory_path() / ("lipsmith-bench-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "run");
    const std::string runtime = (dir / "run").string();
    setenv("LIPSMITH_REGISTRY", (dir / "registry").c_str(), 1);
    setenv("LIPSMITH_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("LIPSMITH_NO_AUDIO", "1", 1);
    setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "0", 1);

    // espeak-ng speaks about 170 words a minute at its default rate.
    const auto turns = bench::MakeDialogue(static_cast<long>(minutes * 170), {"Head", "Narrator"});
    const std::string script = (dir / "script.txt").string(), plain = (dir / "plain.txt").string();
    std::ofstream(script) << bench::ScriptOf(turns);
    std::ofstream(plain) << bench::PlainTextOf(turns);

    int status = 0;
    double espeak = 0;
    for (int pass = 0; pass < 2; ++pass) {
        espeak += Timed({"espeak-ng", "-w", (dir / "espeak.wav").string(), "-f", plain}, &status);
        if (status != 0) {
            std::fprintf(stderr, "bench_pipeline_run: espeak-ng failed (is it installed?)\n");
            return 1;
        }
    }
    const double cold = Timed({LIPSMITH_PROGRAM, "run", script, "--wave", (dir / "cold.wav").string()}, &status);
    if (status != 0) {
        std::fprintf(stderr, "bench_pipeline_run: lipsmith run failed with status %d\n", status);
        return 1;
    }
    const double warm = Timed({LIPSMITH_PROGRAM, "run", script, "--wave", (dir / "warm.wav").string()}, &status);
    StopServer(runtime);

    std::printf("lipsmith run with scratch track vs two espeak-ng -w runs (real speech server, espeak-ng)\n");
    std::printf("  script: %zu turns of two actors, %.1f minutes of audio (espeak-ng: %.1f minutes)\n", turns.size(),
                AudioSeconds((dir / "warm.wav").string()) / 60.0, AudioSeconds((dir / "espeak.wav").string()) / 60.0);
    std::printf("  %-34s %8.2f s\n", "espeak-ng -w, two runs", espeak);
    std::printf("  %-34s %8.2f s   ratio %.2f (target <= 1.5)\n", "lipsmith run, server starting", cold, cold / espeak);
    std::printf("  %-34s %8.2f s   ratio %.2f\n", "lipsmith run, server running", warm, warm / espeak);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
