// Several `lipsmith run`s at once through one real speech server: each run
// gets its own speech, keys and recording, the same as when it runs alone;
// and a run whose output is read to its end is not held up by the server it
// started.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <thread>

#include "E2ESupport.h"
#include "Riff.h"

extern char** environ;

namespace lipsmith::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// What a run produced, reduced to what must not depend on other runs.
struct Result {
    int status = -1;
    std::string log;
    std::vector<std::string> notes;  // every note of every controller, in file order
    std::vector<long> keyTimes;      // every key time, in file order
    double waveSeconds = -1;
};

Result Collect(int status, const std::string& log, const std::string& keysPath, const std::string& wavePath) {
    Result r;
    r.status = status;
    r.log = log;
    const std::string keys = ReadFile(keysPath);
    const std::regex note(R"re("text": *"([^"]*)")re"), key(R"re("t": *(-?[0-9]+), *"v")re");
    for (std::sregex_iterator it(keys.begin(), keys.end(), note), end; it != end; ++it) r.notes.push_back((*it)[1]);
    for (std::sregex_iterator it(keys.begin(), keys.end(), key), end; it != end; ++it)
        r.keyTimes.push_back(std::stol((*it)[1]));
    WaveInfo info;
    if (ReadWaveInfo(wavePath, info) && info.format.avgBytesPerSec > 0)
        r.waveSeconds = static_cast<double>(info.dataSize) / info.format.avgBytesPerSec;
    return r;
}

int Wait(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SharedServer : public EndToEnd {
protected:
    // `count` runs of the same script at once, each with its own outputs.
    std::vector<Result> RunTogether(const std::string& script, int count, const std::string& tag) {
        std::vector<ProgramRun> runs(count);
        std::vector<std::thread> threads;
        for (int i = 0; i < count; ++i) {
            threads.emplace_back([&, i] {
                const std::string base = Path(tag + std::to_string(i));
                runs[i] = Lipsmith({"run", script, "--wave", base + ".wav", "--keys", base + ".json"});
            });
        }
        for (std::thread& t : threads) t.join();
        std::vector<Result> results;
        for (int i = 0; i < count; ++i) {
            const std::string base = Path(tag + std::to_string(i));
            results.push_back(Collect(runs[i].status, runs[i].out + runs[i].err, base + ".json", base + ".wav"));
        }
        return results;
    }
};

// The voice varies a little from run to run (a few milliseconds over a
// phrase); runs that got each other's speech differ by whole seconds.
void ExpectSameAs(const Result& alone, const Result& r, const std::string& which) {
    SCOPED_TRACE(which);
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_NE(r.log.find(": 0 Errors, 0 warnings ]---"), std::string::npos) << r.log;
    EXPECT_EQ(r.notes, alone.notes);
    ASSERT_EQ(r.keyTimes.size(), alone.keyTimes.size());
    for (std::size_t i = 0; i < r.keyTimes.size(); ++i) {
        ASSERT_NEAR(r.keyTimes[i], alone.keyTimes[i], 160 + std::abs(alone.keyTimes[i]) * 0.02) << "key " << i;
    }
    EXPECT_NEAR(r.waveSeconds, alone.waveSeconds, 0.05 + alone.waveSeconds * 0.02);
}

TEST_F(SharedServer, RunsAtOnceGetTheKeysAndRecordingsTheyGetAlone) {
    const std::string script = Script(
        "two.txt",
        AnimScript({{"Head", "Hello there, how are you today? <eyes blink=\"true\" repeat=\"2\" offset=\"100\" "
                             "value=\"1.0\" duration=\"120\" side=\"both\"/> I am fine, thank you."},
                    {"Narrator", "And so the two of them went on talking <silence msec=\"300\"/> for a while."}}));
    const std::vector<Result> alone = RunTogether(script, 1, "alone");
    ASSERT_EQ(alone[0].status, 0) << alone[0].log;
    ASSERT_GT(alone[0].waveSeconds, 3.0);
    ASSERT_GT(alone[0].notes.size(), 100u);
    for (int count : {4, 8}) {
        const std::vector<Result> together = RunTogether(script, count, "x" + std::to_string(count) + "_");
        for (int i = 0; i < count; ++i)
            ExpectSameAs(alone[0], together[i], std::to_string(i + 1) + " of " + std::to_string(count));
    }
}

TEST_F(SharedServer, ReadingARunsOutputToItsEndDoesNotWaitForTheServer) {
    // A server started by this run, which then idles for a minute.
    StopSpeechServer();
    ::setenv("LIPSMITH_TTS_IDLE_MS", "60000", 1);
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    const std::string script = Script("short.txt", AnimScript({{"Head", "Hi."}}));
    std::vector<std::string> args = {LIPSMITH_PROGRAM, "run", script, "--wave", Path("o.wav")};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::setenv("LIPSMITH_TTS_IDLE_MS", "2000", 1);
    ::close(pipeFds[1]);

    // `x=$(lipsmith run ... 2>&1)`: read until the end of the output.
    std::string out;
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    for (;;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (::poll(&p, 1, 1000) < 0 || Clock::now() > deadline) break;
        char buf[4096];
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n == 0) break;
        if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    EXPECT_EQ(Wait(pid), 0) << out;
    // The end came while the server still serves, so it was not the server's exit.
    const std::string lock = RuntimeDir() + "/lipsmith-tts.lock";
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_NE(::flock(fd, LOCK_SH | LOCK_NB), 0) << "the server had ended";
    ::close(fd);
    EXPECT_NE(out.find(": 0 Errors, 0 warnings ]---"), std::string::npos) << out;
    StopSpeechServer();
}

}  // namespace
}  // namespace lipsmith::e2e
