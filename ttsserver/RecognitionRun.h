// One recognition run of the speech server: listen for the first phrase,
// write its audio to the phrase audio file, have the voice re-speak the
// recognised words, and send the voice's phonemes rescaled to the speaker's
// timing as phoneme notifications. Stop ends it at any point.
//
// The run fetches the voice's events itself while it re-speaks: whoever
// owns the voice must leave its events alone until the run is done.
#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioInput.h"
#include "MessageQueue.h"
#include "PhraseCapture.h"
#include "Recognizer.h"
#include "SpeechApi.h"

namespace lipsmith::tts {

struct RecognitionRunSetup {
    std::string grammarText;      // may be empty: dictation alone
    std::string phraseAudioPath;  // receives the phrase, 22050 Hz 16-bit mono
    // Not owned; they must outlive the run.
    engines::AudioSource* audio = nullptr;
    engines::SpeechDetector* detector = nullptr;
    engines::Recognizer* recognizer = nullptr;
    speech::ISpVoice* voice = nullptr;  // none: no phonemes
    // Sends one notification (the rescaled phonemes: WM_APP + 6).
    std::function<void(UINT message, WPARAM wParam, LPARAM lParam)> notify;
    std::function<std::shared_ptr<speech::SpStream>()> createStream;  // default: CreateSpStream
    // The re-speaking only times the phonemes; played aloud it would hold
    // the keys back by the length of the phrase.
    bool respeakSilently = true;
    engines::CaptureOptions capture;
};

enum class RunOutcome {
    Done,          // phrase written and its phonemes sent
    Stopped,       // Stop was called
    CannotStart,   // no audio input (or a missing part)
    NoPhrase,      // the input ended without a phrase
    NoAudio,       // the phrase has no retained audio
    FileFailed,    // the phrase audio file could not be written
    DecoderFailed, // the recognizer failed
};

struct RecognitionRunResult {
    RunOutcome outcome = RunOutcome::Stopped;
    std::string message;             // for the user, when not Done
    std::string text;                // the recognised words
    engines::RecognitionSource source = engines::RecognitionSource::None;
    std::vector<std::string> notes;  // the recognizer's notes
    std::size_t phonemesSent = 0;
    std::chrono::microseconds finishTime{0};  // end of the phrase to its words
    // Where the last word ends in the input, in 22050 Hz samples from the
    // start of listening.
    std::uint64_t speechEndSample = 0;
};

class RecognitionRun {
public:
    explicit RecognitionRun(RecognitionRunSetup setup);
    ~RecognitionRun();  // stops the run and waits for it
    RecognitionRun(const RecognitionRun&) = delete;
    RecognitionRun& operator=(const RecognitionRun&) = delete;

    // Runs on a thread of its own; `done` is called there at the end.
    void Start(std::function<void(const RecognitionRunResult&)> done = {});
    // Runs on the calling thread.
    RecognitionRunResult Run();
    // Any thread, any time.
    void Stop();
    // Waits for a started run.
    RecognitionRunResult Wait();

private:
    RecognitionRunResult Respeak(const engines::CapturedPhrase& phrase, RecognitionRunResult result);
    bool WritePhraseAudio(const engines::CapturedPhrase& phrase);

    RecognitionRunSetup setup_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    engines::PhraseCapture* capture_ = nullptr;  // while listening
    std::thread thread_;
    RecognitionRunResult result_;
};

}  // namespace lipsmith::tts
