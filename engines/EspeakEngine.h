// The one espeak-ng instance of the process. espeak-ng keeps global state, so
// a single synthesis thread owns it: every call into the library runs there,
// as a task posted to that thread.
#pragma once
#include <espeak-ng/speak_lib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SpeechApi.h"

namespace lipsmith::engines {

// Receives what one synthesis produces, on the synthesis thread.
class SynthListener {
public:
    virtual ~SynthListener() = default;
    // Events of the audio block that follows (positions in samples from the
    // start of the synthesis).
    virtual void OnEvent(const espeak_EVENT& event) = 0;
    // A block of samples; false stops the synthesis.
    virtual bool OnAudio(const short* samples, int count) = 0;
    // The phonemes of the clause about to be spoken, with stress marks.
    virtual void OnClausePhonemes(const char* phonemes) = 0;
    virtual bool Aborted() const = 0;
};

class EspeakEngine {
public:
    // Starts the engine on first use; nullptr when espeak-ng cannot start
    // (for instance without its data files).
    static EspeakEngine* Get();

    int SampleRate() const { return sampleRate_; }

    void Post(std::function<void()> task);
    void Run(std::function<void()> task);  // runs the task and waits for it

    // Synthesis thread only. Speaks `ssml` with `voice` as the starting voice.
    bool Synthesize(const std::string& ssml, const std::string& voice, SynthListener& listener);

    // The installed voices (cached after the first call); any thread.
    const std::vector<speech::VoiceToken>& Voices();

    ~EspeakEngine();

private:
    EspeakEngine() = default;
    bool Start();
    void Loop();

    std::thread thread_;
    std::thread::id threadId_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool quit_ = false;
    int sampleRate_ = 0;
    std::once_flag voicesOnce_;
    std::vector<speech::VoiceToken> voices_;
};

}  // namespace lipsmith::engines
