#include "Socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace lipsmith::tts {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, or -1 for no limit.
int Remaining(bool limited, Clock::time_point deadline) {
    if (!limited) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

UniqueFd ConnectUnix(const std::string& path) {
    sockaddr_un addr;
    if (!FillAddress(path, addr)) {
        errno = ENAMETOOLONG;
        return UniqueFd();
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return fd;
    int rc;
    do {
        rc = ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int saved = errno;
        fd.Reset();
        errno = saved;
    }
    return fd;
}

UniqueFd ListenUnix(const std::string& path, std::string& error) {
    sockaddr_un addr;
    if (!FillAddress(path, addr)) {
        error = "socket path '" + path + "' is too long";
        return UniqueFd();
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return fd;
    }
    ::unlink(path.c_str());
    const mode_t oldMask = ::umask(0077);
    const int rc = ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::umask(oldMask);
    if (rc != 0 || ::listen(fd.Get(), 64) != 0) {
        error = "cannot listen at '" + path + "': " + std::strerror(errno);
        fd.Reset();
    }
    return fd;
}

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

bool SendAll(int fd, const std::string& bytes, int timeoutMs) {
    const bool limited = timeoutMs >= 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            const int left = Remaining(limited, deadline);
            if (limited && left == 0) return false;
            const int rc = ::poll(&p, 1, left);
            if (rc < 0 && errno != EINTR) return false;
            if (rc == 0) return false;
            if (rc > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
            continue;
        }
        return false;
    }
    return true;
}

int PollSpinning(pollfd* fds, int count, int timeoutMs, int spinMicros) {
    const auto spinEnd = Clock::now() + std::chrono::microseconds(spinMicros);
    do {
        const int rc = ::poll(fds, static_cast<nfds_t>(count), 0);
        if (rc != 0) return rc;
        ::sched_yield();  // a busy machine runs the answering thread meanwhile
    } while (Clock::now() < spinEnd);
    return ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
}

ReadStatus ReadFrame(int fd, wire::FrameBuffer& buffer, wire::Frame& frame, int timeoutMs, bool expectWait) {
    const bool limited = timeoutMs >= 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    char chunk[16384];
    bool tryRead = !expectWait;
    for (;;) {
        wire::DecodeResult r = buffer.Next();
        if (r.status == wire::DecodeStatus::Ok) {
            frame = std::move(r.frame);
            return ReadStatus::Frame;
        }
        if (r.status == wire::DecodeStatus::Malformed) return ReadStatus::Malformed;
        if (tryRead) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0) {
                buffer.Append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0) return ReadStatus::Closed;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return ReadStatus::Closed;
        }
        tryRead = true;
        pollfd p{fd, POLLIN, 0};
        const int left = Remaining(limited, deadline);
        if (limited && left == 0) return ReadStatus::Timeout;
        const int rc = expectWait ? PollSpinning(&p, 1, left, kAnswerSpinMicros) : ::poll(&p, 1, left);
        if (rc == 0) return ReadStatus::Timeout;
        if (rc < 0 && errno != EINTR) return ReadStatus::Closed;
    }
}

}  // namespace lipsmith::tts
