// Unix domain socket helpers shared by the server and its clients: owned
// descriptors, connect and listen, and frame transfer with time limits.
#pragma once
#include <poll.h>

#include <string>
#include <utility>

#include "Protocol.h"

namespace lipsmith::tts {

// An owned file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// Connects to a listening socket; invalid on failure (errno tells why).
UniqueFd ConnectUnix(const std::string& path);
// Binds and listens at `path` (an old socket file there is removed first).
// Invalid on failure, with the reason in `error`.
UniqueFd ListenUnix(const std::string& path, std::string& error);
void SetNonBlocking(int fd);

// Sends every byte, waiting at most timeoutMs (< 0: no limit) for room.
bool SendAll(int fd, const std::string& bytes, int timeoutMs);

// poll() that first looks again and again for up to spinMicros before it
// sleeps: an answer expected within microseconds then costs no wake-up of
// a sleeping thread.
int PollSpinning(pollfd* fds, int count, int timeoutMs, int spinMicros);
inline constexpr int kAnswerSpinMicros = 20;

enum class ReadStatus { Frame, Timeout, Closed, Malformed };
// Reads the next frame from fd (blocking or not) through `buffer`, waiting
// at most timeoutMs (< 0: no limit). `expectWait` skips the first attempt to
// read, for an answer that cannot have arrived yet.
ReadStatus ReadFrame(int fd, wire::FrameBuffer& buffer, wire::Frame& frame, int timeoutMs, bool expectWait = false);

}  // namespace lipsmith::tts
