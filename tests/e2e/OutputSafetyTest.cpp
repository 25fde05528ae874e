// What `lipsmith run` does to the files it writes when things go wrong: output
// paths that are not files, read-only outputs, runs and servers killed or
// stopped part way, re-runs into an existing recording, a broken server
// registration. Real processes throughout.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

#include "E2ESupport.h"
#include "Riff.h"

namespace lipsmith::e2e {
namespace {

namespace fs = std::filesystem;

// About a minute of speech: each pass takes long enough to act in.
std::string LongText() {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "This line of speech goes on for a while so that recording it takes time. ";
    return text;
}

// A whole wave file: its chunks read and its samples all there.
bool WholeWave(const std::string& path) {
    WaveInfo info;
    std::error_code ec;
    return ReadWaveInfo(path, info) && info.dataOffset + info.dataSize <= fs::file_size(path, ec);
}

// A node that is not a regular file, made in the test's own folder so that a
// writer that wrongly replaced it could harm nothing else: a device node where
// the test may make one, else a Unix socket.
bool MakeSpecialFile(const std::string& path) {
    if (::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) == 0) return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool made = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

std::string WaveData(const std::string& path) {
    WaveInfo info;
    if (!ReadWaveInfo(path, info)) return {};
    return ReadFile(path).substr(static_cast<std::size_t>(info.dataOffset), info.dataSize);
}

class OutputSafety : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        longScript = Script("long.txt", AnimScript({{"Head", LongText()}}));
        shortScript = Script("short.txt", AnimScript({{"Head", "Yes, that is right."}}));
    }
    // Temporary files beside out.wav, of any process.
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> found;
        for (const std::string& name : FilesIn(dir)) {
            if (name.rfind("out.wav.tmp-", 0) == 0) found.push_back(name);
        }
        return found;
    }
    // The server has begun to record: its file beside out.wav is there.
    bool Recording() const {
        static const std::regex mergeTemporary(R"(out\.wav\.tmp-[0-9]+-[0-9]+)");
        for (const std::string& name : FilesIn(dir)) {
            if (name.rfind("out.wav.", 0) == 0 && !std::regex_match(name, mergeTemporary)) return true;
        }
        return false;
    }
    RunningProgram Start(std::vector<std::string> args) {
        args.insert(args.begin(), LIPSMITH_PROGRAM);
        return StartProgram(args);
    }
    // The first recording, as later runs find it.
    std::string FirstRecording() {
        const ProgramRun r = Lipsmith({"run", shortScript, "--wave", Path("out.wav")});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return ReadFile(Path("out.wav"));
    }

    std::string longScript, shortScript;
};

