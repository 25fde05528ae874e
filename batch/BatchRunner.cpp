#include "BatchRunner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "ItemFiles.h"
#include "RuntimePaths.h"

extern char** environ;

namespace lipsmith::batch {
namespace {

using Clock = std::chrono::steady_clock;

struct Running {
    pid_t pid;
    std::size_t item;
    std::size_t worker;
    Clock::time_point start;
    std::string outPath, errPath;
};

extern "C" void IgnoreChild(int) {}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Trimmed(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    std::size_t lead = 0;
    while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t')) ++lead;
    return line.substr(lead);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(Trimmed(line));
    return lines;
}

// The environment of this process with the worker's runtime folder.
std::vector<std::string> WorkerEnvironment(const std::string& runtimeDir) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (std::strncmp(*e, "LIPSMITH_RUNTIME_DIR=", 21) != 0) env.emplace_back(*e);
    }
    env.push_back("LIPSMITH_RUNTIME_DIR=" + runtimeDir);
    return env;
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& words, const std::vector<std::string>& env,
            const std::string& folder, const Running& files, std::string* error) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, files.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, files.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);  // its own group: the terminal's Ctrl+C reaches the batch only
    sigset_t none, defaults;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigemptyset(&defaults);
    for (int s : {SIGINT, SIGTERM, SIGCHLD, SIGPIPE}) sigaddset(&defaults, s);
    posix_spawnattr_setsigdefault(&attr, &defaults);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        if (error) *error = "cannot start '" + program + "': " + std::strerror(rc);
        return -1;
    }
    return pid;
}

