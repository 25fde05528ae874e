// The batch runner with a stand-in program: a shell script that answers the
// few commands these tests give it.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "BatchRunner.h"
#include "Summary.h"

namespace lipsmith::batch {
namespace {

namespace fs = std::filesystem;

// run IN --save OUT: copies IN to OUT; a missing IN fails as lipsmith does.
// fail IN --save OUT: writes OUT, then an error line, and ends with status 1.
// meet A B: writes its runtime folder into A, then waits for B (it ends only
// when another item runs beside it). hang MARK: leaves MARK and waits until
// stopped.
constexpr const char* kStandIn = R"(#!/bin/sh
cmd=$1; shift
case $cmd in
run)
  [ -f "$1" ] || { echo "lipsmith: warning: a warning first" >&2; echo "lipsmith: cannot read '$1'" >&2; exit 2; }
  cp "$1" "$3" ;;
fail)
  [ -n "$3" ] && echo partial > "$3"
  echo "Parsing..."; echo "Error: scripted failure"; exit 1 ;;
meet)
  echo "$LIPSMITH_RUNTIME_DIR" > "$1"; n=0
  while [ ! -e "$2" ]; do n=$((n+1)); [ $n -gt 3000 ] && exit 3; sleep 0.01; done ;;
hang)
  trap 'exit 130' INT
  : > "$1"; n=0
  while [ $n -lt 6000 ]; do n=$((n+1)); sleep 0.01; done; exit 4 ;;
esac
)";

class Runner : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lipsmith-runner-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir = pattern;
        options.program = dir + "/stand-in";
        std::ofstream(options.program) << kStandIn;
        ::chmod(options.program.c_str(), 0755);
        options.commandAvailable = [](const std::string& c) { return c != "align"; };
        // The runner's own folders go to a temporary directory of this test.
        const char* tmp = std::getenv("TMPDIR");
        if (tmp) oldTmp = tmp;
        fs::create_directory(dir + "/tmp");
        ::setenv("TMPDIR", (dir + "/tmp").c_str(), 1);
    }
    void TearDown() override {
        if (oldTmp) ::setenv("TMPDIR", oldTmp->c_str(), 1);
        else ::unsetenv("TMPDIR");
        fs::remove_all(dir);
    }
    void Write(const std::string& name, const std::string& text) { std::ofstream(dir + "/" + name) << text; }
    BatchResult Run(const std::string& manifestText) {
        manifest = ParseManifest(manifestText, dir);
        return RunManifest(manifest, options);
    }
    std::vector<ItemStatus> Statuses(const BatchResult& r) {
        std::vector<ItemStatus> s;
        for (const ItemResult& i : r.items) s.push_back(i.status);
        return s;
    }
    std::string dir;
    std::optional<std::string> oldTmp;
    RunnerOptions options;
    Manifest manifest;
};

TEST_F(Runner, AFailedItemNeverStopsTheOthersAndIsRunAgain) {
    Write("a.txt", "a");
    Write("b.txt", "b");
    const std::string text =
        "run a.txt --save a.out\n"
        "fail a.txt --save f.out\n"
        "run missing.txt --save m.out\n"
        "align take.wav --save t.out\n"
        "run 'unclosed\n"
        "run b.txt --save b.out\n";
    options.jobs = 2;
    const BatchResult first = Run(text);
    using S = ItemStatus;
    EXPECT_EQ(Statuses(first), (std::vector<S>{S::Ok, S::Failed, S::Failed, S::Failed, S::Failed, S::Ok}));
    EXPECT_EQ(first.items[1].firstError, "Error: scripted failure");
    EXPECT_EQ(first.items[1].exitCode, 1);
    EXPECT_EQ(first.items[2].firstError, "lipsmith: cannot read 'missing.txt'");
    EXPECT_EQ(first.items[3].firstError, "align is not available in this build");
    EXPECT_EQ(first.items[4].firstError, "line 5: a ' quote is not closed");
    EXPECT_FALSE(first.stopped);

    // The second batch skips what is done and tries the failures again.
    const BatchResult second = Run(text);
    EXPECT_EQ(Statuses(second), (std::vector<S>{S::Skipped, S::Failed, S::Failed, S::Failed, S::Failed, S::Skipped}));
    Write("a.txt", "changed");  // newer than its output now? same second: make it so
    fs::last_write_time(dir + "/a.txt", fs::last_write_time(dir + "/a.out") + std::chrono::seconds(1));
    EXPECT_EQ(Run(text).items[0].status, S::Ok);

    const std::string table = SummaryTable(manifest, second);
    EXPECT_NE(table.find("\n2: fail a.txt         failed  "), std::string::npos) << table;
    EXPECT_NE(table.find("6 items: 0 ok, 2 skipped, 4 failed, 0 stopped, 0 not run;"), std::string::npos) << table;
    EXPECT_TRUE(fs::is_empty(dir + "/tmp"));  // the runner's own folders are gone
}

