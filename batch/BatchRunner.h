// Runs a manifest's items as lipsmith processes, several at once. Each of the
// `jobs` workers has a runtime folder of its own, so each has its own speech
// server, which stays up between the worker's items and is stopped at the
// end. A failed item never stops the others. An item whose outputs are newer
// than its inputs is skipped; a failed one has its outputs marked stale so
// the next batch runs it again.
//
// SIGINT and SIGTERM stop the batch: no further item starts, the running ones
// get SIGINT (lipsmith run then stops after the current actor); a second
// signal kills them. Items run in process groups of their own, so Ctrl+C on
// the terminal reaches only the batch, which passes it on. Run() waits for
// these signals itself: call it from a program's only thread.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "Manifest.h"

namespace lipsmith::batch {

enum class ItemStatus { Ok, Failed, Skipped, Stopped, NotRun };
const char* StatusName(ItemStatus status);  // "ok", "failed", "skipped", "stopped", "not run"

struct ItemResult {
    ItemStatus status = ItemStatus::NotRun;
    int exitCode = -1;  // -1 when it did not run or ended by a signal
    double seconds = 0.0;
    std::string firstError;  // the first line that says what went wrong
};

struct RunnerOptions {
    std::string program;  // the lipsmith program each item runs
    int jobs = 1;
    std::string logDir;   // keeps line-N.out and line-N.err of each item there; "" keeps none
    // Whether this build has the command; none: every command is taken as available.
    std::function<bool(const std::string& command)> commandAvailable;
    std::function<void(std::size_t index, const ItemResult&)> onItemDone;  // progress
    std::function<void()> onStopRequested;
};

struct BatchResult {
    std::vector<ItemResult> items;  // one per manifest item, in manifest order
    bool stopped = false;           // a stop signal came
    std::string error;              // the batch could not start at all
    double seconds = 0.0;
};

BatchResult RunManifest(const Manifest& manifest, const RunnerOptions& options);

// The line of an item's output that best says why it failed: the first line
// of standard error that is not a warning, else the first line of standard
// output that starts with "Error", else what the exit status says.
std::string FirstError(const std::string& out, const std::string& err, int exitCode, int signal);

}  // namespace lipsmith::batch
