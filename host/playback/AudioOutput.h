// Where played sound goes: the sound card through PortAudio, or, without a
// device (servers, CI, LIPSMITH_NO_AUDIO=1), a silent output that consumes
// the sound at the pace of a clock. Either way the output pulls the frames
// from a source on its own thread and counts the frames it has played,
// which is the clock playback follows.
#pragma once
#include <cstdint>
#include <memory>

namespace lipsmith::playback {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Fills frames of interleaved 16-bit samples (called on the output's thread).
    virtual void Fill(std::int16_t* out, std::size_t frames) = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts pulling from source (which must outlive Stop). False when the
    // output cannot play this format.
    virtual bool Start(AudioSource* source, int rate, int channels) = 0;
    // Stops pulling; safe to call when stopped.
    virtual void Stop() = 0;
    // Frames played since Start (what the listener has heard so far).
    virtual std::int64_t FramesPlayed() const = 0;
    // True for the output that discards its sound.
    virtual bool IsSilent() const = 0;
};

// The time a silent output keeps. Real time for the studio; a benchmark may
// run a clock faster than real time.
class PlaybackClock {
public:
    virtual ~PlaybackClock() = default;
    virtual double Seconds() = 0;
    // Waits about `seconds` of this clock.
    virtual void Sleep(double seconds) = 0;
};
// Real time (steady clock); speed > 1 runs that many times faster.
std::shared_ptr<PlaybackClock> RealTimeClock(double speed = 1.0);

// An output that plays nothing and consumes frames at the pace of clock.
std::unique_ptr<AudioOutput> NewSilentOutput(std::shared_ptr<PlaybackClock> clock = RealTimeClock());
// The default sound device, or nullptr when there is none (or
// LIPSMITH_NO_AUDIO is set).
std::unique_ptr<AudioOutput> OpenDeviceOutput();
// The device if there is one, else a silent output.
std::unique_ptr<AudioOutput> OpenBestOutput();

}  // namespace lipsmith::playback
