// Wave files made byte by byte for the track drawing tests and benchmark,
// good ones and damaged ones.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace lipsmith::testwave {

struct Format {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t bits = 16;
    std::uint32_t avgBytesPerSec = 0;  // 0: rate x block size
    std::uint32_t fmtSize = 16;        // 16 or 18
    std::uint32_t dataSizeOverride = 0;  // nonzero: the size written into "data"'s header
};

inline void Put16(std::vector<unsigned char>& b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutId(std::vector<unsigned char>& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(id[i]));
}

// Samples are interleaved channel values: 8-bit ones as 0..255, 16-bit ones as -32768..32767.
inline std::vector<unsigned char> Bytes(const Format& f, const std::vector<int>& samples) {
    const std::uint32_t block = f.channels * (f.bits / 8u);
    std::vector<unsigned char> data;
    for (int s : samples) {
        if (f.bits == 8) data.push_back(static_cast<unsigned char>(s));
        else Put16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
    }
    std::vector<unsigned char> b;
    b.reserve(64 + data.size());
    PutId(b, "RIFF");
    Put32(b, 4 + 8 + f.fmtSize + 8 + static_cast<std::uint32_t>(data.size()) + (data.size() & 1));
    PutId(b, "WAVE");
    PutId(b, "fmt ");
    Put32(b, f.fmtSize);
    Put16(b, f.tag);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.avgBytesPerSec ? f.avgBytesPerSec : f.rate * block);
    Put16(b, block);
    Put16(b, f.bits);
    if (f.fmtSize >= 18) Put16(b, 0);
    PutId(b, "data");
    Put32(b, f.dataSizeOverride ? f.dataSizeOverride : static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    return b;
}

inline void Write(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace lipsmith::testwave
