// Pieces the commands that key a scene (run, listen, align) share: reading
// their files, the timing and mode options, and the check of their outputs
// before the long work begins.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"

namespace lipsmith::cli {

// A whole number in digits only (no sign, no blanks), within [low, high].
bool ParseWholeNumber(const std::string& text, int low, int high, int& out);

// The whole file, or why it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& text);

// The path made absolute and normal; the path itself when that fails.
std::string Absolute(const std::string& path);

// The value of the option args[i]: taken into `into` (i ends on it), or the
// error "OPTION needs a value" when there is none (or it is empty and may not be).
std::optional<std::string> TakeValue(const Args& args, std::size_t& i, std::optional<std::string>& into,
                                     bool mayBeEmpty = false);

// --in-frame N, --fps N, --insert and --replace.
class TimingOptions {
public:
    int inFrame = 0;
    std::optional<int> fps;
    bool insert = false;

    // When args[i] is one of these options: takes it and its value (i ends
    // on the value) and answers true; `error` is set when it is bad.
    bool Take(const Args& args, std::size_t& i, std::optional<std::string>& error);

private:
    bool sawMode_ = false;
};

// A file a command reads or writes, named by its option ("--save") or, for
// an argument, by what it is ("the script").
struct NamedPath {
    std::string option;
    std::string path;
};

// Outputs are checked before anything runs: a target that is a folder, a
// device or read-only, or that is also an input or another output, would
// otherwise fail (or destroy something) only after a long run.
std::optional<std::string> CheckOutputPaths(const std::vector<NamedPath>& outputs,
                                            const std::vector<NamedPath>& inputs);

// "'a.lsc', 'k.json' left as they were": the outputs a command that did not
// finish leaves alone; empty when it had none.
std::string UntouchedOutputs(const std::optional<std::string>& save, const std::optional<std::string>& keys);

}  // namespace lipsmith::cli
