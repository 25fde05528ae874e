// Listens to an audio source until the first phrase: the phrase begins when
// the speech detector hears speech and ends after its silence hang-over or
// at the end of the input. The phrase is decoded while it is spoken; what
// comes back is the retained audio (22050 Hz mono 16-bit, from the start of
// the first recognised word to the end of the last) and each word's byte
// offset in it.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "AudioInput.h"
#include "Recognizer.h"

namespace lipsmith::engines {

// 10 ms of 22050 Hz 16-bit mono audio.
inline constexpr std::uint32_t kBytesPerFrame = 441;

struct PhraseWord {
    std::string text;
    std::uint32_t retainedOffset = 0;  // bytes from the start of the retained audio
    int startFrame = 0;                // frames of 10 ms from the start of the decoded phrase
    int endFrame = 0;                  // inclusive
};

struct CapturedPhrase {
    std::vector<std::int16_t> audio;  // the retained audio
    std::vector<PhraseWord> words;
    // Where the decoded phrase and the retained audio begin in the input, in
    // 22050 Hz samples from the start of listening.
    std::uint64_t phraseStartSample = 0;
    std::uint64_t retainedStartSample = 0;
    RecognitionResult recognition;

    std::uint32_t RetainedBytes() const { return static_cast<std::uint32_t>(audio.size() * 2); }
    std::string Text() const { return recognition.Text(); }
};

enum class CaptureStatus {
    Phrase,       // a phrase with words
    Stopped,      // Stop was called
    NoPhrase,     // the input ended without a recognised phrase
    CannotStart,  // the audio source could not start
    Failed,       // the decoder failed
};

struct CaptureResult {
    CaptureStatus status = CaptureStatus::NoPhrase;
    std::string message;
    CapturedPhrase phrase;
    // From the end of the phrase (silence detected or input ended) to its words.
    std::chrono::microseconds finishTime{0};
};

struct CaptureOptions {
    // Audio kept before the detector's first speech, so that the start of
    // the first word is not cut off.
    std::chrono::milliseconds preroll{500};
    // A phrase that never pauses is cut here.
    std::chrono::seconds maxPhrase{60};
};

// Builds the retained audio and word offsets of a decoded phrase: `phrase`
// is its 22050 Hz audio, the words' frames count from its start.
CapturedPhrase RetainPhrase(const std::vector<std::int16_t>& phrase, RecognitionResult recognition);

class PhraseCapture {
public:
    PhraseCapture(AudioSource& source, SpeechDetector& detector, Recognizer& recognizer, CaptureOptions options = {});
    // Starts the source and listens until the first phrase (or the end, or Stop).
    CaptureResult Listen(std::string_view grammarText);
    // Any thread: Listen returns promptly with Stopped.
    void Stop();

private:
    AudioSource& source_;
    SpeechDetector& detector_;
    Recognizer& recognizer_;
    CaptureOptions options_;
    std::atomic<bool> stop_{false};
};

}  // namespace lipsmith::engines
