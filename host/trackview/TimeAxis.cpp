#include "TimeAxis.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace lipsmith::trackview {

void TimeAxis::SetZoom(double zoom) {
    if (!std::isfinite(zoom)) return;
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
}

TimeValue TimeAxis::TickAt(int x) const {
    const double t = std::floor(x / zoom_ + scroll_ / zoom_ + 0.5);
    return static_cast<TimeValue>(std::clamp(t, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

long long TimeAxis::ColumnOf(TimeValue t) const { return static_cast<long long>(std::floor(XOf(t) + 0.5)); }

void TimeAxis::Fit(TimeValue start, TimeValue end, int width) {
    if (end <= start) end = start + TIME_TICKSPERSEC;
    width = std::max(width, 2);
    SetZoom(static_cast<double>(width - 1) / (static_cast<double>(end) - start));
    const double s = std::floor(static_cast<double>(start) * zoom_ + 0.5);
    scroll_ = static_cast<int>(std::clamp(s, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

void TimeAxis::ZoomAround(double factor, int x) {
    if (!std::isfinite(factor) || factor <= 0) return;
    const double tick = (x + static_cast<double>(scroll_)) / zoom_;
    SetZoom(zoom_ * factor);
    const double s = std::floor(tick * zoom_ - x + 0.5);
    scroll_ = static_cast<int>(std::clamp(s, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

int TimeAxis::RulerStepFrames(int ticksPerFrame, int minPixels) const {
    const double pixelsPerFrame = zoom_ * std::max(ticksPerFrame, 1);
    long long step = 1;
    for (int i = 0; step * pixelsPerFrame < minPixels && step < 1000000000LL; ++i) {
        step = (i % 3 == 1) ? step / 2 * 5 : step * 2;  // 1, 2, 5, 10, 20, 50 ...
    }
    return static_cast<int>(step);
}

}  // namespace lipsmith::trackview
