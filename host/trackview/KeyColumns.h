// The keys of one track as columns of a track view. A view with 100,000
// keys draws only the columns it shows, and at most one mark per column:
// the walk jumps from a drawn key straight to the first key of a later
// column by binary search, so its cost follows the width of the view, not
// the number of keys.
#pragma once
#include <vector>

#include "Animatable.h"
#include "TimeAxis.h"

namespace lipsmith::trackview {

class KeyColumns {
public:
    // The keys of anim (NumKeys, GetKeyTime). Key tracks are asked for their
    // time range first, which puts their keys in time order; note tables
    // that are out of order are walked through a sorted copy of their times.
    KeyColumns(Animatable* anim, const TimeAxis& axis);

    int Count() const { return count_; }
    TimeValue Time(int i) const;
    // The key's index in the track (differs from i only for a sorted copy).
    int KeyIndex(int i) const { return order_.empty() ? i : order_[static_cast<std::size_t>(i)]; }
    long long Column(int i) const { return axis_.ColumnOf(Time(i)); }
    // The first key at or after position `from` whose column is at least x.
    int FirstAtColumn(long long x, int from = 0) const;

    // Calls mark(column, i) for the first key of every column from x0 to x1
    // that holds keys, left to right. Answers the number of marks.
    template <class Mark>
    int ForEachColumn(long long x0, long long x1, Mark&& mark) const {
        int marks = 0;
        for (int i = FirstAtColumn(x0); i < count_;) {
            const long long c = Column(i);
            if (c > x1) break;
            mark(c, i);
            ++marks;
            i = FirstAtColumn(c + 1, i + 1);
        }
        return marks;
    }

private:
    Animatable* anim_;
    const TimeAxis& axis_;
    int count_ = 0;
    std::vector<int> order_;  // sorted order of an unsorted note table
};

}  // namespace lipsmith::trackview
