// Writing a file so that a failure never destroys the previous version: the
// data goes to a temporary file beside the target, which is renamed over the
// target only once everything has been written and flushed. A target that
// exists and is not a regular file (a folder, a device, a pipe) is refused:
// renaming over it would replace the device or pipe by a file.
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

    // The temporary file, open for binary writing; nullptr when it cannot be
    // created or the target is not a regular file.
    std::FILE* Open();
    // Flushes, syncs and renames onto the target; false (and the target
    // untouched) when any write failed.
    bool Commit();
    const std::string& Target() const { return target_; }
    // Why Open or Commit failed, as a sentence part ("'x' is a folder").
    const std::string& Problem() const { return problem_; }

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
    std::string problem_;
};

// Writes the whole text in one go through an AtomicFileWriter; on failure
// `problem` (when given) says why.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* problem = nullptr);

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);

// Whether anything exists at the path (false for an empty path).
bool FileExists(const std::string& path);

}  // namespace lipsmith
