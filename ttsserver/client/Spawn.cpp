#include "Spawn.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lipsmith::tts {

bool SpawnDetached(const std::string& program, const std::string& argument, std::string& error) {
    // A folder passes the access check below (its x bit means "search").
    struct stat st {};
    if (::stat(program.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = "'" + program + "' is " + (S_ISDIR(st.st_mode) ? "a folder" : "not a program file");
        return false;
    }
    if (::access(program.c_str(), X_OK) != 0) {
        error = "'" + program + "' cannot be run: " + std::strerror(errno);
        return false;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    // Everything the child needs is ready before fork: after it, only
    // async-signal-safe calls.
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
    const long maxFd = ::sysconf(_SC_OPEN_MAX) > 0 ? ::sysconf(_SC_OPEN_MAX) : 1024;
    const pid_t child = ::fork();
    if (child < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        if (::fork() != 0) ::_exit(0);
        // None of the caller's standard streams either: a caller reading its
        // own output to the end would otherwise wait for the server to exit.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        // The server must hold none of the client's sockets: a connection it
        // kept open by accident would never end.
        const unsigned keep = static_cast<unsigned>(report[1]);
        if ((keep > 3 && ::close_range(3, keep - 1, 0) != 0) || ::close_range(keep + 1, ~0u, 0) != 0) {
            for (int fd = 3; fd < maxFd && fd < 65536; ++fd) {
                if (fd != report[1]) ::close(fd);
            }
        }
        ::execv(program.c_str(), argv);
        const int code = errno;
        [[maybe_unused]] ssize_t n = ::write(report[1], &code, sizeof code);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int code = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &code, sizeof code);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof code)) {
        error = "'" + program + "' cannot be run: " + std::strerror(code);
        return false;
    }
    return true;
}

}  // namespace lipsmith::tts
