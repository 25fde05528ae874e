// The voice's phonemes for words found in a recording: the voice speaks the
// words (silently), and each word's phonemes are stretched or shrunk to the
// word's length in the recording, as listening does.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SpeechApi.h"
#include "Timing.h"

namespace lipsmith::align {

// One phoneme notification as the pipeline takes it: the duration (ms) in
// the high 16 bits of wParam, the phone and its features in lParam.
struct PhonemeEvent {
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int Ms() const { return static_cast<int>((wParam >> 16) & 0xFFFF); }
    std::uint16_t Phone() const { return static_cast<std::uint16_t>(lParam & 0xFFFF); }
};

// Words spoken without a pause between them: each word lasts from its
// start to the next word's start, the last one to its own end.
struct WordRun {
    std::vector<std::string> words;
    std::vector<Ms> starts;
    Ms end{0};
};

class VoicePhonemes {
public:
    // Creates the in-process voice; `voice` empty keeps the default one.
    // Ok() tells whether it could start.
    explicit VoicePhonemes(const speech::VoiceToken* voice = nullptr);
    bool Ok() const { return voice_ != nullptr; }

    // The rescaled phonemes of the run, in order; their durations add up to
    // the run's length within rounding.
    std::vector<PhonemeEvent> Phonemes(const WordRun& run);

private:
    std::unique_ptr<speech::ISpVoice> voice_;
};

}  // namespace lipsmith::align
