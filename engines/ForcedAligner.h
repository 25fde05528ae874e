// Forced alignment of one phrase of a recording against a stretch of the
// expected text. The phrase may say any run of the stretch's words in order,
// starting at its first word or later and ending anywhere; a word of the
// stretch that the speaker left out may be passed over (at a cost), and
// speech that fits no word is taken by the decoder's noise models and
// reported as extra speech. Audio is 16 kHz mono 16-bit; times are frames of
// 10 ms from the start of the phrase.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Recognizer.h"

namespace lipsmith::engines {

struct AlignedWord {
    std::size_t index = 0;  // position in the stretch
    int startFrame = 0;
    int endFrame = 0;       // inclusive
};

// Speech in the phrase that no word of the stretch explains.
struct ExtraSpeech {
    int startFrame = 0;
    int endFrame = 0;  // inclusive
};

struct StretchAlignment {
    HRESULT status = S_OK;              // a failure of the decoder itself
    std::vector<AlignedWord> words;     // in spoken order, indexes increasing
    std::vector<ExtraSpeech> extra;
    // Stretch words the decoder cannot use (no pronunciation); they are never
    // in `words`.
    std::vector<std::size_t> unpronounceable;
};

class ForcedAligner {
public:
    virtual ~ForcedAligner() = default;
    // `firstIndex` is the stretch's place in the whole text: words at the
    // same place keep their entries in the decoder's dictionary.
    virtual StretchAlignment Align(std::span<const std::int16_t> phrase, const std::vector<std::string>& stretch,
                                   std::size_t firstIndex) = 0;
};

struct ForcedAlignerOptions {
    std::string modelDir;  // as RecognizerOptions::modelDir
    // Phones for words the dictionary lacks (EspeakPronunciation gives them).
    std::function<std::string(const std::string& word)> pronounce;
    // Probability of passing over a word of the stretch inside the phrase.
    double skipProbability = 1e-12;
    // Probability of speech that is no word of the stretch; 0: never.
    double extraSpeechProbability = 0;
};

// Loads the acoustic model and dictionary (slow: once per run).
RecognizerCreation CreatePocketAligner(const ForcedAlignerOptions& options, std::unique_ptr<ForcedAligner>* out);

}  // namespace lipsmith::engines
