#include "TrackWaveform.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "WaveSummary.h"

namespace lipsmith {
namespace {

constexpr std::uint32_t kWaveColour = 0xFF0000;  // blue, as 0x00BBGGRR

int ClampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

long long TrackTickAt(long long x, double zoom, int scroll) {
    const double t = std::floor(static_cast<double>(x) / zoom + static_cast<double>(scroll) / zoom + 0.5);
    if (!(t > -9.0e18 && t < 9.0e18)) return t > 0 ? LLONG_MAX / 2 : LLONG_MIN / 2;
    return static_cast<long long>(t);
}

int DrawTrackWaveform(TrackDC& dc, const Rect& track, const Rect& paint, float zoom, int scroll,
                      const PlacedSound& sound) {
    if (sound.file.empty() || !(zoom > 0.0f) || !std::isfinite(zoom)) return 0;
    const long long x0 = std::min(track.left, track.right);
    const long long x1 = std::max(track.left, track.right);
    const long long tLeft = TrackTickAt(x0, zoom, scroll);
    const long long tRight = TrackTickAt(x1 + 1, zoom, scroll);
    if (sound.start >= tRight) return 0;

    std::shared_ptr<const WaveSummary> wave = GetWaveSummary(sound.file);
    if (!wave) return 0;
    WaveFrameReader reader(wave);
    if (!reader.IsOpen()) return 0;

    // A point every second column covers two columns' worth of sound.
    const double ticksPerColumn = static_cast<double>(tRight - tLeft) / static_cast<double>(x1 - x0 + 1);
    const double bytesPerPoint = std::trunc(ticksPerColumn * (2.0 / TIME_TICKSPERSEC) * wave->avgBytesPerSec);
    const std::uint64_t framesPerPoint =
        std::max<std::uint64_t>(1, static_cast<std::uint64_t>(bytesPerPoint) / wave->frameBytes);
    const long long height = std::llabs(static_cast<long long>(track.bottom) - track.top) + 1;
    const double levelPerValue = static_cast<double>(height) / static_cast<double>(1 << wave->bitsPerSample);

    // Only the columns of the paint rectangle (and one point either side, so
    // the line joins its neighbours) need drawing.
    long long first = x0, last = x1 + 2;
    if (paint.left < paint.right) {
        const long long from = static_cast<long long>(paint.left) - 2;
        if (from > first) first = x0 + (from - x0 + 1) / 2 * 2;
        last = std::min<long long>(last, static_cast<long long>(paint.right) + 4);
    }

    // Every column up to the one at the sound's start is skipped; start there.
    const double atStart = std::floor(static_cast<double>(sound.start) * zoom - 0.5 * zoom - scroll) - 2.0;
    if (atStart >= static_cast<double>(last)) first = last;
    else if (atStart > static_cast<double>(first)) first = x0 + (static_cast<long long>(atStart) - x0) / 2 * 2;

    dc.SelectPen(kWaveColour, 0);
    int points = 0;
    for (long long x = first; x < last; x += 2) {
        const long long t = TrackTickAt(x, zoom, scroll);
        if (t >= sound.end) break;
        if (t <= sound.start || t <= tLeft) continue;
        // The frames that play from tick t: the byte the sound reaches at t,
        // rounded down to a whole frame.
        const unsigned __int128 byte =
            static_cast<unsigned __int128>(t - sound.start) * wave->avgBytesPerSec / TIME_TICKSPERSEC;
        const unsigned __int128 frame128 = byte / static_cast<unsigned>(wave->frameBytes);
        if (frame128 >= wave->frames) break;
        const std::uint64_t frame = static_cast<std::uint64_t>(frame128);
        const std::uint64_t count = std::min(framesPerPoint, wave->frames - frame);
        // The point stands at its loudest frame's level. (Averaging the
        // frames would cancel every tone out and leave a flat line.)
        int loudest = 0;
        if (!reader.Max(frame, count, loudest)) break;
        const double level = static_cast<double>(loudest) * levelPerValue;
        const int y = ClampToInt(static_cast<long long>(track.bottom) - static_cast<long long>(std::floor(level + 0.5)));
        if (points++ == 0) dc.MoveTo(ClampToInt(x), y);
        else dc.LineTo(ClampToInt(x), y);
    }
    dc.SelectStockBlackPen();
    return points;
}

}  // namespace lipsmith
