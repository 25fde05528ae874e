#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "AudioOutput.h"

namespace lipsmith::playback {
namespace {

class SteadyClock : public PlaybackClock {
public:
    explicit SteadyClock(double speed) : speed_(speed > 0 ? speed : 1.0), start_(std::chrono::steady_clock::now()) {}
    double Seconds() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count() * speed_;
    }
    void Sleep(double seconds) override {
        std::this_thread::sleep_for(std::chrono::duration<double>(std::max(seconds, 0.0) / speed_));
    }

private:
    double speed_;
    std::chrono::steady_clock::time_point start_;
};

// Pulls the sound in blocks of 10 ms of its clock, as a sound card would,
// and counts as played what the clock says has passed (never more than it
// has pulled).
class SilentOutput : public AudioOutput {
public:
    explicit SilentOutput(std::shared_ptr<PlaybackClock> clock) : clock_(std::move(clock)) {}
    ~SilentOutput() override { Stop(); }

    bool Start(AudioSource* source, int rate, int channels) override {
        Stop();
        if (!source || rate <= 0 || channels <= 0) return false;
        rate_ = rate;
        pulled_ = 0;
        played_ = 0;
        startSeconds_ = clock_->Seconds();
        running_ = true;
        thread_ = std::thread([this, source, channels] { Run(source, channels); });
        return true;
    }

    void Stop() override {
        if (!thread_.joinable()) return;
        running_ = false;
        thread_.join();
    }

    std::int64_t FramesPlayed() const override {
        if (!running_) return played_;
        const double elapsed = clock_->Seconds() - startSeconds_;
        const auto byClock = static_cast<std::int64_t>(std::floor(std::max(elapsed, 0.0) * rate_));
        return std::min(byClock, pulled_.load());
    }

    bool IsSilent() const override { return true; }

private:
    void Run(AudioSource* source, int channels) {
        const std::size_t block = static_cast<std::size_t>(std::max(rate_ / 100, 1));
        std::vector<std::int16_t> buffer(block * static_cast<std::size_t>(channels));
        while (running_) {
            // Keep one block ahead of the clock, like a device's buffer.
            const double elapsed = clock_->Seconds() - startSeconds_;
            const auto due = static_cast<std::int64_t>(std::floor(elapsed * rate_)) + static_cast<std::int64_t>(block);
            while (pulled_ < due && running_) {
                source->Fill(buffer.data(), block);
                pulled_ += static_cast<std::int64_t>(block);
            }
            clock_->Sleep(0.005);
        }
        const double elapsed = clock_->Seconds() - startSeconds_;
        played_ = std::min(static_cast<std::int64_t>(std::floor(std::max(elapsed, 0.0) * rate_)), pulled_.load());
    }

    std::shared_ptr<PlaybackClock> clock_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> pulled_{0};
    std::atomic<std::int64_t> played_{0};
    double startSeconds_ = 0;
    int rate_ = 22050;
};

}  // namespace

std::shared_ptr<PlaybackClock> RealTimeClock(double speed) { return std::make_shared<SteadyClock>(speed); }

std::unique_ptr<AudioOutput> NewSilentOutput(std::shared_ptr<PlaybackClock> clock) {
    return std::make_unique<SilentOutput>(clock ? std::move(clock) : RealTimeClock());
}

std::unique_ptr<AudioOutput> OpenBestOutput() {
    if (auto device = OpenDeviceOutput()) return device;
    return NewSilentOutput();
}

}  // namespace lipsmith::playback
