// Wave files for the studio's tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace lipsmith::studiotest {

// A PCM wave file with the given raw sample bytes.
inline void WriteWave(const std::string& path, int channels, int rate, int bits, const std::vector<std::uint8_t>& data,
                      std::uint32_t claimedDataSize = 0) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    auto u32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
    const std::uint32_t size = claimedDataSize ? claimedDataSize : static_cast<std::uint32_t>(data.size());
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + size);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(static_cast<std::uint16_t>(channels));
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * channels * bits / 8));
    u16(static_cast<std::uint16_t>(channels * bits / 8));
    u16(static_cast<std::uint16_t>(bits));
    std::fwrite("data", 1, 4, f);
    u32(size);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

// 16-bit mono samples as bytes.
inline std::vector<std::uint8_t> Pcm16(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    for (std::int16_t s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
        out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return out;
}

}  // namespace lipsmith::studiotest
