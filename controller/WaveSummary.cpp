#include "WaveSummary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "Riff.h"

namespace lipsmith {
namespace {

constexpr std::size_t kCacheEntries = 4;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kReadChunk = 1 << 20;
constexpr std::uint64_t kReadAhead = 1 << 16;

std::vector<std::shared_ptr<const WaveSummary>>& Cache() {
    static std::vector<std::shared_ptr<const WaveSummary>> cache;
    return cache;
}

WaveFileKey KeyOf(const std::string& path, const struct stat& st) {
    WaveFileKey key;
    key.path = path;
    key.device = static_cast<std::uint64_t>(st.st_dev);
    key.inode = static_cast<std::uint64_t>(st.st_ino);
    key.size = static_cast<std::uint64_t>(st.st_size);
    key.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return key;
}

bool StatKey(const std::string& path, WaveFileKey& key) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    key = KeyOf(path, st);
    return true;
}

// Reads exactly `bytes` at `offset`; false on a short read or an error.
bool ReadAt(int fd, unsigned char* out, std::size_t bytes, std::uint64_t offset) {
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, out, bytes, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        bytes -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// Reads the format and walks every frame once, noting each block's loudest frame.
std::shared_ptr<const WaveSummary> MakeSummary(const WaveFileKey& key) {
    WaveInfo info;
    if (!ReadWaveInfo(key.path, info)) return nullptr;
    const WaveFormatRecord& f = info.format;
    if (f.formatTag != kFormatPcm && f.formatTag != kFormatExtensible) return nullptr;
    if (f.channels < 1 || f.channels > 2) return nullptr;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return nullptr;
    if (f.avgBytesPerSec == 0) return nullptr;

    auto s = std::make_shared<WaveSummary>();
    s->channels = f.channels;
    s->bitsPerSample = f.bitsPerSample;
    s->avgBytesPerSec = f.avgBytesPerSec;
    s->frameBytes = f.channels * (f.bitsPerSample / 8);
    s->dataOffset = info.dataOffset;
    s->frames = info.dataSize / static_cast<std::uint32_t>(s->frameBytes);
    s->key = key;
    if (s->dataOffset + s->frames * static_cast<std::uint64_t>(s->frameBytes) > key.size) return nullptr;

    const int fd = ::open(key.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    const bool same = ::fstat(fd, &st) == 0 && KeyOf(key.path, st) == key;
    const std::uint64_t blocks = (s->frames + WaveSummary::kBlockFrames - 1) / WaveSummary::kBlockFrames;
    bool ok = same;
    if (ok) {
        s->blockMax.assign(blocks, INT_MIN);
        const std::size_t framesPerRead =
            kReadChunk / static_cast<std::size_t>(s->frameBytes) / WaveSummary::kBlockFrames * WaveSummary::kBlockFrames;
        std::vector<unsigned char> buf(framesPerRead * static_cast<std::size_t>(s->frameBytes));
        std::uint64_t frame = 0;
        while (ok && frame < s->frames) {
            const std::uint64_t n = std::min<std::uint64_t>(framesPerRead, s->frames - frame);
            ok = ReadAt(fd, buf.data(), n * static_cast<std::uint64_t>(s->frameBytes),
                        s->dataOffset + frame * static_cast<std::uint64_t>(s->frameBytes));
            // Reads hold whole blocks, the file's last one excepted.
            for (std::uint64_t i = 0; ok && i < n; i += WaveSummary::kBlockFrames) {
                const std::uint64_t m = std::min<std::uint64_t>(WaveSummary::kBlockFrames, n - i);
                s->blockMax[(frame + i) / WaveSummary::kBlockFrames] = WaveSummary::LoudestValue(
                    buf.data() + i * static_cast<std::uint64_t>(s->frameBytes), m, s->channels, s->bitsPerSample);
            }
            frame += n;
        }
    }
    ::close(fd);
    return ok ? s : nullptr;
}

}  // namespace

namespace {

template <int Channels, int Bits>
int Loudest(const unsigned char* p, std::uint64_t count) {
    int best = INT_MIN;
    for (std::uint64_t i = 0; i < count; ++i) {
        for (int c = 0; c < Channels; ++c, p += Bits / 8) {
            const int v = Bits == 8 ? p[0] : static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))) + 32767;
            best = std::max(best, v);
        }
    }
    return best;
}

}  // namespace

