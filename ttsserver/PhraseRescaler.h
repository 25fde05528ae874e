// Fits a voice's phonemes to a recognised phrase: the voice re-speaks the
// recognised text, and the durations of each word's phonemes are stretched or
// shrunk so that the word lasts as long as the speaker's word did in the
// retained audio. Each phoneme then goes out as a phoneme notification
// (WM_APP + 6) whose wParam carries the new duration in bits 16..31.
//
// Feed it the voice's events in order; it holds the phonemes of the current
// word until the word's end is known.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "MessageQueue.h"
#include "SpeechApi.h"

namespace lipsmith::tts {

inline constexpr UINT kPhonemeMessage = WM_APP + speech::SPEI_PHONEME;

// The recognised phrase: where each word starts in the retained audio and
// how long that audio is, in bytes of the recognition format.
struct PhraseTiming {
    std::vector<std::uint32_t> wordOffsets;
    std::uint32_t retainedBytes = 0;
    std::uint32_t bytesPerSecond = 44100;  // 22050 Hz 16-bit mono
    // Where each recognised word starts in the text the voice re-speaks
    // (characters), when known. A voice does not report every word: it may
    // say two as one ("of the") or one as two. With the positions, each
    // boundary is matched to the word at its place, and phonemes that cover
    // several recognised words are fitted to all of them; without them
    // boundaries and words are paired in order.
    std::vector<std::uint32_t> wordPositions;
};

// The positions of the words of `text` joined by single blanks, as the
// recognised text is.
std::vector<std::uint32_t> WordPositionsOf(const std::vector<std::string>& words);

class PhraseRescaler {
public:
    // Sends one rescaled phoneme notification (wParam, lParam).
    using Send = std::function<void(WPARAM wParam, LPARAM lParam)>;

    PhraseRescaler(PhraseTiming phrase, Send send);

    // Any voice event; events other than stream start and end, phonemes and
    // word boundaries are ignored.
    void OnVoiceEvent(const speech::SPEVENT& event);

    void StartStream();
    // `audioOffset` is where the event lies in the voice's audio (bytes); it
    // tells whether a phoneme reported before a word boundary already
    // belongs to the next word.
    void Phoneme(WPARAM wParam, LPARAM lParam, std::uint64_t audioOffset = 0);
    void WordBoundary(std::uint32_t position, std::uint64_t audioOffset = 0);
    void EndStream();

    // Index of the recognised word the current phonemes belong to.
    std::uint32_t WordIndex() const { return wordIndex_; }

private:
    struct Record {
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        std::uint64_t audioOffset = 0;
        std::uint32_t Duration() const { return static_cast<std::uint32_t>((wParam >> 16) & 0xFFFF); }
        std::uint16_t Phone() const { return static_cast<std::uint16_t>(lParam & 0xFFFF); }
    };

    // Sends the queued phonemes fitted to the recognised words from the
    // current one up to (not including) `nextWord`.
    void Flush(bool endOfStream, std::uint32_t nextWord);
    // Bytes of retained audio of the words [current, nextWord); false past
    // the phrase's words.
    bool WordBytes(std::uint32_t nextWord, std::uint32_t* bytes) const;
    // The recognised word a boundary at `position` starts.
    std::uint32_t WordAt(std::uint32_t position) const;

    PhraseTiming phrase_;
    Send send_;
    std::vector<Record> queue_;
    std::uint64_t sum_ = 0;
    std::uint64_t skippedBytes_ = 0;  // recording of earlier words that had no phonemes
    std::uint32_t wordIndex_ = 0;
    std::uint16_t previousPhone_ = 0;
    bool sawBoundary_ = false;
};

}  // namespace lipsmith::tts
