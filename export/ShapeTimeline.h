// A node's phonemes as a sequence of mouth shapes: the moments the shape
// changes, from time 0 to the end of the speech, and the same on the grids
// the export formats use (hundredths of a second, frames).
#pragma once
#include <vector>

#include "MouthShapes.h"
#include "NodeSpeech.h"

namespace lipsmith::exports {

template <class Shape>
struct ShapeChange {
    TimeValue at;
    Shape shape;
    bool operator==(const ShapeChange&) const = default;
};

// The first change is at 0 (at rest until the first phoneme); times rise
// strictly and neighbours differ. Marks that are no sound and notes that name
// no phoneme keep the shape before them; times before 0 count as 0.
template <class Shape>
struct ShapeTimeline {
    std::vector<ShapeChange<Shape>> changes;
    TimeValue end = 0;  // never before the last change
};

ShapeTimeline<MouthShape> MouthTimeline(const NodeSpeech& speech);
ShapeTimeline<MohoShape> MohoTimeline(const NodeSpeech& speech);

// A shape held from start to end, in hundredths of a second.
struct CentisecondCue {
    long long start;
    long long end;
    MouthShape shape;
    bool operator==(const CentisecondCue&) const = default;
};

// The cues on the hundredth-of-a-second grid the cue formats write: each
// change rounded to the nearest hundredth (a later change on the same
// hundredth replaces an earlier one), the end truncated. Cues meet: each
// ends where the next begins; the last ends at the end. Empty for an empty
// timeline.
std::vector<CentisecondCue> CentisecondCues(const ShapeTimeline<MouthShape>& timeline);
long long CentisecondsOf(TimeValue t);  // rounded, for t >= 0

// The shape shown on each frame at fps frames per second, frame k being the
// time from k/fps to (k+1)/fps: the shape that covers most of the frame (the
// earlier on a tie). A closed-lips cue too short to win a frame of its own
// still takes the frame its middle falls on, so m, b and p close the mouth,
// unless that frame is the only one of the cue that won it. Frames cover the
// timeline up to its end (at least one frame).
std::vector<MohoShape> MohoShapesPerFrame(const ShapeTimeline<MohoShape>& timeline, int fps);

}  // namespace lipsmith::exports
