#include "WavePeaks.h"

#include <algorithm>

namespace lipsmith::playback {
namespace {

PeakRange RangeOfFrames(const WaveClip& clip, std::int64_t first, std::int64_t last) {
    PeakRange r{INT16_MAX, INT16_MIN};
    for (std::int64_t f = first; f < last; ++f) {
        for (int ch = 0; ch < clip.Channels(); ++ch) {
            const std::int16_t s = clip.Sample(f, ch);
            r.low = std::min(r.low, s);
            r.high = std::max(r.high, s);
        }
    }
    return r;
}

void Widen(PeakRange& r, const PeakRange& o) {
    r.low = std::min(r.low, o.low);
    r.high = std::max(r.high, o.high);
}

}  // namespace

WavePeaks::WavePeaks(std::shared_ptr<const WaveClip> clip) : clip_(std::move(clip)) {
    if (!clip_) return;
    const std::int64_t frames = clip_->Frames();
    blocks_.reserve(static_cast<std::size_t>((frames + kBlockFrames - 1) / kBlockFrames));
    for (std::int64_t f = 0; f < frames; f += kBlockFrames)
        blocks_.push_back(RangeOfFrames(*clip_, f, std::min(f + kBlockFrames, frames)));
}

PeakRange WavePeaks::Range(std::int64_t first, std::int64_t last) const {
    if (!clip_) return {};
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, clip_->Frames());
    if (first >= last) return {};
    PeakRange r{INT16_MAX, INT16_MIN};
    // Partial blocks at either end are read sample by sample, whole ones from the outline.
    const std::int64_t firstWhole = (first + kBlockFrames - 1) / kBlockFrames;
    const std::int64_t lastWhole = last / kBlockFrames;
    if (firstWhole >= lastWhole) return RangeOfFrames(*clip_, first, last);
    Widen(r, RangeOfFrames(*clip_, first, firstWhole * kBlockFrames));
    for (std::int64_t b = firstWhole; b < lastWhole; ++b) Widen(r, blocks_[static_cast<std::size_t>(b)]);
    if (lastWhole * kBlockFrames < last) Widen(r, RangeOfFrames(*clip_, lastWhole * kBlockFrames, last));
    return r;
}

}  // namespace lipsmith::playback
