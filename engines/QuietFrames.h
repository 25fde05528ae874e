// Which 10 ms frames of a phrase are quiet: far below its loud parts. The
// decoders leave pauses inside neighbouring words; these frames tell where.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lipsmith::engines {

// One flag per whole frame of `samplesPerFrame` samples.
std::vector<bool> QuietFrames(std::span<const std::int16_t> phrase, std::size_t samplesPerFrame);

}  // namespace lipsmith::engines
