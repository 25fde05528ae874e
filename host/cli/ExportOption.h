// `--export FORMAT:FILE` (repeatable) for the commands that key a scene.
// After its job the command writes each requested export of the actors it
// keyed. A command adds the option with
//     if (exports.Take(args, i, error)) continue;   // among its options
//     exports.WriteAll(ip, actorNodes);             // after its job
// FILE may hold "{node}": each actor then gets a file of its own, named with
// the actor's node in that place; without it the first actor is exported.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "Export.h"

class Interface;

namespace lipsmith::cli {

class ExportOption {
public:
    static constexpr const char* kUsage = "[--export FORMAT:FILE]...";

    // When args[i] is "--export": takes it and its value (i ends on the
    // value) and answers true; `error` is set when the value is bad.
    bool Take(const Args& args, std::size_t& i, std::optional<std::string>& error);
    bool Requested() const { return !requests_.empty(); }
    // The files to be written, for checks before the job: "{node}" stands
    // for a node's name there, so a file that names it is given with "node".
    std::vector<std::string> Files() const;

    // Writes the exports (frame rate: the scene's). Messages go to standard
    // error; false when any export could not be made or written.
    bool WriteAll(Interface& ip, const std::vector<std::string>& actorNodes) const;

private:
    struct Request {
        exports::ExportFormat format;
        std::string file;
    };
    std::vector<Request> requests_;
};

// One export of a node: to the file through the atomic writer, or to
// standard output when `file` is empty. Warnings and errors go to standard
// error. Answers a command exit status: kExitOk, kExitUsage when the node
// cannot be exported (no such node, no controllers), kExitErrors when the
// output cannot be written.
int WriteNodeExport(Interface& ip, const std::string& node, exports::ExportFormat format, int fps,
                    const std::string& file);

}  // namespace lipsmith::cli
