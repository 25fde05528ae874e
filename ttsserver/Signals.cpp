#include "Signals.h"

namespace lipsmith::tts {

void SignalSet::Set(int index) {
    {
        std::lock_guard lock(mutex_);
        set_ |= 1u << index;
    }
    changed_.notify_all();
}

std::optional<int> SignalSet::WaitAny(int first, int count, std::chrono::milliseconds timeout) {
    const std::uint32_t mask = ((count >= 32 ? 0u : (1u << count)) - 1u) << first;
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return closed_ || (set_ & mask) != 0; }) || closed_) {
        return std::nullopt;
    }
    for (int i = first; i < first + count; ++i) {
        if (set_ & (1u << i)) {
            set_ &= ~(1u << i);
            return i;
        }
    }
    return std::nullopt;
}

bool SignalSet::Wait(int index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || (set_ & (1u << index)) != 0; });
    if (set_ & (1u << index)) {
        set_ &= ~(1u << index);
        return true;
    }
    return false;
}

bool SignalSet::TryTake(int index) {
    std::lock_guard lock(mutex_);
    if (!(set_ & (1u << index))) return false;
    set_ &= ~(1u << index);
    return true;
}

void SignalSet::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool SignalSet::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

}  // namespace lipsmith::tts
