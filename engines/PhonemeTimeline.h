// Orders and times the events of one spoken stream. Phoneme durations come
// from sample positions, as differences of rounded cumulative milliseconds,
// so the durations of a stream add up to the length of its audio with no
// drift. An event is handed out only once the audio up to its position has
// been written, and a phoneme only once the next one (its end) is known.
// No phoneme is lost: one reported where the next begins shares the time of
// the phoneme before it.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "SpeechApi.h"

namespace lipsmith::engines {

class PhonemeTimeline {
public:
    explicit PhonemeTimeline(std::uint32_t sampleRate, std::uint32_t bytesPerSample = 2);

    // A phoneme starting at `sample` (phone id 1..49, feature flags).
    void AddPhoneme(std::uint64_t sample, std::uint16_t id, std::uint16_t features);
    // Any other event (boundary, bookmark, voice change) at `sample`. It goes
    // before phonemes that start at or after it but are not handed out yet.
    void AddEvent(std::uint64_t sample, speech::SPEVENT event);
    // Total samples written to the output so far.
    void AudioWritten(std::uint64_t samples);
    // The stream has ended with `totalSamples` of audio: the last phoneme runs
    // to the end and everything still held is released.
    void Finish(std::uint64_t totalSamples);

    std::vector<speech::SPEVENT> TakeReady();

    // Rounded milliseconds of audio before `sample`.
    std::uint64_t MsAt(std::uint64_t sample) const;

private:
    struct Entry {
        bool phoneme = false;
        std::uint64_t sample = 0;
        std::uint16_t id = 0;
        std::uint16_t features = 0;
        speech::SPEVENT event;
    };
    void Pump();
    // Moves phonemes that the engine reported with no length of their own
    // into the end of the front phoneme's stretch; false while the phonemes
    // after them are not known yet.
    bool GiveTimeToHidden();
    void EmitPhoneme(const Entry& e, std::uint64_t durationMs, std::uint16_t next);

    static constexpr std::uint64_t kHiddenAfterPauseMs = 60;

    std::uint32_t rate_;
    std::uint32_t bytesPerSample_;
    std::deque<Entry> pending_;
    std::vector<speech::SPEVENT> ready_;
    std::uint64_t written_ = 0;
    std::uint64_t total_ = 0;
    bool finished_ = false;
    bool sawPhoneme_ = false;
};

}  // namespace lipsmith::engines