TEST_F(OutputSafety, OutputsThatAreNotWritableFilesAreRefusedUntouched) {
    fs::create_directory(Path("folder"));
    WriteFile(Path("folder/inside.txt"), "kept");
    ASSERT_TRUE(MakeSpecialFile(Path("device")));
    const std::string old = FirstRecording();
    fs::permissions(Path("out.wav"), fs::perms::owner_read | fs::perms::group_read);
    const struct {
        std::vector<std::string> args;
        std::string message;
        int status;
    } cases[] = {
        {{"run", shortScript, "--wave", Path("folder")}, "--wave: cannot write '" + Path("folder") + "': it is a folder",
         2},
        {{"run", shortScript, "--wave", Path("device")},
         "--wave: cannot write '" + Path("device") + "': it is not a regular file (a device, pipe or socket)", 2},
        {{"run", shortScript, "--wave", Path("out.wav")},
         "--wave: cannot write '" + Path("out.wav") + "': it is read-only", 2},
        {{"run", shortScript, "--wave", Path("w.wav"), "--save", Path("folder")}, "--save: cannot write", 2},
        {{"run", shortScript, "--wave", Path("w.wav"), "--keys", Path("device")}, "--keys: cannot write", 2},
        {{"run", shortScript, "--wave", Path("w.wav"), "--save", shortScript}, "--save would overwrite the script",
         2},
        {{"new-scene", Path("folder")}, "Cannot save the scene to '" + Path("folder") + "': it is a folder.", 1},
        {{"map-default", Path("device")}, "cannot write '" + Path("device") + "': it is not a regular file", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        const ProgramRun run = Lipsmith(c.args);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("Parsing started"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(ReadFile(Path("folder/inside.txt")), "kept");
    EXPECT_FALSE(fs::is_regular_file(Path("device")));
    EXPECT_EQ(ReadFile(Path("out.wav")), old);
    EXPECT_EQ(fs::status(Path("out.wav")).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"device", "folder", "long.txt", "out.wav", "short.txt"}));
}

TEST_F(OutputSafety, KillingTheProgramDuringTheWavePassLeavesThePreviousRecording) {
    for (bool undo : {false, true}) {
        SCOPED_TRACE(undo ? "with undo" : "without undo");
        const std::string old = FirstRecording();
        const std::size_t oldData = WaveData(Path("out.wav")).size();
        std::vector<std::string> args{"run", longScript, "--wave", Path("out.wav")};
        if (undo) args.push_back("--undo");
        RunningProgram run = Start(args);
        ASSERT_TRUE(WaitWhileRunning(run, [&] { return Recording(); })) << "the run ended before its wave pass";
        kill(run.pid, SIGKILL);
        FinishProgram(run);
        EXPECT_EQ(ReadFile(Path("out.wav")), old);
        // Whatever the server still does for the dead client settles before the next run.
        StopSpeechServer();
        EXPECT_EQ(ReadFile(Path("out.wav")), old);

        const std::vector<std::string> left = Temporaries();
        const ProgramRun next = Lipsmith({"run", shortScript, "--wave", Path("out.wav"), "--insert"});
        ASSERT_EQ(next.status, 0) << next.out << next.err;
        for (const std::string& name : left) {
            EXPECT_NE(next.out.find("Removed '" + Path(name) + "', left behind by an interrupted run.\n"),
                      std::string::npos)
                << next.out;
        }
        EXPECT_TRUE(Temporaries().empty());
        EXPECT_TRUE(WholeWave(Path("out.wav")));
        EXPECT_GT(WaveData(Path("out.wav")).size(), oldData * 3 / 2);
        for (const std::string& name : FilesIn(dir)) {
            if (name.rfind("sndUndo_", 0) == 0) fs::remove(Path(name));
        }
        fs::remove(Path("out.wav"));
    }
}

TEST_F(OutputSafety, KillingTheServerDuringTheWavePassIsAnErrorAndLeavesNothingBehind) {
    const std::string old = FirstRecording();
    RunningProgram run = Start({"run", longScript, "--wave", Path("out.wav"), "--keys", Path("keys.json")});
    ASSERT_TRUE(WaitWhileRunning(run, [&] { return Recording(); })) << "the run ended before its wave pass";
    const int server = SpeechServerPid();
    ASSERT_GT(server, 0);
    kill(server, SIGKILL);
    const ProgramRun ended = FinishProgram(run);
    EXPECT_EQ(ended.status, 1) << ended.out << ended.err;
    EXPECT_NE(ended.out.find("Error: The speech could not be recorded into the wave output file '" + Path("out.wav")),
              std::string::npos)
        << ended.out;
    EXPECT_EQ(ended.out.find("Synchronizing"), std::string::npos);
    EXPECT_EQ(ReadFile(Path("out.wav")), old);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"keys.json", "long.txt", "out.wav", "short.txt"}));
    // The keys pass was whole: its keys are saved.
    EXPECT_NE(ReadFile(Path("keys.json")).find("{\"t\": "), std::string::npos);
}