int WaveSummary::LoudestValue(const unsigned char* frames, std::uint64_t count, int channels, int bitsPerSample) {
    if (bitsPerSample == 8) return channels == 1 ? Loudest<1, 8>(frames, count) : Loudest<2, 8>(frames, count);
    return channels == 1 ? Loudest<1, 16>(frames, count) : Loudest<2, 16>(frames, count);
}

std::shared_ptr<const WaveSummary> GetWaveSummary(const std::string& path) {
    WaveFileKey key;
    if (path.empty() || !StatKey(path, key)) return nullptr;
    auto& cache = Cache();
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if ((*it)->key == key) {
            std::shared_ptr<const WaveSummary> hit = *it;
            cache.erase(it);
            cache.insert(cache.begin(), hit);
            return hit;
        }
    }
    std::shared_ptr<const WaveSummary> made = MakeSummary(key);
    if (!made) return nullptr;
    // An older version of the same file is of no further use.
    std::erase_if(cache, [&](const auto& s) { return s->key.path == path; });
    cache.insert(cache.begin(), made);
    if (cache.size() > kCacheEntries) cache.resize(kCacheEntries);
    return made;
}

void ClearWaveSummaryCache() { Cache().clear(); }

WaveFrameReader::WaveFrameReader(std::shared_ptr<const WaveSummary> summary) : summary_(std::move(summary)) {
    if (!summary_) return;
    fd_ = ::open(summary_->key.path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !(KeyOf(summary_->key.path, st) == summary_->key))) {
        ::close(fd_);
        fd_ = -1;
    }
}

WaveFrameReader::~WaveFrameReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool WaveFrameReader::MaxRaw(std::uint64_t first, std::uint64_t count, std::uint64_t want, int& best) {
    if (count == 0) return true;
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(summary_->frameBytes);
    if (first < windowFirst_ || first + count > windowFirst_ + windowFrames_) {
        windowFirst_ = first;
        windowFrames_ = std::min(std::max(count, want), summary_->frames - first);
        window_.resize(windowFrames_ * frameBytes);
        if (!ReadAt(fd_, window_.data(), window_.size(), summary_->dataOffset + first * frameBytes)) {
            windowFrames_ = 0;
            return false;
        }
    }
    best = std::max(best, WaveSummary::LoudestValue(window_.data() + (first - windowFirst_) * frameBytes, count,
                                                    summary_->channels, summary_->bitsPerSample));
    return true;
}

bool WaveFrameReader::Max(std::uint64_t first, std::uint64_t count, int& best) {
    best = INT_MIN;
    if (fd_ < 0 || count == 0 || first >= summary_->frames || count > summary_->frames - first) return false;
    constexpr std::uint64_t B = WaveSummary::kBlockFrames;
    const std::uint64_t end = first + count;
    const std::uint64_t firstBlock = (first + B - 1) / B;  // first whole block inside the span
    const std::uint64_t endBlock = end / B;               // end of the last whole block
    // Short spans are read whole through the read-ahead window, which the
    // next points use too; long ones read only their partial end blocks.
    const std::uint64_t readAhead = kReadAhead / static_cast<std::uint64_t>(summary_->frameBytes);
    if (firstBlock >= endBlock || count < 8 * B) return MaxRaw(first, count, readAhead, best);
    if (!MaxRaw(first, firstBlock * B - first, 0, best)) return false;
    for (std::uint64_t b = firstBlock; b < endBlock; ++b) best = std::max(best, summary_->blockMax[b]);
    return MaxRaw(endBlock * B, end - endBlock * B, 0, best);
}

}  // namespace lipsmith
