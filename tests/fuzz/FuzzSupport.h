// Shared pieces of the fuzz targets: prompts that answer at once and keep
// nothing, and a scratch file for readers that take a path.
#pragma once
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CommandLinePrompts.h"
#include "MessageBox.h"

namespace lipsmith::fuzz {

// Message boxes are answered as the command line answers them, without a word
// written or recorded: a fuzzer shows millions of them.
class QuietPrompts : public UserPrompts {
public:
    int MessageBox(const std::string&, const std::string&, unsigned type) override { return DefaultAnswer(type); }
    std::optional<std::string> FileDialog(const FileDialogRequest&) override { return std::nullopt; }
};

inline void UseQuietPrompts() {
    static QuietPrompts prompts;
    SetPrompts(&prompts);
}

// A file of this process under the shared-memory folder when there is one.
inline std::string ScratchPath(const char* name) {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm")
                                                      : std::filesystem::temp_directory_path();
    return (base / ("lipsmith-fuzz-" + std::to_string(::getpid()) + "-" + name)).string();
}

inline bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// Removes the scratch files when the process ends.
struct ScratchFiles {
    ~ScratchFiles() {
        std::error_code ec;
        for (const std::string& p : paths) std::filesystem::remove(p, ec);
    }
    std::string Add(const char* name) { return paths.emplace_back(ScratchPath(name)); }
    std::vector<std::string> paths;
};

}  // namespace lipsmith::fuzz
