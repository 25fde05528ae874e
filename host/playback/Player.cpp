#include "Player.h"

#include <algorithm>
#include <cmath>

namespace lipsmith::playback {

class Player::ClipSource : public AudioSource {
public:
    ClipSource(std::shared_ptr<const WaveClip> clip, std::int64_t firstFrame, int channels)
        : clip_(std::move(clip)), next_(firstFrame), channels_(channels) {}
    void Fill(std::int16_t* out, std::size_t frames) override {
        for (std::size_t i = 0; i < frames; ++i, ++next_) {
            for (int ch = 0; ch < channels_; ++ch) *out++ = clip_ ? clip_->Sample(next_, ch) : 0;
        }
    }

private:
    std::shared_ptr<const WaveClip> clip_;
    std::int64_t next_;
    int channels_;
};

Player::Player(std::unique_ptr<AudioOutput> output) : output_(output ? std::move(output) : NewSilentOutput()) {}

Player::~Player() { Stop(); }

bool Player::Play(std::shared_ptr<const WaveClip> clip, TimeValue soundStart, TimeValue from) {
    Stop();
    rate_ = clip ? clip->Rate() : 22050;
    const int channels = clip ? clip->Channels() : 1;
    const double offset = (static_cast<double>(from) - soundStart) * rate_ / TIME_TICKSPERSEC;
    source_ = std::make_unique<ClipSource>(std::move(clip), static_cast<std::int64_t>(std::floor(offset + 0.5)), channels);
    from_ = from;
    if (!output_->Start(source_.get(), rate_, channels)) {
        // The device refuses this format: keep time without sound.
        output_ = NewSilentOutput();
        if (!output_->Start(source_.get(), rate_, channels)) return false;
    }
    playing_ = true;
    return true;
}

void Player::Stop() {
    if (!playing_) return;
    output_->Stop();
    playing_ = false;
}

TimeValue Player::Position() const {
    if (!playing_) return from_;
    const long long ticks = output_->FramesPlayed() * TIME_TICKSPERSEC / rate_;
    return AddTicksClamped(from_, ticks);
}

bool PlaybackDriver::Start(std::shared_ptr<const WaveClip> clip, TimeValue soundStart, TimeValue end) {
    end_ = end;
    if (ip_.GetTime() >= end_) return false;
    return player_.Play(std::move(clip), soundStart, ip_.GetTime());
}

TimeValue PlaybackDriver::FrameTimeOf(TimeValue position) const {
    const int tpf = ip_.GetTicksPerFrame();
    const long long frame = static_cast<long long>(std::floor(static_cast<double>(position) / tpf));
    return static_cast<TimeValue>(std::clamp<long long>(frame * tpf, TIME_NegInfinity, TIME_PosInfinity));
}

bool PlaybackDriver::Step() {
    if (!player_.IsPlaying()) return false;
    const TimeValue pos = player_.Position();
    if (pos >= end_) {
        player_.Stop();
        ip_.SetTime(end_);
        return false;
    }
    ip_.SetTime(FrameTimeOf(pos));
    return true;
}

void PlaybackDriver::Stop() { player_.Stop(); }

}  // namespace lipsmith::playback
