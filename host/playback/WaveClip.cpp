#include "WaveClip.h"

#include <algorithm>

#include "Riff.h"

namespace lipsmith::playback {

struct WaveClipLoader {
    static WaveClipResult Load(const std::string& path, std::uint64_t maxBytes) {
        auto fail = [&](const std::string& why) { return WaveClipResult{nullptr, "'" + path + "' " + why}; };
        WaveInfo info;
        if (!ReadWaveInfo(path, info)) return fail("cannot be read as a wave file.");
        const WaveFormatRecord& f = info.format;
        if (f.formatTag != 1) return fail("is not a PCM wave file.");
        if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return fail("has samples that are neither 8 nor 16 bits.");
        if (f.channels < 1 || f.samplesPerSec < 1000 || f.samplesPerSec > 384000)
            return fail("has no channels or an unusable sample rate.");
        if (info.dataSize > maxBytes) return fail("is too large to play.");
        const int bytesPerSample = f.bitsPerSample / 8;
        const std::uint32_t block = static_cast<std::uint32_t>(bytesPerSample) * f.channels;
        RiffFile file;
        if (!file.OpenRead(path) || !file.Seek(static_cast<std::int64_t>(info.dataOffset), SEEK_SET))
            return fail("cannot be read.");
        // A data chunk that claims more than the file holds plays what is there.
        const std::int64_t avail = std::max<std::int64_t>(file.FileSize() - static_cast<std::int64_t>(info.dataOffset), 0);
        const std::uint64_t bytes = std::min<std::uint64_t>(info.dataSize, static_cast<std::uint64_t>(avail));
        std::vector<unsigned char> raw(static_cast<std::size_t>(bytes / block * block));
        if (file.Read(raw.data(), raw.size()) != raw.size()) return fail("cannot be read.");

        auto clip = std::make_shared<WaveClip>();
        clip->rate_ = static_cast<int>(f.samplesPerSec);
        clip->channels_ = std::min<int>(f.channels, 2);
        const std::size_t frames = raw.size() / block;
        clip->samples_.resize(frames * static_cast<std::size_t>(clip->channels_));
        for (std::size_t i = 0; i < frames; ++i) {
            for (int ch = 0; ch < clip->channels_; ++ch) {
                const unsigned char* s = raw.data() + i * block + static_cast<std::size_t>(ch) * bytesPerSample;
                const std::int16_t v = bytesPerSample == 1
                                           ? static_cast<std::int16_t>((static_cast<int>(s[0]) - 128) * 256)
                                           : static_cast<std::int16_t>(static_cast<std::uint16_t>(s[0] | (s[1] << 8)));
                clip->samples_[i * static_cast<std::size_t>(clip->channels_) + static_cast<std::size_t>(ch)] = v;
            }
        }
        return {clip, ""};
    }
};

std::shared_ptr<WaveClip> WaveClip::FromSamples(std::vector<std::int16_t> samples, int rate, int channels) {
    auto clip = std::make_shared<WaveClip>();
    clip->channels_ = std::clamp(channels, 1, 2);
    clip->rate_ = std::max(rate, 1);
    samples.resize(samples.size() / static_cast<std::size_t>(clip->channels_) * static_cast<std::size_t>(clip->channels_));
    clip->samples_ = std::move(samples);
    return clip;
}

WaveClipResult LoadWaveClip(const std::string& path, std::uint64_t maxBytes) {
    return WaveClipLoader::Load(path, maxBytes);
}

}  // namespace lipsmith::playback
