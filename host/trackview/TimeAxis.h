// The horizontal axis of a track view: a zoom in pixels per tick and a
// scroll in pixels, so that column x shows the tick floor(x / zoom + scroll
// / zoom + 0.5), the mapping controllers use in PaintTrack.
#pragma once
#include "Time.h"

namespace lipsmith::trackview {

class TimeAxis {
public:
    static constexpr double kMinZoom = 1e-6;  // a day spans about 35 columns
    static constexpr double kMaxZoom = 2.0;   // two columns per tick

    double Zoom() const { return zoom_; }
    int Scroll() const { return scroll_; }
    void SetZoom(double zoom);
    void SetScroll(int scroll) { scroll_ = scroll; }

    // The tick shown at column x.
    TimeValue TickAt(int x) const;
    // The column (fractional) at which tick t lies.
    double XOf(TimeValue t) const { return static_cast<double>(t) * zoom_ - scroll_; }
    // The whole column of tick t.
    long long ColumnOf(TimeValue t) const;

    // Zooms and scrolls so that [start, end] fills columns 0..width-1.
    void Fit(TimeValue start, TimeValue end, int width);
    // Multiplies the zoom by factor, keeping the tick under column x in place.
    void ZoomAround(double factor, int x);
    // The spacing of ruler labels in frames: the smallest of 1, 2, 5, 10,
    // 20, 50... frames that puts labels at least minPixels apart.
    int RulerStepFrames(int ticksPerFrame, int minPixels) const;

private:
    double zoom_ = 0.05;
    int scroll_ = 0;
};

}  // namespace lipsmith::trackview
