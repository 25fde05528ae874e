#include "RuntimePaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace lipsmith::tts {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

}  // namespace

std::string RuntimeDirectory(std::string* error) {
    std::string dir = Env("LIPSMITH_RUNTIME_DIR");
    if (dir.empty()) dir = Env("XDG_RUNTIME_DIR");
    bool privateFolder = false;
    if (dir.empty()) {
        std::string tmp = Env("TMPDIR");
        if (tmp.empty()) tmp = "/tmp";
        dir = tmp + "/lipsmith-" + std::to_string(::getuid());
        privateFolder = true;
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (!privateFolder) {
        std::error_code ignored;
        std::filesystem::create_directories(dir, ignored);  // a folder named by the user may be deep
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error) *error = "cannot create the runtime folder '" + dir + "': " + std::strerror(errno);
        return std::string();
    }
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (error) *error = "the runtime folder '" + dir + "' is not a folder";
        return std::string();
    }
    // A folder in a shared temporary directory must be ours alone.
    if (privateFolder && (st.st_uid != ::getuid() || (st.st_mode & 0077) != 0)) {
        if (error) *error = "the runtime folder '" + dir + "' is not private to this user";
        return std::string();
    }
    return dir;
}

std::string SocketPathIn(const std::string& dir) { return dir + "/lipsmith-tts.sock"; }
std::string LockPathIn(const std::string& dir) { return dir + "/lipsmith-tts.lock"; }
std::string LogPathIn(const std::string& dir) { return dir + "/lipsmith-tts.log"; }

long EnvMilliseconds(const char* name, long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(v, &end, 10);
    if (errno != 0 || *end != '\0' || n < 0) return fallback;
    return n;
}

}  // namespace lipsmith::tts
