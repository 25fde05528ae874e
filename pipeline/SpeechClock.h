// The speech clock: engine milliseconds turned into host ticks, and the
// one-shot marks that shape the next keys.
#pragma once
#include "Time.h"

namespace lipsmith {

// Ticks per millisecond the engine reports (not 4.8: the rate the key timing
// was tuned to).
inline constexpr double kTicksPerMs = 4.827789054193712;

struct SpeechClock {
    TimeValue runStartTick = 0;  // where this run's animation begins
    int spokenMs = 0;            // sum of all phoneme durations of the run
    TimeValue currentTick = 0;   // start of the next phoneme or bookmark
    double ticksPerMs = kTicksPerMs;
    int firstKeyPending = 0;     // a stream started; the next keys get first-key tangents
    int pausePending = 0;        // after a pause; the next keys get pause tangents
    int firstSentence = 0;       // no sentence boundary yet in this stream
    TimeValue eyeKeysEnd = 0;    // end of the eye and brow keys written in this run

    void Reset(TimeValue start) {
        runStartTick = currentTick = start;
        spokenMs = 0;
        eyeKeysEnd = 0;
    }
    // Adds a phoneme's milliseconds; the tick is recomputed from the running
    // sum so rounding never accumulates, and stops at the end of the time line.
    void Advance(int ms) {
        spokenMs += ms;
        currentTick = AddTicksClamped(runStartTick, static_cast<long long>(spokenMs * ticksPerMs));
    }
    TimeValue MsToTicks(int ms) const { return static_cast<TimeValue>(ms * ticksPerMs); }
};

}  // namespace lipsmith
