#include "QuietFrames.h"

#include <algorithm>
#include <cmath>

namespace lipsmith::engines {

std::vector<bool> QuietFrames(std::span<const std::int16_t> phrase, std::size_t samplesPerFrame) {
    std::vector<double> level;
    for (std::size_t at = 0; samplesPerFrame > 0 && at + samplesPerFrame <= phrase.size(); at += samplesPerFrame) {
        double sum = 0;
        for (std::size_t i = at; i < at + samplesPerFrame; ++i) sum += double(phrase[i]) * phrase[i];
        level.push_back(10.0 * std::log10(sum / static_cast<double>(samplesPerFrame) + 1.0));
    }
    std::vector<bool> quiet(level.size(), false);
    if (level.empty()) return quiet;
    // Quiet is 12 dB over the noise floor (the 5th percentile), but never
    // closer than 40 dB below the loudest frame.
    std::vector<double> sorted = level;
    std::sort(sorted.begin(), sorted.end());
    const double floor = sorted[sorted.size() / 20];
    const double threshold = std::max(floor + 12.0, sorted.back() - 40.0);
    for (std::size_t i = 0; i < level.size(); ++i) quiet[i] = level[i] < threshold;
    return quiet;
}

}  // namespace lipsmith::engines
