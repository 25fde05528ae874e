#include "Animatable.h"

TrackDC::~TrackDC() = default;
Animatable::~Animatable() = default;

Interval Animatable::GetTimeRange(DWORD flags) {
    Interval range = NEVER;
    for (int i = 0; i < NumSubs(); ++i) {
        if (Animatable* sub = SubAnim(i)) range |= sub->GetTimeRange(flags);
    }
    return range;
}
