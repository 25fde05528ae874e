// The loudest frame of any span of a PCM wave file, for drawing its waveform
// in a track row at any zoom without reading the whole file on every paint.
// A summary (the largest frame value of every block of frames) is made in one
// pass per file version and kept in a small cache keyed by the file's name,
// identity, size and modification time; a paint then reads only the partial
// blocks at the ends of each point's frames.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lipsmith {

struct WaveFileKey {
    std::string path;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const WaveFileKey&) const = default;
};

class WaveSummary {
public:
    static constexpr std::uint64_t kBlockFrames = 256;

    // The file's format, as far as the waveform uses it.
    int channels = 0;                  // 1 or 2
    int bitsPerSample = 0;             // 8 or 16
    std::uint32_t avgBytesPerSec = 0;  // > 0
    int frameBytes = 0;                // channels x bytes per sample
    std::uint64_t dataOffset = 0;      // file offset of the first frame
    std::uint64_t frames = 0;          // whole frames in the "data" chunk
    WaveFileKey key;

    // blockMax[i] = the largest value of frames [i x kBlockFrames, (i + 1) x kBlockFrames).
    std::vector<int> blockMax;

    // The largest value of `count` frames (INT_MIN for none). A frame's value
    // is its largest channel sample, an 8-bit sample as its unsigned byte, a
    // 16-bit sample as its signed value + 32767.
    static int LoudestValue(const unsigned char* frames, std::uint64_t count, int channels, int bitsPerSample);
};

// The summary of the wave file at path, from the cache or made now; null
// when the file is missing, unreadable, not a RIFF WAVE file with "fmt " and
// "data", or not 8- or 16-bit PCM with one or two channels. Main thread only.
std::shared_ptr<const WaveSummary> GetWaveSummary(const std::string& path);

// Empties the cache (tests, and hosts that want the memory back).
void ClearWaveSummaryCache();

// Reads the frames of one summarised file during one paint.
class WaveFrameReader {
public:
    explicit WaveFrameReader(std::shared_ptr<const WaveSummary> summary);
    ~WaveFrameReader();
    WaveFrameReader(const WaveFrameReader&) = delete;
    WaveFrameReader& operator=(const WaveFrameReader&) = delete;

    // False when the file changed or vanished since it was summarised.
    bool IsOpen() const { return fd_ >= 0; }
    // The largest value of frames [first, first + count), which must be at
    // least one frame inside the file; false on a read failure.
    bool Max(std::uint64_t first, std::uint64_t count, int& best);

private:
    // Reads at least `want` frames from first when the frames are not in the window.
    bool MaxRaw(std::uint64_t first, std::uint64_t count, std::uint64_t want, int& best);

    std::shared_ptr<const WaveSummary> summary_;
    int fd_ = -1;
    // Frames [windowFirst_, windowFirst_ + windowFrames_) read ahead: a
    // paint asks for its points from left to right.
    std::vector<unsigned char> window_;
    std::uint64_t windowFirst_ = 0, windowFrames_ = 0;
};

}  // namespace lipsmith
