// What speaks one actor's text for the script parser: the speech session
// hands the text to the engine and waits until it has been spoken.
#pragma once
#include <string>

#include "Result.h"

namespace lipsmith {

class ActorSpeaker {
public:
    virtual ~ActorSpeaker() = default;
    // text: Speech API 5 markup for one actor; wavePass: 0 keys pass, 1 wave
    // pass. Returns 0 when spoken to the end, 1 when the user stopped the run,
    // anything else as a failure; every nonzero result ends the parse.
    virtual HRESULT SpeakActor(const std::string& text, int wavePass) = 0;
};

}  // namespace lipsmith