TEST_F(Runner, JobsRunAtOnceEachWithItsOwnRuntimeFolder) {
    options.jobs = 2;
    const BatchResult r = Run("meet one two\nmeet two one\n");
    for (const ItemResult& i : r.items) EXPECT_EQ(i.status, ItemStatus::Ok) << i.firstError;
    std::string w1, w2;
    std::getline(std::ifstream(dir + "/one"), w1);
    std::getline(std::ifstream(dir + "/two"), w2);
    EXPECT_NE(w1, w2);
    EXPECT_EQ(fs::path(w1).parent_path().parent_path(), dir + "/tmp");
    EXPECT_TRUE(fs::is_empty(dir + "/tmp"));  // removed at the end
}

TEST_F(Runner, WorkersLiveInTmpWhenTheTemporaryDirectoryIsTooDeepForSockets) {
    const std::string deep = dir + "/tmp/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    fs::create_directories(deep);
    ::setenv("TMPDIR", deep.c_str(), 1);
    options.jobs = 2;
    Run("meet one two\nmeet two one\n");
    std::string w;
    std::getline(std::ifstream(dir + "/one"), w);
    EXPECT_EQ(w.rfind("/tmp/lipsmith-batch-", 0), 0u) << w;
    EXPECT_FALSE(fs::exists(w));
}

TEST_F(Runner, LogsAreKeptWhenAsked) {
    options.logDir = dir + "/logs";
    Run("fail\n");
    std::ifstream out(dir + "/logs/line-1.out");
    std::stringstream text;
    text << out.rdbuf();
    EXPECT_EQ(text.str(), "Parsing...\nError: scripted failure\n");
    EXPECT_TRUE(fs::exists(dir + "/logs/line-1.err"));
}

TEST_F(Runner, AStopSignalStopsRunningItemsAndStartsNoMore) {
    // The signal waits, blocked, for the runner; this thread and the helper
    // both block it so it never takes its default action.
    sigset_t intSet, old;
    sigemptyset(&intSet);
    sigaddset(&intSet, SIGINT);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &intSet, &old), 0);
    std::atomic<bool> quit{false};
    std::thread stopper([&] {
        while (!quit && !fs::exists(dir + "/hanging")) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!quit) ::kill(::getpid(), SIGINT);
    });
    std::size_t reported = 0;
    bool told = false;
    options.onItemDone = [&](std::size_t, const ItemResult&) { ++reported; };
    options.onStopRequested = [&] { told = true; };
    options.jobs = 1;
    const BatchResult r = Run("hang hanging --save h.out\nfail\nfail\n");
    quit = true;
    stopper.join();
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);

    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(told);
    using S = ItemStatus;
    EXPECT_EQ(Statuses(r), (std::vector<S>{S::Stopped, S::NotRun, S::NotRun}));
    EXPECT_EQ(r.items[0].exitCode, 130);
    EXPECT_EQ(reported, 1u);
    EXPECT_NE(SummaryTable(manifest, r).find("3 items: 0 ok, 0 skipped, 0 failed, 1 stopped, 2 not run;"),
              std::string::npos);
}

TEST(FirstError, PicksTheLineThatSaysWhy) {
    EXPECT_EQ(FirstError("", "\nlipsmith: warning: w\n  Lipsmith: box text \n", 1, 0), "Lipsmith: box text");
    EXPECT_EQ(FirstError("Start\nError (row 2): bad\nError: later\n", "", 1, 0), "Error (row 2): bad");
    EXPECT_EQ(FirstError("fine\n", "", 3, 0), "exit status 3");
    EXPECT_NE(FirstError("", "", -1, SIGKILL).find("signal 9"), std::string::npos);
}

}  // namespace
}  // namespace lipsmith::batch
