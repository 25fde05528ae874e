// Reading the length of a wave file and merging two recordings into one.
#pragma once
#include <cstdint>
#include <string>

namespace lipsmith {

// Seconds of audio in the file's "data" chunk; -1.0 after showing
// "Failed to load wave file" when the file cannot be read as a wave file.
double WaveLengthSeconds(const std::string& path);

// Byte offset at which a recording offsetTicks into `avgBytesPerSec` audio
// starts, rounded to the nearest byte and then down to a whole sample frame.
std::uint64_t WaveOffsetBytes(std::int64_t offsetTicks, std::uint32_t avgBytesPerSec,
                              std::uint16_t blockAlign);

// Writes `out` from `first` with `second` placed offsetTicks into it: inserted
// (replace false) or written over first's audio (replace true); when the offset
// lies beyond first's end, silence fills the gap. Both inputs must share sample
// rate, sample size and channel count. On failure shows the message boxes,
// leaves no partial `out` behind and returns false.
bool MergeWaves(const std::string& first, const std::string& second, const std::string& out,
                std::int64_t offsetTicks, bool replace);

}  // namespace lipsmith
