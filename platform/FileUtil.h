// Writing a file so that a failure never destroys the previous version: the
// data goes to a temporary file beside the target, which is renamed over the
// target only once everything has been written and flushed. Every writer
// refuses a target that is not a regular file (a folder, a device) or that
// is read-only, and touches nothing then.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace lipsmith {

// Why `path` cannot be replaced by a new file, or "" when it can: it names a
// folder or some other thing that is not a regular file, it is read-only, or
// its folder is missing or cannot be written to.
std::string OutputTargetProblem(const std::string& path);
// "cannot write 'PATH': REASON"
std::string CannotWriteText(const std::string& path, const std::string& reason);

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string target);
    ~AtomicFileWriter();  // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The temporary file, open for binary writing; nullptr (with Error() set)
    // when the target is refused or the temporary file cannot be created. A
    // symbolic link is written through: the file it points to is replaced.
    std::FILE* Open();
    // Flushes, syncs and renames onto the target, which keeps its permission
    // bits; false (and the target untouched) when any write failed.
    bool Commit();
    const std::string& Target() const { return target_; }
    // What went wrong, as "cannot write 'PATH': REASON", and the reason
    // alone; empty while all is well.
    std::string Error() const;
    const std::string& Reason() const { return reason_; }

private:
    std::string target_;
    std::string temp_;
    std::string reason_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

// Writes the whole text in one go through an AtomicFileWriter. On failure
// `error` (if given) says why.
bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error = nullptr);

// Copies a file through an AtomicFileWriter.
bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error = nullptr);

// A second name for a file (a hard link), or a copy where links are not
// possible. `to` must not exist.
bool LinkOrCopyFile(const std::string& from, const std::string& to);

// Renames the finished file `from` over `target` in one step, after the same
// checks as the atomic writer; the target keeps its permission bits.
bool ReplaceWithFile(const std::string& from, const std::string& target, std::string* error = nullptr);

// Swaps the contents of two files so that both names always hold a whole
// file. When only one of them exists it moves to the other name.
bool ExchangeFiles(const std::string& a, const std::string& b);

// Temporary files beside a target are named TARGET.tmp-PID-TAG: the process
// that made them is in the name, so leftovers of a process that died can be
// told from files another running process is still writing.
std::string TemporarySiblingName(const std::string& target, const std::string& tag);
// Removes the temporary files beside `target` whose process is gone (and
// anything a writer appended to their names), returning the names removed.
std::vector<std::string> RemoveStaleTemporaries(const std::string& target);
// Removes this process's temporary file `temp` and whatever a writer made
// from it by appending to its name.
void RemoveTemporary(const std::string& temp);

// The directory part of a path ("." when it has none).
std::string DirectoryOf(const std::string& path);
// The part after the last slash.
std::string FileNameOf(const std::string& path);

// Whether anything exists at the path (false for an empty path).
bool FileExists(const std::string& path);
// Whether a regular file exists at the path (links followed).
bool RegularFileExists(const std::string& path);

}  // namespace lipsmith
