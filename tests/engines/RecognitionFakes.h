// Scripted stand-ins for the listening parts: an audio source that plays a
// buffer (or waits for Stop like a quiet microphone), a speech detector that
// hears anything louder than a threshold, and a recognizer that answers
// each phrase from a script.
#pragma once
#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "AudioInput.h"
#include "Recognizer.h"

namespace lipsmith::testing {

class FakeAudioSource : public engines::AudioSource {
public:
    explicit FakeAudioSource(std::vector<std::int16_t> audio = {}) : audio_(std::move(audio)) {}

    engines::AudioStart start;   // what Start answers
    bool waitAtEnd = false;      // after the audio, wait for Stop like a live device
    int starts = 0;

    engines::AudioStart Start() override {
        ++starts;
        return start;
    }
    std::size_t Read(std::span<std::int16_t> out) override {
        std::unique_lock lock(mutex_);
        if (at_ >= audio_.size() && waitAtEnd) {
            waiting_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return stopped_; });
        }
        if (stopped_) return 0;
        const std::size_t n = std::min(out.size(), audio_.size() - at_);
        std::copy_n(audio_.begin() + static_cast<long>(at_), n, out.begin());
        at_ += n;
        return n;
    }
    void Stop() override {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    // Blocks until a Read waits at the end of the audio.
    void WaitUntilWaiting() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_; });
    }

private:
    std::vector<std::int16_t> audio_;
    std::size_t at_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopped_ = false;
    bool waiting_ = false;
};

// Speech while the last block had a sample louder than the threshold.
class LoudnessDetector : public engines::SpeechDetector {
public:
    void Reset() override { ++resets; }
    bool Feed(std::span<const std::int16_t> samples) override {
        bool loud = false;
        for (std::int16_t s : samples) loud = loud || std::abs(s) > 1000;
        return loud;
    }
    int resets = 0;
};

// Answers the n-th phrase with the n-th scripted result (or no words).
class ScriptedRecognizer : public engines::Recognizer {
public:
    std::deque<engines::RecognitionResult> answers;
    std::vector<std::size_t> phraseSamples;  // 16 kHz samples fed per finished phrase
    std::vector<std::string> grammars;

    HRESULT StartPhrase() override {
        fed_ = 0;
        return S_OK;
    }
    HRESULT FeedPhrase(std::span<const std::int16_t> samples) override {
        fed_ += samples.size();
        return S_OK;
    }
    engines::RecognitionResult FinishPhrase(std::string_view grammarText) override {
        phraseSamples.push_back(fed_);
        grammars.emplace_back(grammarText);
        if (answers.empty()) return {};
        engines::RecognitionResult r = answers.front();
        answers.pop_front();
        return r;
    }

private:
    std::size_t fed_ = 0;
};

inline engines::RecognitionResult Words(std::vector<engines::RecognizedWord> words) {
    engines::RecognitionResult r;
    r.source = engines::RecognitionSource::Grammar;
    r.words = std::move(words);
    return r;
}

// `seconds` of silence, then loud "speech", in 22050 Hz samples.
inline void AppendSilence(std::vector<std::int16_t>& audio, double seconds) {
    audio.insert(audio.end(), static_cast<std::size_t>(seconds * 22050), 0);
}
inline void AppendSpeech(std::vector<std::int16_t>& audio, double seconds) {
    const auto n = static_cast<std::size_t>(seconds * 22050);
    for (std::size_t i = 0; i < n; ++i) audio.push_back(static_cast<std::int16_t>(i % 20 < 10 ? 8000 : -8000));
}

}  // namespace lipsmith::testing
