#include "ExportOption.h"

#include <cstdio>

#include "FileUtil.h"
#include "Interface.h"

namespace lipsmith::cli {
namespace {

constexpr const char* kNodePlaceholder = "{node}";

// The file name with the node's name in place of "{node}"; a "/" in the
// node's name becomes "_", so the name never leads into another folder.
std::string WithNode(std::string file, std::string node) {
    for (char& c : node) {
        if (c == '/') c = '_';
    }
    for (std::size_t at = 0; (at = file.find(kNodePlaceholder, at)) != std::string::npos; at += node.size()) {
        file.replace(at, std::char_traits<char>::length(kNodePlaceholder), node);
    }
    return file;
}

}  // namespace

bool ExportOption::Take(const Args& args, std::size_t& i, std::optional<std::string>& error) {
    if (args[i] != "--export") return false;
    if (i + 1 >= args.size()) {
        error = "--export needs FORMAT:FILE";
        return true;
    }
    const std::string& value = args[++i];
    const std::size_t colon = value.find(':');
    const auto format = exports::ParseExportFormat(value.substr(0, colon));
    if (colon == std::string::npos || colon + 1 == value.size()) {
        error = "--export takes FORMAT:FILE (for example tsv:line.tsv), not '" + value + "'";
    } else if (!format) {
        error = "--export: unknown format '" + value.substr(0, colon) + "' (formats: " + exports::kFormatList + ")";
    } else {
        requests_.push_back({*format, value.substr(colon + 1)});
    }
    return true;
}

std::vector<std::string> ExportOption::Files() const {
    std::vector<std::string> files;
    for (const Request& r : requests_) files.push_back(WithNode(r.file, "node"));
    return files;
}

bool ExportOption::WriteAll(Interface& ip, const std::vector<std::string>& actorNodes) const {
    bool ok = true;
    for (const Request& r : requests_) {
        if (actorNodes.empty()) {
            std::fprintf(stderr, "lipsmith: no actor was keyed, so nothing was exported to '%s'\n", r.file.c_str());
            ok = false;
            continue;
        }
        if (r.file.find(kNodePlaceholder) == std::string::npos) {
            if (actorNodes.size() > 1) {
                std::fprintf(stderr,
                             "lipsmith: '%s' holds actor '%s' only; put {node} in the file name to export every actor\n",
                             r.file.c_str(), actorNodes.front().c_str());
            }
            ok = WriteNodeExport(ip, actorNodes.front(), r.format, 0, r.file) == kExitOk && ok;
            continue;
        }
        for (const std::string& node : actorNodes) {
            ok = WriteNodeExport(ip, node, r.format, 0, WithNode(r.file, node)) == kExitOk && ok;
        }
    }
    return ok;
}

int WriteNodeExport(Interface& ip, const std::string& node, exports::ExportFormat format, int fps,
                    const std::string& file) {
    const exports::ExportResult result = exports::ExportNode(ip, node, format, fps);
    if (!result) {
        std::fprintf(stderr, "lipsmith: %s\n", result.error.c_str());
        return kExitUsage;
    }
    for (const std::string& w : result.warnings) std::fprintf(stderr, "lipsmith: warning: %s\n", w.c_str());
    if (file.empty()) {
        if (std::fwrite(result.text.data(), 1, result.text.size(), stdout) != result.text.size() ||
            std::fflush(stdout) != 0) {
            std::fprintf(stderr, "lipsmith: cannot write the export to standard output\n");
            return kExitErrors;
        }
        return kExitOk;
    }
    std::string problem;
    if (!WriteFileAtomically(file, result.text, &problem)) {
        std::fprintf(stderr, "lipsmith: %s\n", problem.c_str());
        return kExitErrors;
    }
    return kExitOk;
}

}  // namespace lipsmith::cli
