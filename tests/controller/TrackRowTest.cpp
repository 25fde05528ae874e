// The speech controller's track row: its height and the scene sound's
// waveform drawn into it, checked against the drawing rule computed here
// from the samples themselves.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>

#include "SpeechController.h"
#include "TrackWaveform.h"
#include "WaveBytes.h"
#include "WaveSummary.h"

using namespace lipsmith;
namespace tw = lipsmith::testwave;

namespace {

struct Point {
    int x, y;
    bool operator==(const Point&) const = default;
};

// Records what a controller draws.
class RecordingDC : public TrackDC {
public:
    void SelectPen(std::uint32_t colour, int width) override {
        pens.push_back(colour);
        penWidth = width;
    }
    void SelectStockBlackPen() override { pens.push_back(0); }
    void MoveTo(int x, int y) override {
        ++moves;
        points.push_back({x, y});
    }
    void LineTo(int x, int y) override {
        ++lines;
        points.push_back({x, y});
    }
    bool DrewAnything() const { return moves + lines > 0; }

    std::vector<std::uint32_t> pens;
    int penWidth = -1;
    int moves = 0, lines = 0;
    std::vector<Point> points;
};

// Pseudo-random samples under a slowly rising and falling loudness, with
// sparse peaks: the loudest frame of a span then depends on exactly which
// frames the span holds, so a drawing that reads the wrong frames shows it.
std::vector<int> Samples(const tw::Format& f, std::size_t frames, unsigned seed) {
    std::vector<int> out;
    unsigned x = seed;
    for (std::size_t i = 0; i < frames * f.channels; ++i) {
        x = x * 1103515245u + 12345u;
        const double random = static_cast<double>((x >> 8) & 0xFFFF) / 65535.0;
        const double phase = static_cast<double>((i / f.channels) % 2900) / 2900.0;
        const double loudness = 0.05 + 0.95 * (phase < 0.5 ? 2 * phase : 2 - 2 * phase);
        const bool peak = ((x >> 24) & 15u) == 0;
        const double amplitude = loudness * (peak ? 0.5 + 0.5 * random : 0.1 * random);
        const double sign = (x & 0x10000u) ? 1.0 : -1.0;
        out.push_back(f.bits == 8 ? static_cast<int>(128 + sign * amplitude * 127)
                                  : static_cast<int>(sign * amplitude * 32767));
    }
    return out;
}

// The drawing rule, from the samples: one point every second column at the
// level of the loudest frame playing from the column's tick for one point's time.
std::vector<Point> Expected(const tw::Format& f, const std::vector<int>& samples, TimeValue start, TimeValue end,
                            const Rect& r, float zoom, int scroll) {
    auto tick = [&](long long x) {
        return static_cast<long long>(std::floor(x / static_cast<double>(zoom) + scroll / static_cast<double>(zoom) + 0.5));
    };
    const long long x0 = std::min(r.left, r.right), x1 = std::max(r.left, r.right);
    const long long tLeft = tick(x0), tRight = tick(x1 + 1);
    std::vector<Point> out;
    if (start >= tRight) return out;
    const long long block = f.channels * (f.bits / 8);
    const long long avg = static_cast<long long>(f.rate) * block;
    const long long frames = static_cast<long long>(samples.size()) / f.channels;
    const double perColumn = static_cast<double>(tRight - tLeft) / static_cast<double>(x1 - x0 + 1);
    const long long bytesPerPoint = static_cast<long long>(std::trunc(perColumn * (2.0 / 4800) * avg));
    const long long perPoint = std::max(1LL, bytesPerPoint / block);
    const double height = std::abs(r.bottom - r.top) + 1;
    for (long long x = x0; x < x1 + 2; x += 2) {
        const long long t = tick(x);
        if (t >= end) break;
        if (t <= start || t <= tLeft) continue;
        const long long frame = (t - start) * avg / 4800 / block;
        if (frame >= frames) break;
        const long long count = std::min(perPoint, frames - frame);
        double loudest = -1e9;
        for (long long i = frame; i < frame + count; ++i) {
            for (int c = 0; c < f.channels; ++c) {
                const int s = samples[static_cast<std::size_t>(i * f.channels + c)];
                const double value = f.bits == 8 ? s : s + 32767;
                loudest = std::max(loudest, value * (height / (1 << f.bits)));
            }
        }
        out.push_back({static_cast<int>(x), r.bottom - static_cast<int>(std::floor(loudest + 0.5))});
    }
    return out;
}

class TrackRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/lipsmith-trackrow-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ip = GetCOREInterface();
        ip->SetSoundObject(nullptr);
        sound = GetWaveSoundInterface(ip->GetSoundObject());
        ASSERT_NE(sound, nullptr);
        c = new SpeechController();
        c->LockAutoDelete(true);
    }
    void TearDown() override {
        c->DeleteThis();
        ip->SetSoundObject(nullptr);
        ClearWaveSummaryCache();
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string PutWave(const std::string& name, const tw::Format& f, const std::vector<int>& samples,
                        TimeValue start) {
        const std::string path = dir + "/" + name;
        tw::Write(path, tw::Bytes(f, samples));
        EXPECT_TRUE(sound->SetSoundFileName(path));
        sound->SetStartTime(start);
        return path;
    }
    std::vector<Point> Paint(Rect track, float zoom, int scroll, int* result = nullptr) {
        RecordingDC dc;
        Rect paint = track;
        const int r = c->PaintTrack(nullptr, &dc, track, paint, zoom, scroll, 0);
        if (result) *result = r;
        return dc.points;
    }

    std::string dir;
    Interface* ip = nullptr;
    IWaveSound* sound = nullptr;
    SpeechController* c = nullptr;
    const Rect track{10, 0, 409, 39};  // 400 columns, 40 pixels high
};

}  // namespace

