#include "FileUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace lipsmith {

namespace {

// The file a path stands for: a symbolic link is followed to what it names,
// so writers replace that file and not the link.
std::string FollowLinks(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    const auto resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

std::string ErrnoText(int code) { return std::strerror(code); }

// Permission bits a replacement of `path` gets: those of the file it
// replaces, when there is one.
bool ExistingMode(const std::string& path, mode_t& mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    mode = st.st_mode & 0777;
    return true;
}

bool ProcessIsGone(long pid) {
    if (pid <= 0 || pid == static_cast<long>(::getpid())) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

std::string OutputTargetProblem(const std::string& path) {
    if (path.empty()) return "no file name was given";
    const std::string target = FollowLinks(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return "it is a folder";
        if (!S_ISREG(st.st_mode)) return "it is not a regular file (a device, pipe or socket)";
        if ((st.st_mode & 0222) == 0) return "it is read-only";
        if (::access(target.c_str(), W_OK) != 0) return "it cannot be written (" + ErrnoText(errno) + ")";
    } else if (errno != ENOENT) {
        return ErrnoText(errno);
    }
    const std::string dir = DirectoryOf(target);
    if (::stat(dir.c_str(), &st) != 0) return "the folder '" + dir + "' does not exist";
    if (!S_ISDIR(st.st_mode)) return "'" + dir + "' is not a folder";
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        return "the folder '" + dir + "' cannot be written to (" + ErrnoText(errno) + ")";
    }
    return {};
}

std::string CannotWriteText(const std::string& path, const std::string& reason) {
    return "cannot write '" + path + "': " + reason;
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_) std::fclose(file_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

std::FILE* AtomicFileWriter::Open() {
    if (file_) return file_;
    reason_.clear();
    if (const std::string problem = OutputTargetProblem(target_); !problem.empty()) {
        reason_ = problem;
        return nullptr;
    }
    const std::string dest = FollowLinks(target_);
    static std::atomic<unsigned> counter{0};
    temp_ = TemporarySiblingName(dest, std::to_string(counter++));
    const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason_ = ErrnoText(errno);
        temp_.clear();
        return nullptr;
    }
    if (mode_t mode = 0; ExistingMode(dest, mode)) ::fchmod(fd, mode);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        reason_ = ErrnoText(errno);
        ::close(fd);
    }
    return file_;
}

bool AtomicFileWriter::Commit() {
    if (!file_ || committed_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_) && ::fsync(::fileno(file_)) == 0;
    const int writeErrno = errno;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok) {
        reason_ = ErrnoText(writeErrno ? writeErrno : EIO);
        return false;
    }
    // Checked again: the target may have become something else meanwhile.
    if (const std::string problem = OutputTargetProblem(target_); !problem.empty()) {
        reason_ = problem;
        return false;
    }
    if (::rename(temp_.c_str(), FollowLinks(target_).c_str()) != 0) {
        reason_ = ErrnoText(errno);
        return false;
    }
    committed_ = true;
    return true;
}

std::string AtomicFileWriter::Error() const {
    return reason_.empty() ? std::string() : CannotWriteText(target_, reason_);
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
    AtomicFileWriter writer(path);
    std::FILE* f = writer.Open();
    bool ok = f != nullptr;
    if (ok && !data.empty() && std::fwrite(data.data(), 1, data.size(), f) != data.size()) ok = false;
    ok = ok && writer.Commit();
    if (!ok && error) *error = writer.Error().empty() ? CannotWriteText(path, ErrnoText(EIO)) : writer.Error();
    return ok;
}

bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(from.c_str(), "rb"), std::fclose);
    if (!in) {
        if (error) *error = "cannot read '" + from + "': " + ErrnoText(errno);
        return false;
    }
    AtomicFileWriter writer(to);
    std::FILE* out = writer.Open();
    bool ok = out != nullptr;
    std::unique_ptr<char[]> buffer(new char[1 << 16]);
    while (ok) {
        const std::size_t n = std::fread(buffer.get(), 1, 1 << 16, in.get());
        if (n && std::fwrite(buffer.get(), 1, n, out) != n) ok = false;
        if (n < (1 << 16)) break;
    }
    ok = ok && !std::ferror(in.get()) && writer.Commit();
    if (!ok && error) *error = writer.Error().empty() ? "cannot copy '" + from + "'" : writer.Error();
    return ok;
}

bool LinkOrCopyFile(const std::string& from, const std::string& to) {
    if (FileExists(to)) return false;
    if (::link(from.c_str(), to.c_str()) == 0) return true;
    return CopyFileAtomically(from, to);
}

bool ReplaceWithFile(const std::string& from, const std::string& target, std::string* error) {
    if (const std::string problem = OutputTargetProblem(target); !problem.empty()) {
        if (error) *error = CannotWriteText(target, problem);
        return false;
    }
    const std::string dest = FollowLinks(target);
    if (mode_t mode = 0; ExistingMode(dest, mode)) ::chmod(from.c_str(), mode);
    if (::rename(from.c_str(), dest.c_str()) != 0) {
        if (error) *error = CannotWriteText(target, ErrnoText(errno));
        return false;
    }
    return true;
}

bool ExchangeFiles(const std::string& a, const std::string& b) {
    const bool hasA = RegularFileExists(a), hasB = RegularFileExists(b);
    if (hasA && hasB) {
        if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return true;
        if (errno != EINVAL && errno != ENOSYS) return false;
        // No atomic exchange on this file system: a third name holds a's file
        // throughout, so each name always has a whole file.
        const std::string keep = TemporarySiblingName(a, "swap");
        ::unlink(keep.c_str());
        if (!LinkOrCopyFile(a, keep)) return false;
        if (::rename(b.c_str(), a.c_str()) != 0) {
            ::unlink(keep.c_str());
            return false;
        }
        return ::rename(keep.c_str(), b.c_str()) == 0;
    }
    if (hasA) return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE) == 0;
    if (hasB) return ::renameat2(AT_FDCWD, b.c_str(), AT_FDCWD, a.c_str(), RENAME_NOREPLACE) == 0;
    return false;
}

std::string TemporarySiblingName(const std::string& target, const std::string& tag) {
    return FollowLinks(target) + ".tmp-" + std::to_string(::getpid()) + "-" + tag;
}

std::vector<std::string> RemoveStaleTemporaries(const std::string& target) {
    std::vector<std::string> removed;
    const std::string real = FollowLinks(target);
    const std::string dir = DirectoryOf(real);
    const std::string prefix = FileNameOf(real) + ".tmp-";
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (!d) return removed;
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        std::size_t end = prefix.size();
        while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
        if (end == prefix.size() || end - prefix.size() > 9 || end >= name.size() || name[end] != '-') continue;
        if (ProcessIsGone(std::stol(name.substr(prefix.size(), end - prefix.size())))) stale.push_back(dir + "/" + name);
    }
    for (const std::string& path : stale) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(path.c_str()) == 0) removed.push_back(path);
    }
    return removed;
}

void RemoveTemporary(const std::string& temp) {
    if (temp.empty()) return;
    ::unlink(temp.c_str());
    const std::string dir = DirectoryOf(temp);
    const std::string prefix = FileNameOf(temp) + ".";
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (!d) return;
    std::vector<std::string> found;
    while (const dirent* e = ::readdir(d.get())) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0) found.push_back(dir + "/" + name);
    }
    for (const std::string& path : found) ::unlink(path.c_str());
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool RegularFileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace lipsmith
