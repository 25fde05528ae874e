// Cuts a stream of 16 kHz mono audio into phrases at its pauses. Loudness is
// measured in frames of 10 ms against a floor that follows the background
// noise; a phrase runs from its first loud frame to its last, with a little
// of the quiet around it, and ends at a pause of at least `minPause`. A
// phrase that never pauses is cut at its longest short pause once it reaches
// `maxPhrase`. Only the current phrase is held, whatever the stream's length.
#pragma once
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace lipsmith::align {

inline constexpr int kCutRate = 16000;
inline constexpr int kCutFrame = kCutRate / 100;  // samples per 10 ms

struct CutPhrase {
    std::uint64_t startSample = 0;    // in the stream, at 16 kHz
    std::vector<std::int16_t> audio;  // from startSample on
    std::uint64_t EndSample() const { return startSample + audio.size(); }
};

struct CutOptions {
    std::chrono::milliseconds minPause{150};
    std::chrono::milliseconds padding{150};  // quiet kept on each side of a phrase
    std::chrono::milliseconds maxPhrase{8000};
    double marginDb = 14.0;  // loud: this far above the noise floor
};

class PhraseCutter {
public:
    explicit PhraseCutter(CutOptions options = {});
    // Appends the phrases that end within these samples to `done`.
    void Feed(std::span<const std::int16_t> samples, std::vector<CutPhrase>& done);
    // The end of the stream: the phrase in progress, if any.
    void Finish(std::vector<CutPhrase>& done);

private:
    void Frame(const std::int16_t* frame, std::vector<CutPhrase>& done);
    void Emit(std::size_t endFrame, std::vector<CutPhrase>& done);

    CutOptions options_;
    std::vector<std::int16_t> partial_;  // less than a frame, waiting for more
    std::vector<std::int16_t> held_;     // audio from heldStart_ to the stream's end (whole frames)
    std::vector<bool> loud_;             // per frame of held_
    std::uint64_t heldStart_ = 0;
    bool inPhrase_ = false;
    std::size_t phraseFirst_ = 0;  // first frame of the phrase in held_ (padding included)
    std::size_t lastLoud_ = 0;     // last loud frame in held_
    double floorDb_ = -1.0;        // background level; < 0 until the first frame
};

}  // namespace lipsmith::align
