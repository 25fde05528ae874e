#include "E2ESupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace lipsmith::e2e {

namespace {

std::string& ProcessDirStorage() {
    static std::string dir;
    return dir;
}

}  // namespace

const std::string& ProcessDir() { return ProcessDirStorage(); }
std::string RuntimeDir() { return ProcessDir() + "/run"; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

RunningProgram StartProgram(const std::vector<std::string>& args) {
    RunningProgram program;
    static std::atomic<int> counter{0};  // runs may go at the same time
    const std::string base = ProcessDir() + "/capture" + std::to_string(counter++);
    program.outPath = base + ".out";
    program.errPath = base + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, program.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, program.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == 0) program.pid = pid;
    return program;
}

ProgramRun FinishProgram(RunningProgram& program, int limitSeconds) {
    ProgramRun run;
    if (program.pid > 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(program.pid, &status, WNOHANG);
            if (done == program.pid) {
                run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (std::chrono::steady_clock::now() > end) {
                kill(program.pid, SIGKILL);
                waitpid(program.pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        program.pid = -1;
    }
    run.out = ReadFile(program.outPath);
    run.err = ReadFile(program.errPath);
    std::remove(program.outPath.c_str());
    std::remove(program.errPath.c_str());
    return run;
}

bool WaitWhileRunning(const RunningProgram& program, const std::function<bool()>& ready) {
    for (;;) {
        if (ready()) return true;
        siginfo_t info{};
        // Looks without reaping, so FinishProgram still gets the status.
        if (program.pid <= 0 || waitid(P_PID, static_cast<id_t>(program.pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            info.si_pid == program.pid) {
            return ready();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

ProgramRun RunProgram(const std::vector<std::string>& args, int limitSeconds) {
    RunningProgram program = StartProgram(args);
    return FinishProgram(program, limitSeconds);
}

int SpeechServerPid() {
    const std::string lock = RuntimeDir() + "/lipsmith-tts.lock";
    const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    // Only a lock that someone holds names a living server.
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    if (!held) return -1;
    const pid_t pid = static_cast<pid_t>(std::atol(ReadFile(lock).c_str()));
    return pid > 0 ? pid : -1;
}

void StopSpeechServer() {
    const int pid = SpeechServerPid();
    if (pid <= 0 || kill(pid, SIGTERM) != 0) return;
    const std::string lock = RuntimeDir() + "/lipsmith-tts.lock";
    // Gone once it lets go of the lock (its parent may reap it much later).
    for (int i = 0; i < 500; ++i) {
        const int again = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
        const bool stillHeld = again >= 0 && flock(again, LOCK_SH | LOCK_NB) != 0;
        if (again >= 0) close(again);
        if (!stillHeld) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void EndToEnd::SetUp() {
    dir = ProcessDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::create_directories(dir);
}

// The server stays for the next test of this process; main stops it.
void EndToEnd::TearDown() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

std::string EndToEnd::Script(const std::string& name, const std::string& text) {
    WriteFile(Path(name), text);
    return Path(name);
}

ProgramRun EndToEnd::Lipsmith(std::vector<std::string> args) {
    args.insert(args.begin(), LIPSMITH_PROGRAM);
    return RunProgram(args);
}

std::string AnimScript(const std::vector<std::pair<std::string, std::string>>& actors) {
    std::string s = "<_ANIM_>\n";
    for (const auto& [node, text] : actors) s += "<actor node=\"" + node + "\">" + text + "</actor>\n";
    return s + "</_ANIM_>\n";
}

}  // namespace lipsmith::e2e

// A folder, registry store and runtime folder for this process, made before
// anything reads the environment.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string dir = ::testing::TempDir() + "lipsmith_e2e.XXXXXX";
    if (!::mkdtemp(dir.data())) return 1;
    lipsmith::e2e::ProcessDirStorage() = dir;
    std::filesystem::create_directories(lipsmith::e2e::RuntimeDir());
    ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", lipsmith::e2e::RuntimeDir().c_str(), 1);
    ::setenv("LIPSMITH_TTS_IDLE_MS", "2000", 1);
    ::setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "0", 1);
    ::setenv("LIPSMITH_PLUGIN_DIR", LIPSMITH_PLUGIN_FOLDER, 1);
    const int result = RUN_ALL_TESTS();
    lipsmith::e2e::StopSpeechServer();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}
