// Auto-reset signals for the server's worker thread. A set holds a fixed
// number of signals sharing one lock, so a thread can wait for any of several
// of them; a signal stays set until one wait consumes it, so setting it again
// before then changes nothing (repeated requests collapse into one).
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace lipsmith::tts {

class SignalSet {
public:
    static constexpr int kMaxSignals = 32;

    void Set(int index);
    // Waits up to `timeout` for any signal in [first, first + count); consumes
    // and returns the lowest index that is set. Nothing on timeout or once the
    // set is closed.
    std::optional<int> WaitAny(int first, int count, std::chrono::milliseconds timeout);
    // Waits without limit for one signal; false when the set was closed first.
    bool Wait(int index);
    // Consumes the signal if it is set; never waits.
    bool TryTake(int index);
    // Wakes every waiter for good: the thread that would set the signals has gone.
    void Close();
    bool IsClosed() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::uint32_t set_ = 0;
    bool closed_ = false;
};

}  // namespace lipsmith::tts
