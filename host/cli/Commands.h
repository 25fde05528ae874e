// Subcommands of the lipsmith command-line host. Each lives in its own file
// and registers itself here by one entry in the table of main.cpp.
#pragma once
#include <string>
#include <vector>

namespace lipsmith::cli {

// Exit status of a command: 0 success, 1 the job reported errors, 2 a usage
// error or unreadable input.
inline constexpr int kExitOk = 0;
inline constexpr int kExitErrors = 1;
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;  // the words after the command name

struct Command {
    const char* name;
    const char* usage;    // one line: arguments
    const char* summary;  // one line: what it does
    int (*run)(const Args& args);
};

// The command of that name in this build; none when there is no such command.
const Command* FindCommand(const std::string& name);

// Prints "lipsmith: MESSAGE" on standard error and returns kExitUsage.
int UsageError(const std::string& message);

}  // namespace lipsmith::cli
