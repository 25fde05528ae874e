#include "KeyColumns.h"

#include <algorithm>
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

int KeyColumns::FirstAtColumn(long long x, int from) const {
    // A few steps forward first: neighbouring keys usually lie in the next columns.
    int i = std::max(from, 0);
    for (int step = 0; step < 4 && i < count_; ++step, ++i) {
        if (Column(i) >= x) return i;
    }
    int lo = i, hi = count_;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (Column(mid) < x) lo = mid + 1;
        else hi = mid;
    }
    return lo;
}

}  // namespace lipsmith::trackview
