// The waveform of the scene's sound drawn in a speech controller's track row.
#pragma once
#include <string>

#include "Animatable.h"

namespace lipsmith {

struct PlacedSound {
    std::string file;  // empty: no sound
    TimeValue start = 0;
    TimeValue end = 0;
};

// The tick the track view shows at column x: floor(x / zoom + scroll / zoom + 0.5).
long long TrackTickAt(long long x, double zoom, int scroll);

// Draws the sound's waveform into the track rectangle with a blue pen: one
// point every second column, at the level of the loudest of the frames that
// play from the column's tick on, for as long as one point lasts (a frame's
// level is its louder channel's value scaled from the sample range to the
// row's height). Draws nothing when the file cannot be read as 8- or 16-bit
// PCM with one or two channels. Answers the number of points drawn.
int DrawTrackWaveform(TrackDC& dc, const Rect& track, const Rect& paint, float zoom, int scroll,
                      const PlacedSound& sound);

}  // namespace lipsmith
