#include "FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lipsmith {

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_) std::fclose(file_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

std::FILE* AtomicFileWriter::Open() {
    if (file_) return file_;
    struct stat st {};
    if (target_.empty()) {
        problem_ = "no file name given";
        return nullptr;
    }
    if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        problem_ = "'" + target_ + "' is " + (S_ISDIR(st.st_mode) ? "a folder" : "not a regular file");
        return nullptr;
    }
    static std::atomic<unsigned> counter{0};
    temp_ = target_ + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        problem_ = "cannot create a file beside '" + target_ + "': " + std::strerror(errno);
        temp_.clear();
        return nullptr;
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        problem_ = "cannot write '" + target_ + "': " + std::strerror(errno);
        ::close(fd);
    }
    return file_;
}

bool AtomicFileWriter::Commit() {
    if (!file_ || committed_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_) && ::fsync(::fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok) {
        problem_ = "cannot write '" + target_ + "': " + std::strerror(errno);
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        problem_ = "cannot replace '" + target_ + "': " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* problem) {
    AtomicFileWriter writer(path);
    std::FILE* f = writer.Open();
    if (!f) {
        if (problem) *problem = writer.Problem();
        return false;
    }
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), f) != data.size()) {
        if (problem) *problem = "cannot write '" + path + "': " + std::strerror(errno);
        return false;  // the writer removes its temporary file
    }
    if (!writer.Commit()) {
        if (problem) *problem = writer.Problem();
        return false;
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace lipsmith
