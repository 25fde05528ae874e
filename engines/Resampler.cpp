#include "Resampler.h"

#include <soxr.h>

#include <cmath>

namespace lipsmith::engines {

Resampler::Resampler(double inputRate, double outputRate)
    : ratio_(inputRate > 0 ? outputRate / inputRate : 1.0), passThrough_(inputRate == outputRate) {
    if (passThrough_ || inputRate <= 0 || outputRate <= 0) return;
    // No dither: the same input always gives the same output.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    soxr_io_spec_t quiet = io;
    quiet.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_t s = soxr_create(inputRate, outputRate, 1, &error, &quiet, &quality, nullptr);
    if (!error) soxr_ = s;
}

Resampler::~Resampler() {
    if (soxr_) soxr_delete(static_cast<soxr_t>(soxr_));
}

void Resampler::Process(std::span<const std::int16_t> in, std::vector<std::int16_t>& out) {
    if (passThrough_) {
        out.insert(out.end(), in.begin(), in.end());
        return;
    }
    if (!soxr_) return;
    const std::int16_t* data = in.data();
    std::size_t left = in.size();
    while (left > 0) {
        const std::size_t room = static_cast<std::size_t>(std::ceil(static_cast<double>(left) * ratio_)) + 64;
        const std::size_t at = out.size();
        out.resize(at + room);
        std::size_t used = 0;
        std::size_t made = 0;
        soxr_process(static_cast<soxr_t>(soxr_), data, left, &used, out.data() + at, room, &made);
        out.resize(at + made);
        if (used == 0 && made == 0) break;  // never spin on a stuck resampler
        data += used;
        left -= used;
    }
}

void Resampler::Flush(std::vector<std::int16_t>& out) {
    if (!soxr_) return;
    for (;;) {
        const std::size_t at = out.size();
        out.resize(at + 1024);
        std::size_t made = 0;
        soxr_process(static_cast<soxr_t>(soxr_), nullptr, 0, nullptr, out.data() + at, 1024, &made);
        out.resize(at + made);
        if (made == 0) break;
    }
    soxr_clear(static_cast<soxr_t>(soxr_));
}

std::vector<std::int16_t> Resample(std::span<const std::int16_t> in, double inputRate, double outputRate) {
    std::vector<std::int16_t> out;
    Resampler r(inputRate, outputRate);
    out.reserve(static_cast<std::size_t>(static_cast<double>(in.size()) * outputRate / inputRate) + 16);
    r.Process(in, out);
    r.Flush(out);
    return out;
}

}  // namespace lipsmith::engines
