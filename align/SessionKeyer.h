// Keys an aligned recording the way a run keys spoken speech: every phoneme
// goes through the session's phoneme handling (the same keys, notes and
// tangents on the actor and its descendants), and the quiet between runs of
// words becomes silence phonemes, so the speech clock follows the recording.
#pragma once
#include <string>
#include <vector>

#include "RecordingAligner.h"

namespace lipsmith {
class SpeechSession;
}

namespace lipsmith::align {

class SessionKeyer : public AlignListener {
public:
    // The session's clock must have been reset to the run's start tick.
    SessionKeyer(SpeechSession& session, std::vector<ActorText> actors);

    void ActorStarts(std::size_t actor, Ms at) override;
    void Phonemes(Ms at, const std::vector<PhonemeEvent>& phonemes) override;
    // The silence up to the end of the recording.
    void Finish(Ms end);

    std::size_t PhonemesKeyed() const { return keyed_; }
    // The actors that got keys, in the order they first spoke.
    const std::vector<std::string>& ActorsKeyed() const { return actorsKeyed_; }

private:
    void SilenceUntil(Ms at);

    SpeechSession& session_;
    std::vector<ActorText> actors_;
    std::size_t keyed_ = 0;
    std::vector<std::string> actorsKeyed_;
};

}  // namespace lipsmith::align
