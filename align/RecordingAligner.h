// Aligns a recording of any length with its text: streams it in blocks
// (only the current phrase is held), cuts it at pauses, matches each phrase
// against the next stretch of the text, and hands the voice's phonemes of
// the words found, rescaled to the speaker's timing, to a listener in the
// order of the recording. Optionally writes the recording as 22050 Hz mono
// 16-bit beside the work, for the scene's sound.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ForcedAligner.h"
#include "Timing.h"
#include "VoicePhonemes.h"

namespace lipsmith::align {

// One actor's part of the text.
struct ActorText {
    std::string node;
    std::string text;  // may hold markup; only its words count
};

class AlignListener {
public:
    virtual ~AlignListener() = default;
    // The words of actor `actor` begin (again) at `at`.
    virtual void ActorStarts(std::size_t actor, Ms at) = 0;
    // Phonemes of a run of words starting at `at`.
    virtual void Phonemes(Ms at, const std::vector<PhonemeEvent>& phonemes) = 0;
};

struct AlignSetup {
    std::string recording;
    std::vector<ActorText> actors;
    std::string copyPath;  // where the 22050 Hz copy goes; empty: none
    engines::ForcedAligner* aligner = nullptr;
    VoicePhonemes* voice = nullptr;
    std::function<bool()> stopRequested;               // polled between blocks
    std::function<void(Ms done, Ms total)> progress;   // after each block
};

enum class AlignStatus { Done, Stopped, CannotRead, CannotWrite, DecoderFailed };

struct AlignReport {
    AlignStatus status = AlignStatus::Done;
    std::string message;  // when not Done
    Ms length{0};         // of the recording
    std::vector<std::string> words;        // the text's words, all actors in turn
    std::vector<std::size_t> actorOfWord;  // index into AlignSetup::actors
    std::vector<MatchedWord> matched;
    std::vector<MissedWord> missed;        // in text order
    std::vector<ExtraSpeech> extra;
    std::size_t phrases = 0;
};

AlignReport AlignRecording(const AlignSetup& setup, AlignListener& listener);

}  // namespace lipsmith::align
