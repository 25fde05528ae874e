#include "ShapeTimeline.h"

#include <algorithm>
#include <optional>

namespace lipsmith::exports {
namespace {

template <class Shape>
void AddChange(std::vector<ShapeChange<Shape>>& changes, TimeValue at, Shape shape) {
    if (!changes.empty() && changes.back().at >= at) {
        changes.back().shape = shape;  // the later note at the same time wins
    } else {
        changes.push_back({at, shape});
    }
    if (changes.size() >= 2 && changes[changes.size() - 2].shape == changes.back().shape) changes.pop_back();
}

template <class Shape>
ShapeTimeline<Shape> Timeline(const NodeSpeech& speech, std::optional<Shape> (*shapeOf)(int), Shape rest) {
    ShapeTimeline<Shape> timeline;
    timeline.changes.push_back({0, rest});
    for (const PhonemeSpan& span : speech.phonemes) {
        if (const std::optional<Shape> shape = shapeOf(span.phoneme)) {
            AddChange(timeline.changes, std::max(span.start, 0), *shape);
        }
    }
    timeline.end = std::max(speech.end, timeline.changes.back().at);
    return timeline;
}

}  // namespace

ShapeTimeline<MouthShape> MouthTimeline(const NodeSpeech& speech) {
    return Timeline<MouthShape>(speech, MouthShapeOf, kRestShape);
}

ShapeTimeline<MohoShape> MohoTimeline(const NodeSpeech& speech) {
    return Timeline<MohoShape>(speech, MohoShapeOf, kMohoRestShape);
}

long long CentisecondsOf(TimeValue t) {
    constexpr long long kTicksPerCs = TIME_TICKSPERSEC / 100;
    return (static_cast<long long>(t) + kTicksPerCs / 2) / kTicksPerCs;
}

std::vector<CentisecondCue> CentisecondCues(const ShapeTimeline<MouthShape>& timeline) {
    std::vector<ShapeChange<MouthShape>> grid;  // times in hundredths
    for (const auto& change : timeline.changes) {
        AddChange(grid, static_cast<TimeValue>(CentisecondsOf(change.at)), change.shape);
    }
    std::vector<CentisecondCue> cues;
    if (grid.empty()) return cues;
    const long long end = std::max<long long>(timeline.end / (TIME_TICKSPERSEC / 100), grid.back().at);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const long long stop = i + 1 < grid.size() ? grid[i + 1].at : end;
        if (stop > grid[i].at) cues.push_back({grid[i].at, stop, grid[i].shape});
    }
    return cues;
}

std::vector<MohoShape> MohoShapesPerFrame(const ShapeTimeline<MohoShape>& timeline, int fps) {
    // Times in units of 1/(ticks per second × fps) s: a tick is fps units, a
    // frame as many units as a second has ticks.
    const long long frameUnits = TIME_TICKSPERSEC;
    const auto units = [fps](TimeValue t) { return static_cast<long long>(t) * fps; };
    const long long endUnits = units(timeline.end);
    const long long frames = std::max(1LL, (endUnits + frameUnits - 1) / frameUnits);
    const auto& changes = timeline.changes;
    const auto cueEnd = [&](std::size_t i) { return i + 1 < changes.size() ? units(changes[i + 1].at) : endUnits; };

    std::vector<MohoShape> shown(static_cast<std::size_t>(frames), kMohoRestShape);
    std::vector<std::size_t> winner(static_cast<std::size_t>(frames), 0);
    std::vector<int> wins(changes.size(), 0);
    std::size_t first = 0;  // the first cue that may reach into the frame
    for (long long k = 0; k < frames && !changes.empty(); ++k) {
        const long long from = k * frameUnits, to = from + frameUnits;
        while (first + 1 < changes.size() && cueEnd(first) <= from) ++first;
        long long bestCover = -1;
        std::size_t best = first;
        for (std::size_t i = first; i < changes.size() && units(changes[i].at) < to; ++i) {
            const long long cover = std::min(cueEnd(i), to) - std::max(units(changes[i].at), from);
            if (cover > bestCover) {
                bestCover = cover;
                best = i;
            }
        }
        shown[static_cast<std::size_t>(k)] = changes[best].shape;
        winner[static_cast<std::size_t>(k)] = best;
        ++wins[best];
    }
    // A closure takes its frame from a cue that keeps another frame, never a
    // cue's only one: at low frame rates not every closure can be shown.
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (wins[i] > 0 || changes[i].shape != MohoShape::MBP) continue;
        const long long middle = (units(changes[i].at) + cueEnd(i)) / 2;
        const std::size_t k = static_cast<std::size_t>(std::min(frames - 1, middle / frameUnits));
        if (shown[k] == MohoShape::MBP || wins[winner[k]] < 2) continue;
        --wins[winner[k]];
        winner[k] = i;
        wins[i] = 1;
        shown[k] = MohoShape::MBP;
    }
    return shown;
}

}  // namespace lipsmith::exports
