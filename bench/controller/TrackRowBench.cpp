// Cost of painting the scene sound's waveform in an expanded speech
// controller row (1000 columns), on long sound files: the first paint (which
// summarises the file), later paints at full zoom-out, 10 s and 1 s across,
// and beside them a plain paint that reads the whole visible span every time.
// Prints figures; timings vary with the machine's load.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "SpeechController.h"
#include "TrackWaveform.h"
#include "WaveBytes.h"
#include "WaveSummary.h"

using namespace lipsmith;
namespace tw = lipsmith::testwave;
using Clock = std::chrono::steady_clock;

namespace {

class NullDC : public TrackDC {
public:
    void SelectPen(std::uint32_t, int) override {}
    void SelectStockBlackPen() override {}
    void MoveTo(int, int) override { ++points; }
    void LineTo(int, int) override { ++points; }
    long points = 0;
};

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

std::vector<int> Noise(const tw::Format& f, std::size_t frames) {
    std::vector<int> s(frames * f.channels);
    unsigned x = 1;
    for (int& v : s) {
        x = x * 1103515245u + 12345u;
        v = static_cast<int>((x >> 8) & 0xFFFF) - 32768;
    }
    return s;
}

// The same drawing without a summary: read the visible span, take each point's loudest frame.
long PlainPaint(const std::string& path, const WaveSummary& w, long long fromTick, long long toTick, int columns) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    const long long first = fromTick * w.avgBytesPerSec / 4800 / w.frameBytes;
    const long long last = std::min<long long>(toTick * w.avgBytesPerSec / 4800 / w.frameBytes, w.frames);
    std::vector<unsigned char> buf(static_cast<std::size_t>((last - first) * w.frameBytes));
    std::fseek(f, static_cast<long>(w.dataOffset + first * w.frameBytes), SEEK_SET);
    const std::size_t got = std::fread(buf.data(), 1, buf.size(), f);
    std::fclose(f);
    const long long perPoint = std::max<long long>(1, (last - first) / (columns / 2));
    long points = 0;
    const long long frames = static_cast<long long>(got) / w.frameBytes;
    long long sum = 0;
    for (long long p = 0; p < frames; p += perPoint, ++points)
        sum += WaveSummary::LoudestValue(&buf[static_cast<std::size_t>(p * w.frameBytes)],
                                         static_cast<std::uint64_t>(std::min(perPoint, frames - p)), w.channels,
                                         w.bitsPerSample);
    return sum > 0 ? points : 0;
}

void Run(const char* label, const tw::Format& f, int seconds) {
    char dir[] = "/tmp/lipsmith-bench-row-XXXXXX";
    if (!::mkdtemp(dir)) return;
    const std::string path = std::string(dir) + "/long.wav";
    tw::Write(path, tw::Bytes(f, Noise(f, static_cast<std::size_t>(f.rate) * seconds)));
    const long long lengthTicks = 4800LL * seconds;
    constexpr int kColumns = 1000;
    const Rect row{0, 0, kColumns - 1, 39};
    const PlacedSound sound{path, 0, static_cast<TimeValue>(lengthTicks)};

    ClearWaveSummaryCache();
    NullDC dc;
    const float fullZoom = static_cast<float>(kColumns) / static_cast<float>(lengthTicks);
    auto t0 = Clock::now();
    DrawTrackWaveform(dc, row, row, fullZoom, 0, sound);
    auto t1 = Clock::now();
    std::printf("%s (%d s, %.1f MB): first paint, summarising the file: %.1f ms\n", label, seconds,
                static_cast<double>(f.rate) * seconds * f.channels * f.bits / 8 / 1e6, Ms(t0, t1));

    const auto summary = GetWaveSummary(path);
    for (double across : {static_cast<double>(seconds), 10.0, 1.0}) {
        const float zoom = static_cast<float>(kColumns / (across * 4800));
        const int scroll = static_cast<int>(std::lround((lengthTicks / 2 - across * 2400) * zoom));
        constexpr int kRounds = 40;
        std::vector<double> ours, plain;
        long drawn = 0;
        for (int i = 0; i < kRounds; ++i) {
            NullDC d;
            auto a = Clock::now();
            drawn = DrawTrackWaveform(d, row, row, zoom, scroll, sound);
            ours.push_back(Ms(a, Clock::now()));
        }
        const long long from = static_cast<long long>(std::floor(scroll / zoom));
        for (int i = 0; i < kRounds; ++i) {
            auto a = Clock::now();
            PlainPaint(path, *summary, from, from + static_cast<long long>(across * 4800), kColumns);
            plain.push_back(Ms(a, Clock::now()));
        }
        std::sort(ours.begin(), ours.end());
        std::sort(plain.begin(), plain.end());
        const double o = ours[kRounds / 2], p = plain[kRounds / 2];
        std::printf("  %6.0f s across: paint %.3f ms (%ld points); reading the span each time %.3f ms; ratio %.1fx\n",
                    across, o, drawn, p, p / o);
    }
    ::unlink(path.c_str());
    ::rmdir(dir);
}

}  // namespace

int main() {
    tw::Format mono;
    mono.rate = 22050;
    Run("22050 Hz mono 16-bit", mono, 600);
    tw::Format stereo;
    stereo.rate = 44100;
    stereo.channels = 2;
    Run("44100 Hz stereo 16-bit", stereo, 120);
    return 0;
}