TEST_F(TrackRowTest, RowIsTwoLinesHighWhileExpanded) {
    EXPECT_EQ(c->GetTrackVSpace(18), 1);
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    EXPECT_EQ(c->GetTrackVSpace(18), 2);
    c->ClearAFlag(A_TREE_ENTRY_OPEN);
    EXPECT_EQ(c->GetTrackVSpace(18), 1);
}

TEST_F(TrackRowTest, NothingIsDrawnWithoutAnExpandedEntryAndAReadableSound) {
    const tw::Format f;
    Rect r = track, paint = track;
    RecordingDC dc;
    // Expanded, but the scene has no sound.
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    EXPECT_EQ(c->PaintTrack(nullptr, &dc, r, paint, 0.1f, 0, 0), TRACK_DORANGE);
    EXPECT_TRUE(dc.pens.empty());
    // A sound, but the entry is collapsed.
    PutWave("a.wav", f, Samples(f, 8000, 1), 0);
    c->ClearAFlag(A_TREE_ENTRY_OPEN);
    EXPECT_EQ(c->PaintTrack(nullptr, &dc, r, paint, 0.1f, 0, 0), TRACK_DORANGE);
    EXPECT_FALSE(dc.DrewAnything());
    // Expanded, and the sound file has gone.
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    ::unlink((dir + "/a.wav").c_str());
    EXPECT_EQ(c->PaintTrack(nullptr, &dc, r, paint, 0.1f, 0, 0), TRACK_DORANGE);
    EXPECT_FALSE(dc.DrewAnything());
    // A sound that starts after the visible range.
    PutWave("b.wav", f, Samples(f, 8000, 1), 100000);
    EXPECT_EQ(c->PaintTrack(nullptr, &dc, r, paint, 0.1f, 0, 0), TRACK_DORANGE);
    EXPECT_FALSE(dc.DrewAnything());
    // Drawing on no surface at all.
    EXPECT_EQ(c->PaintTrack(nullptr, nullptr, r, paint, 0.1f, 0, 0), TRACK_DORANGE);
}

TEST_F(TrackRowTest, WaveformFollowsTheSamplesInEveryFormat) {
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    struct Case {
        std::uint16_t channels, bits;
        std::uint32_t fmtSize;
    };
    for (const Case k : {Case{1, 8, 16}, Case{2, 8, 18}, Case{1, 16, 18}, Case{2, 16, 16}}) {
        SCOPED_TRACE(testing::Message() << k.channels << " channels, " << k.bits << " bits, fmt " << k.fmtSize);
        tw::Format f;
        f.channels = k.channels;
        f.bits = k.bits;
        f.fmtSize = k.fmtSize;
        f.rate = 8000;
        const std::vector<int> samples = Samples(f, 16000, k.channels * 100 + k.bits);
        PutWave("w" + std::to_string(k.channels) + std::to_string(k.bits) + ".wav", f, samples, 1000);
        const TimeValue end = sound->GetEndTime();
        ASSERT_EQ(end, 1000 + 9600);
        // The sound starts inside the view, then the view starts inside the
        // sound; close up (40 frames a point) and far out (800 frames a point).
        for (auto [zoom, scroll] : {std::pair{1.0f / 12, 0}, std::pair{1.0f / 12, 240}, std::pair{1.0f / 240, 0},
                                    std::pair{1.0f / 240, 3}}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << ", scroll " << scroll);
            RecordingDC dc;
            Rect r = track, paint = track;
            EXPECT_EQ(c->PaintTrack(nullptr, &dc, r, paint, zoom, scroll, 0), TRACK_DORANGE);
            const std::vector<Point> want = Expected(f, samples, 1000, end, track, zoom, scroll);
            ASSERT_GT(want.size(), 10u);
            EXPECT_EQ(dc.points, want);
            EXPECT_EQ(dc.moves, 1);
            EXPECT_EQ(dc.lines, static_cast<int>(want.size()) - 1);
            EXPECT_EQ(dc.pens, (std::vector<std::uint32_t>{0xFF0000, 0}));
            EXPECT_EQ(dc.penWidth, 0);
        }
    }
}

