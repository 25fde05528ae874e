#include "PlaybackController.h"

namespace lipsmith::studio {

PlaybackController::PlaybackController(Interface& ip, QObject* parent) : QObject(parent), ip_(ip) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(10);  // the time is read from the output's clock at each step, so steps may come late
    connect(&timer_, &QTimer::timeout, this, &PlaybackController::Step);
}

PlaybackController::~PlaybackController() { Stop(); }

void PlaybackController::SetOutput(std::unique_ptr<playback::AudioOutput> output) {
    Stop();
    nextOutput_ = std::move(output);
}

playback::AudioOutput* PlaybackController::Output() const { return player_ ? &player_->Output() : nullptr; }

bool PlaybackController::Play(std::shared_ptr<const playback::WaveClip> clip, TimeValue soundStart, TimeValue end) {
    Stop();
    if (nextOutput_ || !player_) {
        driver_.reset();
        player_ = std::make_unique<playback::Player>(nextOutput_ ? std::move(nextOutput_) : playback::OpenBestOutput());
        driver_ = std::make_unique<playback::PlaybackDriver>(ip_, *player_);
    }
    if (!driver_->Start(std::move(clip), soundStart, end)) return false;
    timer_.start();
    emit PlayingChanged(true);
    return true;
}

void PlaybackController::Stop() {
    if (!IsPlaying()) return;
    timer_.stop();
    driver_->Stop();
    emit PlayingChanged(false);
}

bool PlaybackController::IsPlaying() const { return driver_ && driver_->IsPlaying(); }

void PlaybackController::Step() {
    if (!driver_ || !driver_->Step()) {
        timer_.stop();
        emit PlayingChanged(false);
    }
}

}  // namespace lipsmith::studio