// Whether a server holds the lock file (only a held lock names a living server).
bool LockHeld(const std::string& lock) {
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// Ends the speech server of each worker's runtime folder and waits (a few
// seconds at most) until each has let go of its socket and lock, so the
// folders can be removed.
void StopServers(const std::vector<std::string>& runtimeDirs) {
    std::vector<std::string> locks;
    for (const std::string& dir : runtimeDirs) {
        const std::string lock = tts::LockPathIn(dir);
        if (!LockHeld(lock)) continue;
        const pid_t pid = static_cast<pid_t>(std::atol(ReadText(lock).c_str()));
        if (pid > 0 && ::kill(pid, SIGTERM) == 0) locks.push_back(lock);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (const std::string& lock : locks) {
        while (LockHeld(lock) && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A folder of the batch's own in the temporary directory ($TMPDIR, else
// /tmp), or in /tmp when the speech servers' socket paths would be too long
// for a Unix socket below $TMPDIR.
std::string MakeRoot(int jobs, std::string* error) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
    const std::size_t socketTail = std::string("/lipsmith-batch-XXXXXX/w").size() + std::to_string(jobs).size() +
                                   tts::SocketPathIn("").size();
    if (base.size() + socketTail >= sizeof(sockaddr_un{}.sun_path)) base = "/tmp";
    std::string dir = base + "/lipsmith-batch-XXXXXX";
    if (!::mkdtemp(dir.data())) {
        if (error) *error = "cannot make a working folder in '" + base + "': " + std::strerror(errno);
        return {};
    }
    return dir;
}

}  // namespace

const char* StatusName(ItemStatus status) {
    switch (status) {
        case ItemStatus::Ok: return "ok";
        case ItemStatus::Failed: return "failed";
        case ItemStatus::Skipped: return "skipped";
        case ItemStatus::Stopped: return "stopped";
        case ItemStatus::NotRun: return "not run";
    }
    return "?";
}

std::string FirstError(const std::string& out, const std::string& err, int exitCode, int signal) {
    for (const std::string& line : Lines(err)) {
        if (!line.empty() && line.find("warning:") == std::string::npos) return line;
    }
    for (const std::string& line : Lines(out)) {
        if (line.rfind("Error", 0) == 0) return line;
    }
    if (signal > 0) return "ended by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
    return "exit status " + std::to_string(exitCode);
}

BatchResult RunManifest(const Manifest& manifest, const RunnerOptions& options) {
    BatchResult result;
    const auto batchStart = Clock::now();
    result.items.resize(manifest.items.size());
    const int jobs = std::max(1, options.jobs);
    const std::string root = MakeRoot(jobs, &result.error);
    if (root.empty()) return result;
    std::string logDir;
    if (!options.logDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.logDir, ec);
        logDir = std::filesystem::absolute(options.logDir, ec).string();
    }

    std::vector<std::string> runtimeDirs;
    std::vector<std::size_t> freeWorkers;
    for (int w = 0; w < jobs; ++w) {
        runtimeDirs.push_back(root + "/w" + std::to_string(w));
        ::mkdir(runtimeDirs.back().c_str(), 0700);
    }
    // The worker freed last starts the next item: its speech server is warm.
    for (int w = jobs - 1; w >= 0; --w) freeWorkers.push_back(static_cast<std::size_t>(w));

    // The signals are taken by waiting for them, never by a handler running
    // at an arbitrary moment.
    sigset_t waitSet, oldMask;
    sigemptyset(&waitSet);
    for (int s : {SIGINT, SIGTERM, SIGCHLD}) sigaddset(&waitSet, s);
    ::pthread_sigmask(SIG_BLOCK, &waitSet, &oldMask);
    struct sigaction child {}, oldChild {};
    child.sa_handler = IgnoreChild;  // a handled SIGCHLD stays pending while blocked
    sigemptyset(&child.sa_mask);
    ::sigaction(SIGCHLD, &child, &oldChild);

    std::vector<Running> running;
    std::size_t next = 0;
    int stopLevel = 0;
    const auto done = [&](std::size_t index) {
        if (options.onItemDone) options.onItemDone(index, result.items[index]);
    };
    const auto startMore = [&] {
        while (stopLevel == 0 && !freeWorkers.empty() && next < manifest.items.size()) {
            const std::size_t index = next++;
            const ManifestItem& item = manifest.items[index];
            ItemResult& r = result.items[index];
            if (!item.error.empty()) {
                r.status = ItemStatus::Failed;
                r.firstError = "line " + std::to_string(item.line) + ": " + item.error;
                done(index);
                continue;
            }
            if (options.commandAvailable && !options.commandAvailable(item.words[0])) {
                r.status = ItemStatus::Failed;
                r.firstError = item.words[0] + " is not available in this build";
                done(index);
                continue;
            }
            if (UpToDate(FilesOf(item.words), manifest.folder)) {
                r.status = ItemStatus::Skipped;
                done(index);
                continue;
            }
            Running run{-1, index, freeWorkers.back(), Clock::now(), {}, {}};
            const std::string base = logDir.empty() ? runtimeDirs[run.worker] + "/item"
                                                    : logDir + "/line-" + std::to_string(item.line);
            run.outPath = base + ".out";
            run.errPath = base + ".err";
            std::string error;
            run.pid = Spawn(options.program, item.words, WorkerEnvironment(runtimeDirs[run.worker]), manifest.folder,
                            run, &error);
            if (run.pid < 0) {
                r.status = ItemStatus::Failed;
                r.firstError = error;
                done(index);
                continue;
            }
            freeWorkers.pop_back();
            running.push_back(run);
        }
    };
    const auto finish = [&](std::size_t at, int waitStatus) {
        const Running run = running[at];
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(at));
        freeWorkers.push_back(run.worker);
        ItemResult& r = result.items[run.item];
        r.seconds = std::chrono::duration<double>(Clock::now() - run.start).count();
        const int signal = WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
        r.exitCode = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
        r.status = r.exitCode == 0 ? ItemStatus::Ok : stopLevel > 0 ? ItemStatus::Stopped : ItemStatus::Failed;
        if (r.status != ItemStatus::Ok) {
            r.firstError = FirstError(ReadText(run.outPath), ReadText(run.errPath), r.exitCode, signal);
            MarkStale(FilesOf(manifest.items[run.item].words), manifest.folder);
        }
        if (logDir.empty()) {
            ::unlink(run.outPath.c_str());
            ::unlink(run.errPath.c_str());
        }
        done(run.item);
    };
    const auto takeSignal = [&](int sig) {
        if (sig != SIGINT && sig != SIGTERM) return;
        result.stopped = true;
        if (++stopLevel == 1 && options.onStopRequested) options.onStopRequested();
        for (const Running& run : running) ::kill(-run.pid, stopLevel == 1 ? SIGINT : SIGKILL);
    };

    startMore();
    while (!running.empty()) {
        const struct timespec turn = {1, 0};  // reaps even if a SIGCHLD got merged away
        takeSignal(::sigtimedwait(&waitSet, nullptr, &turn));
        for (;;) {
            int status = 0;
            const pid_t pid = ::waitpid(-1, &status, WNOHANG);
            if (pid <= 0) break;
            for (std::size_t i = 0; i < running.size(); ++i) {
                if (running[i].pid == pid) {
                    finish(i, status);
                    break;
                }
            }
        }
        startMore();
    }

    // Signals that came at the very end are taken here, not by default action.
    const struct timespec none = {0, 0};
    for (int sig; (sig = ::sigtimedwait(&waitSet, nullptr, &none)) > 0;) takeSignal(sig);
    ::sigaction(SIGCHLD, &oldChild, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);

    StopServers(runtimeDirs);
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    result.seconds = std::chrono::duration<double>(Clock::now() - batchStart).count();
    return result;
}

}  // namespace lipsmith::batch
