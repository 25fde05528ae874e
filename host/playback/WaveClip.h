// A wave file's samples in memory, as 16-bit frames of one or two channels,
// for playing and for drawing. PCM only (8 or 16 bits, any rate); a file
// with more than two channels keeps its first two.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lipsmith::playback {

class WaveClip {
public:
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    std::int64_t Frames() const { return static_cast<std::int64_t>(samples_.size()) / channels_; }
    // Sample of channel ch at frame f; 0 outside the clip.
    std::int16_t Sample(std::int64_t f, int ch) const {
        if (f < 0 || f >= Frames()) return 0;
        return samples_[static_cast<std::size_t>(f * channels_ + ch)];
    }
    const std::vector<std::int16_t>& Samples() const { return samples_; }

    // A clip made from samples (interleaved), for tests and tools.
    static std::shared_ptr<WaveClip> FromSamples(std::vector<std::int16_t> samples, int rate, int channels);

private:
    friend struct WaveClipLoader;
    std::vector<std::int16_t> samples_;
    int rate_ = 22050;
    int channels_ = 1;
};

struct WaveClipResult {
    std::shared_ptr<WaveClip> clip;  // none on failure
    std::string error;               // why, on failure
    explicit operator bool() const { return clip != nullptr; }
};

// Reads a RIFF WAVE file. Files larger than maxBytes of samples are refused.
WaveClipResult LoadWaveClip(const std::string& path, std::uint64_t maxBytes = 2ull << 30);

}  // namespace lipsmith::playback
