// Plays the scene's sound from a time and tells, at any moment, the time
// the listener hears: the start time plus the frames the output has played.
// The scene's time follows that clock (PlaybackDriver), never a timer of its
// own, so picture and sound cannot drift apart.
#pragma once
#include <memory>

#include "AudioOutput.h"
#include "Interface.h"
#include "WaveClip.h"

namespace lipsmith::playback {

class Player {
public:
    explicit Player(std::unique_ptr<AudioOutput> output);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Plays clip (none: silence) whose first frame sounds at tick soundStart,
    // beginning at tick `from`; before the clip and after it there is silence.
    bool Play(std::shared_ptr<const WaveClip> clip, TimeValue soundStart, TimeValue from);
    void Stop();
    bool IsPlaying() const { return playing_; }
    // The tick being heard now (the start tick while stopped).
    TimeValue Position() const;
    AudioOutput& Output() { return *output_; }

private:
    class ClipSource;
    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<ClipSource> source_;
    TimeValue from_ = 0;
    int rate_ = 22050;
    bool playing_ = false;
};

// Moves the scene's time with a player: each Step sets the time to the
// frame being heard, until the end tick is reached.
class PlaybackDriver {
public:
    PlaybackDriver(Interface& ip, Player& player) : ip_(ip), player_(player) {}
    // Starts at the scene's current time and plays up to `end`.
    bool Start(std::shared_ptr<const WaveClip> clip, TimeValue soundStart, TimeValue end);
    // Follows the player; false once playback has ended (the time then is `end`).
    bool Step();
    void Stop();
    bool IsPlaying() const { return player_.IsPlaying(); }
    // The frame time Step gives for a position: the start of the frame heard.
    TimeValue FrameTimeOf(TimeValue position) const;

private:
    Interface& ip_;
    Player& player_;
    TimeValue end_ = 0;
};

}  // namespace lipsmith::playback
