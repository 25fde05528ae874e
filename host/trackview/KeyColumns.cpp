#include "KeyColumns.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include "NoteTrack.h"

namespace lipsmith::trackview {

KeyColumns::KeyColumns(Animatable* anim, const TimeAxis& axis) : anim_(anim), axis_(axis) {
    if (!anim_) return;
    if (anim_->ClassID() == DEF_NOTETRACK_CLASS_ID && anim_->SuperClassID() == NOTETRACK_CLASS_ID) {
        const NoteKeyTab& table = static_cast<DefNoteTrack*>(anim_)->keys;
        count_ = table.Count();
        if (!table.IsSorted()) {
            order_.resize(static_cast<std::size_t>(count_));
            std::iota(order_.begin(), order_.end(), 0);
            std::stable_sort(order_.begin(), order_.end(),
                             [&](int a, int b) { return table[a]->time < table[b]->time; });
        }
        return;
    }
    anim_->GetTimeRange(TIMERANGE_ALL);
    count_ = std::max(anim_->NumKeys(), 0);
}

TimeValue KeyColumns::Time(int i) const { return anim_->GetKeyTime(KeyIndex(i)); }

namespace {

// The first tick whose column is at least x (so the search compares ticks,
// not columns).
long long FirstTickOfColumn(const TimeAxis& axis, long long x) {
    const double t = std::ceil((static_cast<double>(x) - 0.5 + axis.Scroll()) / axis.Zoom());
    long long tick = static_cast<long long>(std::clamp(t, -4.0e9, 4.0e9));
    auto column = [&](long long k) {
        return axis.ColumnOf(static_cast<TimeValue>(std::clamp<long long>(k, INT_MIN, INT_MAX)));
    };
    while (tick > INT_MIN && column(tick - 1) >= x) --tick;  // rounding of the division
    while (tick <= INT_MAX && column(tick) < x) ++tick;
    return tick;
}

}  // namespace

int KeyColumns::FirstAtColumn(long long x, int from) const {
    const long long tick = FirstTickOfColumn(axis_, x);
    // Galloping search: the wanted key is usually a few keys on, so the
    // search widens its steps from `from` before it halves the interval.
    int lo = std::max(from, 0);
    if (lo >= count_ || Time(lo) >= tick) return std::min(lo, count_);
    int step = 1, hi = lo + 1;
    while (hi < count_ && Time(hi) < tick) {
        lo = hi;
        step *= 2;
        hi = lo + step;
    }
    hi = std::min(hi, count_);
    // Time(lo) < tick, and hi is count_ or a key at or after it.
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (Time(mid) < tick) lo = mid;
        else hi = mid;
    }
    return hi;
}

}  // namespace lipsmith::trackview
