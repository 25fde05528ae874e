// End-to-end tests run the real lipsmith program and the real Lipsmith_TTS
// server with espeak-ng, each test process in a folder of its own with a
// private registry store and runtime folder, so they never meet the user's
// server or settings and can run beside other tests.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Interface.h"

namespace lipsmith::e2e {

struct ProgramRun {
    int status = -1;  // exit status; -1 when it did not end by itself in time
    std::string out, err;
};

// The folder of this test process (made by main) and its parts.
const std::string& ProcessDir();
std::string RuntimeDir();

// Runs a program with its standard output and error captured, killing it
// after `limitSeconds`.
ProgramRun RunProgram(const std::vector<std::string>& args, int limitSeconds = 120);

// The same in two steps, for tests that act while the program runs.
struct RunningProgram {
    int pid = -1;
    std::string outPath, errPath;
};
RunningProgram StartProgram(const std::vector<std::string>& args);
ProgramRun FinishProgram(RunningProgram& program, int limitSeconds = 120);
// Waits until `ready` holds; false when the program ended first.
bool WaitWhileRunning(const RunningProgram& program, const std::function<bool()>& ready);
// The process id of the speech server of this process's runtime folder, or -1.
int SpeechServerPid();
// Names of the folder's entries.
std::vector<std::string> FilesIn(const std::string& dir);
// Stops the speech server that serves this process's runtime folder, if any.
void StopSpeechServer();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);

// A folder per test, removed afterwards.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    // Writes the script and returns its path.
    std::string Script(const std::string& name, const std::string& text);
    // `lipsmith ARGS...`
    ProgramRun Lipsmith(std::vector<std::string> args);

    std::string dir;
};

// The actor script around one or more actors.
std::string AnimScript(const std::vector<std::pair<std::string, std::string>>& actors);

}  // namespace lipsmith::e2e
