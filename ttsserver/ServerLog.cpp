#include "ServerLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace lipsmith::tts {

namespace {

constexpr off_t kMaxLogBytes = 1 << 20;

}  // namespace

bool DetachStandardStreams(const std::string& path, std::string* error) {
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
    }
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && st.st_size > kMaxLogBytes) {
        std::rename(path.c_str(), (path + ".old").c_str());
    }
    const int log = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (log < 0) {
        if (error) *error = "cannot open the log '" + path + "': " + std::strerror(errno);
        if (null >= 0) ::dup2(null, STDERR_FILENO);
    } else {
        ::dup2(log, STDERR_FILENO);
        ::close(log);
    }
    if (null >= 0) ::close(null);
    return log >= 0;
}

void LogLine(const std::string& line) {
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s Lipsmith_TTS[%ld]: %s\n", stamp, static_cast<long>(::getpid()), line.c_str());
    std::fflush(stderr);
}

}  // namespace lipsmith::tts