TEST_F(OutputSafety, KillingTheProgramDuringTheMergeLeavesAWholeRecording) {
    // A long previous recording, so that the merge takes a while.
    const std::string old = FirstRecording();
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(Path("out.wav"), info));
    std::string big = old.substr(0, static_cast<std::size_t>(info.dataOffset));
    const std::size_t bytes = 60'000'000;
    const std::uint32_t size = static_cast<std::uint32_t>(bytes);
    std::memcpy(&big[static_cast<std::size_t>(info.dataOffset) - 4], &size, 4);
    const std::uint32_t riff = static_cast<std::uint32_t>(info.dataOffset - 8 + bytes);
    std::memcpy(&big[4], &riff, 4);
    big.append(bytes, '\1');
    WriteFile(Path("out.wav"), big);
    ASSERT_TRUE(WholeWave(Path("out.wav")));

    RunningProgram run = Start({"run", shortScript, "--wave", Path("out.wav"), "--insert"});
    const std::regex mergeTemporary(R"(out\.wav\.tmp-[0-9]+-[0-9]+)");
    const bool caught = WaitWhileRunning(run, [&] {
        for (const std::string& name : Temporaries()) {
            if (std::regex_match(name, mergeTemporary)) return true;
        }
        return false;
    });
    if (caught) kill(run.pid, SIGKILL);
    const ProgramRun ended = FinishProgram(run);
    if (!caught) GTEST_SKIP() << "the merge ended before it could be interrupted: " << ended.out;
    // The old recording or the whole merged one, never anything between.
    const std::uint64_t dataNow = WaveData(Path("out.wav")).size();
    EXPECT_TRUE(WholeWave(Path("out.wav")));
    EXPECT_TRUE(dataNow == bytes || dataNow > bytes + 4410) << dataNow;
    if (dataNow == bytes) {
        EXPECT_EQ(ReadFile(Path("out.wav")), big);
    }

    const std::vector<std::string> left = Temporaries();
    const ProgramRun next = Lipsmith({"run", shortScript, "--wave", Path("out.wav"), "--fresh-wave"});
    ASSERT_EQ(next.status, 0) << next.out << next.err;
    for (const std::string& name : left) {
        EXPECT_NE(next.out.find("Removed '" + Path(name) + "', left behind by an interrupted run.\n"), std::string::npos)
            << next.out;
    }
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(OutputSafety, AStoppedRunExitsOneAndSavesNothing) {
    const std::string old = FirstRecording();
    WriteFile(Path("scene.lsc"), "previous scene");
    WriteFile(Path("keys.json"), "previous keys");
    const std::vector<std::string> args{"run",  longScript,         "--wave", Path("out.wav"),
                                        "--save", Path("scene.lsc"), "--keys", Path("keys.json")};
    // Ctrl+C in the keys pass, then in the wave pass.
    for (bool inWavePass : {false, true}) {
        SCOPED_TRACE(inWavePass ? "wave pass" : "keys pass");
        RunningProgram run = Start(args);
        ASSERT_TRUE(WaitWhileRunning(run, [&] {
            return inWavePass ? Recording() : ReadFile(run.outPath).find("+++ Adding keys") != std::string::npos;
        }));
        kill(run.pid, SIGINT);
        const ProgramRun ended = FinishProgram(run);
        EXPECT_EQ(ended.status, 1) << ended.out << ended.err;
        EXPECT_NE(ended.out.find("Parsing stopped by user.\n"), std::string::npos) << ended.out;
        EXPECT_NE(ended.err.find("lipsmith: the run did not finish; nothing was saved ('" + Path("scene.lsc") +
                                 "', '" + Path("keys.json") + "' left as they were)"),
                  std::string::npos)
            << ended.err;
        EXPECT_EQ(ReadFile(Path("scene.lsc")), "previous scene");
        EXPECT_EQ(ReadFile(Path("keys.json")), "previous keys");
        EXPECT_EQ(ReadFile(Path("out.wav")), old);
        EXPECT_TRUE(Temporaries().empty());
    }
}

TEST_F(OutputSafety, ReRunsSayTheyMergedAndAFreshRunStartsFromEmpty) {
    FirstRecording();
    const std::string single = WaveData(Path("out.wav"));
    const ProgramRun merged = Lipsmith({"run", shortScript, "--wave", Path("out.wav"), "--insert"});
    ASSERT_EQ(merged.status, 0) << merged.out << merged.err;
    EXPECT_TRUE(std::regex_search(merged.out, std::regex("\nMerged the new recording \\([0-9.]+ s\\) into the previous "
                                                         "wave output \\([0-9.]+ s\\) at 0.00 s, inserted \\(Insert "
                                                         "mode\\). The wave output now holds [0-9.]+ s.\n")))
        << merged.out;
    EXPECT_GT(WaveData(Path("out.wav")).size(), single.size() * 3 / 2);

    const ProgramRun fresh = Lipsmith({"run", shortScript, "--wave", Path("out.wav"), "--fresh-wave"});
    ASSERT_EQ(fresh.status, 0) << fresh.out << fresh.err;
    EXPECT_NE(fresh.out.find("The previous wave output was not merged: the new recording replaces it.\n"),
              std::string::npos)
        << fresh.out;
    EXPECT_NEAR(static_cast<double>(WaveData(Path("out.wav")).size()), static_cast<double>(single.size()),
                single.size() * 0.1);
}

