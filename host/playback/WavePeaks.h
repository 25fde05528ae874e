// The loudness outline of a clip for drawing its waveform at any zoom: the
// smallest and largest sample of each block of frames, so that the range of
// any stretch of the clip is found from the blocks it covers.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "WaveClip.h"

namespace lipsmith::playback {

struct PeakRange {
    std::int16_t low = 0, high = 0;
};

class WavePeaks {
public:
    static constexpr int kBlockFrames = 256;

    explicit WavePeaks(std::shared_ptr<const WaveClip> clip);
    const WaveClip* Clip() const { return clip_.get(); }
    // The range of samples (all channels) in frames [first, last); 0..0 outside the clip.
    PeakRange Range(std::int64_t first, std::int64_t last) const;

private:
    std::shared_ptr<const WaveClip> clip_;
    std::vector<PeakRange> blocks_;
};

}  // namespace lipsmith::playback
