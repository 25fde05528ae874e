// Playback in the studio: the player with its output, and a timer of the
// event loop that moves the scene's time to the frame being heard.
#pragma once
#include <QObject>
#include <QTimer>
#include <memory>

#include "Player.h"

namespace lipsmith::studio {

class PlaybackController : public QObject {
    Q_OBJECT
public:
    explicit PlaybackController(Interface& ip, QObject* parent = nullptr);
    ~PlaybackController() override;

    // Plays from the scene's current time up to end.
    bool Play(std::shared_ptr<const playback::WaveClip> clip, TimeValue soundStart, TimeValue end);
    void Stop();
    bool IsPlaying() const;
    // Where playback sends its sound; by default the sound card, or a
    // silent output without one. Takes effect at the next Play.
    void SetOutput(std::unique_ptr<playback::AudioOutput> output);
    // The output in use (none before the first Play).
    playback::AudioOutput* Output() const;
    playback::Player* GetPlayer() const { return player_.get(); }

signals:
    void PlayingChanged(bool playing);

private:
    void Step();
    Interface& ip_;
    QTimer timer_;
    std::unique_ptr<playback::AudioOutput> nextOutput_;
    std::unique_ptr<playback::Player> player_;
    std::unique_ptr<playback::PlaybackDriver> driver_;
};

}  // namespace lipsmith::studio
