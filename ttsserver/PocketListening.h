// Listening with pocketsphinx: the process keeps one decoder warm between
// runs (loading the model takes about a second), each run takes a speech
// detector and the audio input (the microphone, or LIPSMITH_MIC_WAVE), and
// RecognitionRun does the rest.
#pragma once
#include <memory>

#include "Listening.h"
#include "Recognizer.h"

namespace lipsmith::tts {

class PocketListening : public Listening {
public:
    // Words the dictionary lacks are pronounced by the espeak-ng rules.
    PocketListening();
    HRESULT Check(std::string* why) override;
    std::unique_ptr<ListeningRun> Prepare(ListeningRequest request, std::string* why) override;

private:
    engines::RecognizerOptions options_;
    engines::RecognizerCache cache_;
};

}  // namespace lipsmith::tts