TEST_F(OutputSafety, ABrokenServerRegistrationIsRepairedOnceAndSaysSo) {
    // A registry of this test's own, so the repair is seen here only.
    const std::string registry = Path("registry");
    const std::string saved = std::getenv("LIPSMITH_REGISTRY");
    ::setenv("LIPSMITH_REGISTRY", registry.c_str(), 1);
    ASSERT_EQ(RunProgram({LIPSMITH_TTS_PROGRAM, "-RegServer"}).status, 0);
    const std::string proper = ReadFile(registry);
    fs::create_directory(Path("folder"));
    const struct {
        std::string program, problem;
    } broken[] = {
        {"/bin/true", "'/bin/true' is not the Lipsmith speech server (Lipsmith_TTS)"},
        {Path("folder"), "'" + Path("folder") + "' is a folder, not a program"},
        {Path("gone/Lipsmith_TTS"), "'" + Path("gone/Lipsmith_TTS") + "' does not exist"},
    };
    for (const auto& b : broken) {
        SCOPED_TRACE(b.program);
        std::string text = proper;
        const std::string entry = std::string("@=\"") + LIPSMITH_TTS_PROGRAM + "\"";
        const std::size_t at = text.find(entry);
        ASSERT_NE(at, std::string::npos) << text;
        text.replace(at, entry.size(), "@=\"" + b.program + "\"");
        WriteFile(registry, text);
        const ProgramRun run = Lipsmith({"run", shortScript, "--wave", Path("out.wav")});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.err.find("lipsmith: the registered speech server " + b.problem +
                               "; registered the speech server '" + LIPSMITH_TTS_PROGRAM + "' instead\n"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("reinstall"), std::string::npos) << run.err;
        EXPECT_NE(ReadFile(registry).find(std::string("LocalServer32]\n@=\"") + LIPSMITH_TTS_PROGRAM + "\""),
                  std::string::npos);
        const ProgramRun again = Lipsmith({"run", shortScript, "--wave", Path("out.wav")});
        EXPECT_EQ(again.err, "");
    }
    ::setenv("LIPSMITH_REGISTRY", saved.c_str(), 1);
}

// A wave output in a folder the user cannot write to: nothing can be
// recorded, so nothing may be fitted to the old file there.
TEST_F(OutputSafety, AWaveOutputInAReadOnlyFolderIsRefused) {
    const std::string old = FirstRecording();
    const std::string base = dir + "/user";
    fs::create_directories(base + "/ro");
    fs::create_directories(base + "/run");
    fs::copy_file(Path("out.wav"), base + "/ro/w.wav");
    fs::copy_file(shortScript, base + "/short.txt");
    std::vector<std::string> args;
    if (::geteuid() == 0) {
        // As root every folder is writable: run as an ordinary user.
        if (!fs::exists("/usr/bin/setpriv") || ::system("id nobody >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "needs setpriv and the user nobody";
        }
        fs::permissions(dir, fs::perms::all);
        fs::permissions(ProcessDir(), fs::perms::others_exec, fs::perm_options::add);
        ASSERT_EQ(::system(("chown -R nobody '" + base + "'").c_str()), 0);
        args = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "/usr/bin/env"};
    } else {
        args = {"/usr/bin/env"};
    }
    fs::permissions(base + "/ro", fs::perms::owner_read | fs::perms::owner_exec);
    for (const std::string& e : {"LIPSMITH_REGISTRY=" + base + "/registry", "LIPSMITH_RUNTIME_DIR=" + base + "/run",
                                 "HOME=" + base}) {
        args.push_back(e);
    }
    for (const std::string& a : {std::string(LIPSMITH_PROGRAM), std::string("run"), base + "/short.txt",
                                 std::string("--wave"), base + "/ro/w.wav"}) {
        args.push_back(a);
    }
    const ProgramRun run = RunProgram(args);
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_NE(run.err.find("--wave: cannot write '" + base + "/ro/w.wav': the folder '" + base +
                           "/ro' cannot be written to (Permission denied)"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out.find("Animation adjusted"), std::string::npos) << run.out;
    EXPECT_EQ(ReadFile(base + "/ro/w.wav"), old);
    fs::permissions(base + "/ro", fs::perms::owner_all);
}

}  // namespace
}  // namespace lipsmith::e2e
