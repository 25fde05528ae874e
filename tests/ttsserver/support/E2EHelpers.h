// Helpers for tests that run the real Lipsmith_TTS: a private runtime folder
// and registry, programs run with arguments, the serving process's id.
#pragma once
#include <string>
#include <vector>

#include <sys/types.h>

namespace lipsmith::testing {

// Runs a program to its end; its exit code, or -1.
int RunProgram(const std::vector<std::string>& args);
// Starts a program whose standard output comes back through `stdoutFd`.
pid_t StartProgram(const std::vector<std::string>& args, int* stdoutFd);
// Reads one line from fd, waiting at most timeoutMs; empty on failure.
std::string ReadLine(int fd, int timeoutMs);

std::string ReadFile(const std::string& path);
// The process id written in the server's lock file of `runtimeDir`, or 0.
pid_t ServerPid(const std::string& runtimeDir);
bool ProcessAlive(pid_t pid);
// Stops the server of `runtimeDir` (if any) and waits for it to go.
void StopServer(const std::string& runtimeDir);

}  // namespace lipsmith::testing
