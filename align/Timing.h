// Times in a recording, from its first sample, and what alignment finds there.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace lipsmith::align {

using Ms = std::chrono::milliseconds;

// A word of the text found in the recording.
struct MatchedWord {
    std::size_t index = 0;  // in the text's words
    Ms start{0};
    Ms end{0};
};

// A word of the text that was not found; it would lie between `after` and
// `before` (the neighbouring words that were found, or the recording's ends).
struct MissedWord {
    std::size_t index = 0;
    Ms after{0};
    Ms before{0};
    bool unpronounceable = false;  // the recognizer has no pronunciation for it
};

// Speech that matches no word of the text.
struct ExtraSpeech {
    Ms start{0};
    Ms end{0};
};

inline Ms SamplesToMs(std::uint64_t samples, int rate) {
    return Ms(static_cast<long long>((samples * 1000 + static_cast<std::uint64_t>(rate) / 2) / static_cast<std::uint64_t>(rate)));
}

}  // namespace lipsmith::align
