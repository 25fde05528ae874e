// lipsmith batch MANIFEST [--jobs N] [--logs DIR]: runs a manifest's items
// (see batch/Manifest.h for the format) in parallel and ends with a table of
// what each did.
#include <unistd.h>

#include <cstdio>

#include "BatchRunner.h"
#include "CNumbers.h"
#include "Commands.h"
#include "Summary.h"
#include "Registration.h"

namespace lipsmith::cli {
namespace {

constexpr const char* kUsage =
    "usage: lipsmith batch MANIFEST [--jobs N] [--logs DIR]\n"
    "  Each line of MANIFEST is one lipsmith command with its arguments, for example\n"
    "      run lines/001.txt --scene rig.lsc --save out/001.lsc --export tsv:out/001.tsv\n"
    "  A line may start with its input instead: a .wav is aligned, anything else is run\n"
    "  as a script. '#' starts a comment; quote words with '...' or \"...\"; relative\n"
    "  paths start at the manifest's folder. Items whose outputs are newer than their\n"
    "  inputs are skipped. --jobs: items at once (default: the number of processors);\n"
    "  --logs: keep each item's output there as line-N.out and line-N.err.";

constexpr int kMaxJobs = 64;

int DefaultJobs() {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n > kMaxJobs ? kMaxJobs : static_cast<int>(n);
}

}  // namespace

int RunBatch(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("%s\n", kUsage);
        return kExitOk;
    }
    std::string manifestPath;
    batch::RunnerOptions options;
    options.jobs = DefaultJobs();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--jobs" || a == "--logs") && (i + 1 >= args.size() || args[i + 1].empty())) {
            std::fprintf(stderr, "%s\n", kUsage);
            return UsageError(a + " needs a value");
        }
        if (a == "--jobs") {
            const std::string& v = args[++i];
            options.jobs = v.size() <= 3 && v.find_first_not_of("0123456789") == std::string::npos ? CAtoi(v) : 0;
            if (options.jobs < 1 || options.jobs > kMaxJobs) return UsageError("--jobs takes a number from 1 to 64");
        } else if (a == "--logs") {
            options.logDir = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "%s\n", kUsage);
            return UsageError("unknown option '" + a + "'");
        } else if (manifestPath.empty()) {
            manifestPath = a;
        } else {
            return UsageError("more than one manifest given ('" + manifestPath + "', '" + a + "')");
        }
    }
    if (manifestPath.empty()) {
        std::fprintf(stderr, "%s\n", kUsage);
        return UsageError("no manifest given");
    }
    const batch::ManifestResult read = batch::ReadManifest(manifestPath);
    if (!read) return UsageError(read.error);
    const batch::Manifest& manifest = read.manifest;

    options.program = tts::CurrentProgramPath();
    options.commandAvailable = [](const std::string& command) { return FindCommand(command) != nullptr; };
    std::size_t finished = 0;
    options.onItemDone = [&](std::size_t index, const batch::ItemResult& r) {
        const std::string line = batch::ProgressLine(manifest.items[index], r, ++finished, manifest.items.size());
        std::fprintf(stderr, "%s\n", line.c_str());
    };
    options.onStopRequested = [] {
        std::fprintf(stderr, "lipsmith: stopping: no more items start; the running ones stop (Ctrl+C again kills them)\n");
    };

    const batch::BatchResult result = batch::RunManifest(manifest, options);
    if (!result.error.empty()) {
        std::fprintf(stderr, "lipsmith: %s\n", result.error.c_str());
        return kExitErrors;
    }
    const std::string table = batch::SummaryTable(manifest, result);
    std::fwrite(table.data(), 1, table.size(), stdout);
    std::fflush(stdout);
    for (const batch::ItemResult& r : result.items) {
        if (r.status != batch::ItemStatus::Ok && r.status != batch::ItemStatus::Skipped) return kExitErrors;
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
