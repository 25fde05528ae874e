// Sample-rate conversion of 16-bit mono audio with libsoxr, as a stream:
// blocks go in as they arrive, converted samples come out aligned with the
// input (the filter's delay is taken out), and Flush gives the rest at the
// end of the input.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace lipsmith::engines {

class Resampler {
public:
    Resampler(double inputRate, double outputRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // False when libsoxr refused the rates.
    bool Ok() const { return passThrough_ || soxr_ != nullptr; }
    // Appends the converted samples of `in` to `out`.
    void Process(std::span<const std::int16_t> in, std::vector<std::int16_t>& out);
    // Appends what is still held back; the stream can then start anew.
    void Flush(std::vector<std::int16_t>& out);

private:
    double ratio_;
    bool passThrough_;
    void* soxr_ = nullptr;  // soxr_t
};

// Converts a whole block at once.
std::vector<std::int16_t> Resample(std::span<const std::int16_t> in, double inputRate, double outputRate);

}  // namespace lipsmith::engines
