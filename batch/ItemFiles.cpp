#include "ItemFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace lipsmith::batch {
namespace {

constexpr std::array<std::string_view, 4> kInputOptions{"--scene", "--map", "--transcript", "--script"};
constexpr std::array<std::string_view, 6> kOutputOptions{"--save", "--wave", "--keys", "-o", "--output", "--words"};
constexpr std::array<std::string_view, 10> kValueOptions{"--in-frame", "--fps",  "--voice", "--text",  "--actor",
                                                         "--node",     "--format", "--jobs", "--logs", "--lang"};
constexpr std::array<std::string_view, 2> kWritingCommands{"new-scene", "map-default"};

template <std::size_t N>
bool In(const std::array<std::string_view, N>& list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

std::string Resolve(const std::string& path, const std::string& folder) {
    return !path.empty() && path[0] == '/' ? path : folder + "/" + path;
}

// Modification time in nanoseconds; false when the path is not a regular file.
bool ModifiedAt(const std::string& path, long long& ns) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    ns = static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000LL + st.st_mtim.tv_nsec;
    return true;
}

}  // namespace

ItemFiles FilesOf(const std::vector<std::string>& words) {
    ItemFiles files;
    if (words.empty()) return files;
    const bool positionalWrites = In(kWritingCommands, words[0]);
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        const bool hasValue = i + 1 < words.size();
        if (In(kInputOptions, w) && hasValue) {
            files.inputs.push_back(words[++i]);
        } else if (In(kOutputOptions, w) && hasValue) {
            files.outputs.push_back(words[++i]);
        } else if (w == "--export" && hasValue) {
            const std::string& value = words[++i];
            const std::size_t colon = value.find(':');
            const std::string file = colon == std::string::npos ? value : value.substr(colon + 1);
            if (file.find("{node}") != std::string::npos) files.outputsUnknown = true;
            else files.outputs.push_back(file);
        } else if (In(kValueOptions, w) && hasValue) {
            ++i;
        } else if (w.size() > 1 && w[0] == '-') {
            // a switch
        } else {
            (positionalWrites ? files.outputs : files.inputs).push_back(w);
        }
    }
    return files;
}

bool UpToDate(const ItemFiles& files, const std::string& folder) {
    if (files.outputs.empty() || files.outputsUnknown) return false;
    long long newestInput = 0;
    for (const std::string& in : files.inputs) {
        long long t = 0;
        if (!ModifiedAt(Resolve(in, folder), t)) return false;
        newestInput = std::max(newestInput, t);
    }
    for (const std::string& out : files.outputs) {
        long long t = 0;
        if (!ModifiedAt(Resolve(out, folder), t) || t <= newestInput) return false;
    }
    return true;
}

void MarkStale(const ItemFiles& files, const std::string& folder) {
    const struct timespec epoch[2] = {{0, UTIME_OMIT}, {0, 0}};
    for (const std::string& out : files.outputs) {
        long long t = 0;
        const std::string path = Resolve(out, folder);
        if (ModifiedAt(path, t)) ::utimensat(AT_FDCWD, path.c_str(), epoch, 0);
    }
}

}  // namespace lipsmith::batch
