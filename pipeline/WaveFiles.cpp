#include "WaveFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "FileUtil.h"
#include "MessageBox.h"
#include "Riff.h"
#include "Time.h"

namespace lipsmith {

namespace {

constexpr std::size_t kCopyPiece = 20'000'000;
constexpr float kSecondsPerTick = 1.0f / TIME_TICKSPERSEC;  // 0.000208333338 in single precision

void ReportLoadFailure() { ShowMessage("Failed to load wave file", "Wave error", MB_OK | MB_ICONERROR); }

// Whole bytes per sample, one block per sample frame and a byte rate that
// follows from them. Lengths and offsets are computed from the byte rate, so
// a damaged header that breaks this would misplace a recording or ask for
// gigabytes of silence.
bool ConsistentFormat(const WaveFormatRecord& f) {
    return f.channels > 0 && f.samplesPerSec > 0 && f.bitsPerSample > 0 && f.bitsPerSample % 8 == 0 &&
           f.blockAlign == static_cast<std::uint32_t>(f.channels) * (f.bitsPerSample / 8) &&
           f.avgBytesPerSec == static_cast<std::uint64_t>(f.samplesPerSec) * f.blockAlign;
}

struct OpenWave {
    WaveInfo info;
    std::vector<char> fmtChunk;  // the whole "fmt " chunk data as stored
    std::FILE* file = nullptr;
    ~OpenWave() {
        if (file) std::fclose(file);
    }
};

// Locates the chunks, keeps the "fmt " data and leaves the file at the samples.
bool OpenInput(const std::string& path, OpenWave& w) {
    if (!ReadWaveInfo(path, w.info) || !ConsistentFormat(w.info.format)) return false;
    {
        RiffFile riff;
        RiffChunk wave, fmt;
        wave.formType = kFourCCWave;
        fmt.id = kFourCCFmt;
        if (!riff.OpenRead(path) || !riff.Descend(wave, nullptr, RiffFind::Riff) ||
            !riff.Descend(fmt, &wave, RiffFind::Chunk)) {
            return false;
        }
        w.fmtChunk.resize(fmt.size);
        if (riff.Read(w.fmtChunk.data(), fmt.size) != fmt.size) return false;
    }
    w.file = std::fopen(path.c_str(), "rb");
    return w.file && std::fseek(w.file, static_cast<long>(w.info.dataOffset), SEEK_SET) == 0;
}

class Copier {
public:
    Copier() : buffer_(new char[kCopyPiece]) {}
    bool Copy(std::FILE* from, std::FILE* to, std::uint64_t bytes) {
        while (bytes > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kCopyPiece));
            if (std::fread(buffer_.get(), 1, n, from) != n || std::fwrite(buffer_.get(), 1, n, to) != n) {
                return false;
            }
            bytes -= n;
        }
        return true;
    }
    bool Zeros(std::FILE* to, std::uint64_t bytes) {
        std::memset(buffer_.get(), 0, kCopyPiece);
        while (bytes > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kCopyPiece));
            if (std::fwrite(buffer_.get(), 1, n, to) != n) return false;
            bytes -= n;
        }
        return true;
    }

private:
    std::unique_ptr<char[]> buffer_;
};

bool PutU32(std::FILE* f, std::uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, f) == 4;
}

}  // namespace

double WaveLengthSeconds(const std::string& path) {
    WaveInfo info;
    if (!ReadWaveInfo(path, info) || !ConsistentFormat(info.format)) {
        ReportLoadFailure();
        return -1.0;
    }
    return static_cast<double>(info.dataSize) / static_cast<double>(info.format.avgBytesPerSec);
}

std::uint64_t WaveOffsetBytes(std::int64_t offsetTicks, std::uint32_t avgBytesPerSec,
                              std::uint16_t blockAlign) {
    if (offsetTicks <= 0) return 0;
    const double bytes = std::floor(static_cast<double>(offsetTicks) * kSecondsPerTick * avgBytesPerSec + 0.5);
    const std::uint64_t o = static_cast<std::uint64_t>(bytes);
    // Never split a sample frame: a 16-bit sample cut in half turns into noise.
    const std::uint64_t frame = blockAlign ? blockAlign : 1;
    return o - o % frame;
}

bool MergeWaves(const std::string& first, const std::string& second, const std::string& out,
                std::int64_t offsetTicks, bool replace) {
    OpenWave a, b;
    if (!OpenInput(first, a) || !OpenInput(second, b)) {
        ReportLoadFailure();
        return false;
    }
    const WaveFormatRecord& fa = a.info.format;
    const WaveFormatRecord& fb = b.info.format;
    if (fa.samplesPerSec != fb.samplesPerSec || fa.bitsPerSample != fb.bitsPerSample ||
        fa.channels != fb.channels) {
        ShowMessage("Wave formats differ.", "Lipsmith", MB_OK | MB_ICONERROR);
        ReportLoadFailure();
        return false;
    }

    const std::uint64_t A = a.info.dataSize, B = b.info.dataSize;
    const std::uint64_t o = WaveOffsetBytes(offsetTicks, fa.avgBytesPerSec, fa.blockAlign);
    const std::uint64_t gap = o > A ? o - A : 0;
    const std::uint64_t D = replace ? std::max(A, o + B) : A + gap + B;
    const std::uint64_t fmtSize = a.fmtChunk.size();
    const std::uint64_t riffSize = 4 + 8 + fmtSize + (fmtSize & 1) + 8 + D;
    if (riffSize > 0xFFFFFFFFull) {  // beyond what a RIFF file can describe
        ReportLoadFailure();
        return false;
    }

    AtomicFileWriter writer(out);
    std::FILE* o_ = writer.Open();
    Copier copier;
    bool ok = o_ != nullptr;
    ok = ok && std::fwrite("RIFF", 1, 4, o_) == 4 && PutU32(o_, static_cast<std::uint32_t>(riffSize)) &&
         std::fwrite("WAVEfmt ", 1, 8, o_) == 8 && PutU32(o_, static_cast<std::uint32_t>(fmtSize)) &&
         std::fwrite(a.fmtChunk.data(), 1, fmtSize, o_) == fmtSize &&
         ((fmtSize & 1) == 0 || std::fputc(0, o_) != EOF) && std::fwrite("data", 1, 4, o_) == 4 &&
         PutU32(o_, static_cast<std::uint32_t>(D));
    if (ok) {
        if (gap > 0) {
            ok = copier.Copy(a.file, o_, A) && copier.Zeros(o_, gap) && copier.Copy(b.file, o_, B);
        } else if (!replace) {
            ok = copier.Copy(a.file, o_, o) && copier.Copy(b.file, o_, B) && copier.Copy(a.file, o_, A - o);
        } else {
            ok = copier.Copy(a.file, o_, o) && copier.Copy(b.file, o_, B);
            if (ok && A > o + B) {
                ok = std::fseek(a.file, static_cast<long>(B), SEEK_CUR) == 0 && copier.Copy(a.file, o_, A - B - o);
            }
        }
        if (ok && (D & 1)) ok = std::fputc(0, o_) != EOF;
    }
    if (!ok || !writer.Commit()) {
        ReportLoadFailure();
        return false;
    }
    return true;
}

}  // namespace lipsmith
