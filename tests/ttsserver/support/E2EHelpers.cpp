#include "E2EHelpers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace lipsmith::testing {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
    auto argv = Argv(args);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t StartProgram(const std::vector<std::string>& args, int* stdoutFd) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    auto argv = Argv(args);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    *stdoutFd = out[0];
    return pid;
}

std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return {};
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
        char c;
        if (read(fd, &c, 1) != 1) return {};
        if (c == '\n') return line;
        line += c;
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

pid_t ServerPid(const std::string& runtimeDir) {
    const std::string lock = runtimeDir + "/lipsmith-tts.lock";
    // Only a held lock names a living server.
    const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    if (!held) return 0;
    return static_cast<pid_t>(std::atol(ReadFile(lock).c_str()));
}

bool ProcessAlive(pid_t pid) { return pid > 0 && kill(pid, 0) == 0; }

void StopServer(const std::string& runtimeDir) {
    const pid_t pid = ServerPid(runtimeDir);
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 500 && ServerPid(runtimeDir) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace lipsmith::testing