TEST_F(TrackRowTest, AColumnShowsTheFramesThatPlayAtItsTickWhereverTheViewStarts) {
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    tw::Format f;
    f.rate = 11025;
    const std::vector<int> samples = Samples(f, 11025 * 3, 7);
    PutWave("s.wav", f, samples, 480);
    const float zoom = 0.1f;  // 10 ticks a column
    auto byTick = [&](int scroll) {
        std::map<long long, int> out;
        for (const Point& p : Paint(track, zoom, scroll)) out[TrackTickAt(p.x, zoom, scroll)] = p.y;
        return out;
    };
    const std::map<long long, int> fromStart = byTick(0);
    int compared = 0;
    for (int scroll : {20, 126, 500}) {  // scrolled by whole points: the same ticks fall on drawn columns
        for (const auto& [t, y] : byTick(scroll)) {
            auto it = fromStart.find(t);
            if (it == fromStart.end()) continue;
            EXPECT_EQ(y, it->second) << "tick " << t << " at scroll " << scroll;
            ++compared;
        }
    }
    EXPECT_GT(compared, 300);
}

TEST_F(TrackRowTest, ARewrittenSoundFileIsReadAfresh) {
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    tw::Format f;
    f.bits = 8;
    f.rate = 8000;
    const float zoom = 1.0f / 12;
    const std::vector<int> quiet(8000, 128), loud(12000, 250);
    PutWave("r.wav", f, quiet, 0);
    const std::vector<Point> first = Paint(track, zoom, 0);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front().y, Expected(f, quiet, 0, sound->GetEndTime(), track, zoom, 0).front().y);
    PutWave("r.wav", f, loud, 0);
    EXPECT_EQ(Paint(track, zoom, 0), Expected(f, loud, 0, sound->GetEndTime(), track, zoom, 0));
}

TEST(TrackWaveform, DamagedOrUnsupportedFilesDrawNothing) {
    char tmpl[] = "/tmp/lipsmith-badwave-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    tw::Format f;
    const std::vector<int> samples(4000, 1000);
    const std::vector<unsigned char> good = tw::Bytes(f, samples);
    auto patched = [&](std::size_t at, std::vector<unsigned char> bytes) {
        std::vector<unsigned char> b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    tw::Format tooLong = f;
    tooLong.dataSizeOverride = 4000 * 2 + 1000;
    tw::Format deep = f;
    deep.bits = 24;
    tw::Format alaw = f;
    alaw.tag = 6;
    tw::Format three = f;
    three.channels = 3;
    std::vector<unsigned char> noData(good.begin(), good.begin() + 36);
    noData[4] = 28;  // RIFF size: the form type and "fmt " only
    noData[5] = noData[6] = noData[7] = 0;
    const std::vector<std::pair<const char*, std::vector<unsigned char>>> files = {
        {"data beyond the file", tw::Bytes(tooLong, samples)},
        {"RIFF beyond the file", patched(4, {0xF0, 0xFF, 0xFF, 0xFF})},
        {"no bytes per second", patched(28, {0, 0, 0, 0})},
        {"no channels", patched(22, {0, 0})},
        {"short fmt", patched(16, {14, 0, 0, 0})},
        {"24-bit", tw::Bytes(deep, samples)},
        {"A-law", tw::Bytes(alaw, samples)},
        {"three channels", tw::Bytes(three, samples)},
        {"no data chunk", noData},
        {"cut in the header", std::vector<unsigned char>(good.begin(), good.begin() + 30)},
        {"not a wave file", std::vector<unsigned char>{'h', 'e', 'l', 'l', 'o'}},
        {"empty", {}},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        const std::string path = dir + "/bad.wav";
        tw::Write(path, bytes);
        RecordingDC dc;
        const PlacedSound placed{path, 0, 48000};
        EXPECT_EQ(DrawTrackWaveform(dc, {0, 0, 399, 39}, {0, 0, 399, 39}, 0.1f, 0, placed), 0);
        EXPECT_FALSE(dc.DrewAnything());
        ClearWaveSummaryCache();
    }
    // A good file under absurd views: no drawing, no endless loop.
    const std::string path = dir + "/good.wav";
    tw::Write(path, good);
    for (float zoom : {0.0f, -1.0f, std::nanf(""), INFINITY}) {
        RecordingDC dc;
        EXPECT_EQ(DrawTrackWaveform(dc, {0, 0, 399, 39}, {0, 0, 399, 39}, zoom, 0, {path, 0, 48000}), 0);
    }
    RecordingDC wide;
    const Rect huge{INT_MIN / 2, 0, INT_MAX / 2, 39};
    EXPECT_GT(DrawTrackWaveform(wide, huge, huge, 1.0f, 0, {path, 0, 2400}), 0);
    std::system(("rm -rf '" + dir + "'").c_str());
}
