// Writing a file so that a failure never destroys the previous version: the
// data goes to a temporary file beside the target, which is renamed over the
// target only once everything has been written and flushed.
#pragma once
#include <cstdio>
#include <string>

namespace lipsmith {

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string target);
    ~AtomicFileWriter();  // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The temporary file, open for binary writing; nullptr when it cannot be created.
    std::FILE* Open();
    // Flushes, syncs and renames onto the target; false (and the target
    // untouched) when any write failed.
    bool Commit();
    const std::string& Target() const { return target_; }

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

// Writes the whole text in one go through an AtomicFileWriter.
bool WriteFileAtomically(const std::string& path, const std::string& data);

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);

// Whether anything exists at the path (false for an empty path).
bool FileExists(const std::string& path);

}  // namespace lipsmith
