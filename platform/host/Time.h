// Host time: signed 32-bit ticks, 4800 per second, and closed intervals of them.
#pragma once
#include <climits>

#include "HostApi.h"

using TimeValue = int;

inline constexpr int TIME_TICKSPERSEC = 4800;
inline constexpr TimeValue TIME_NegInfinity = INT_MIN;
inline constexpr TimeValue TIME_PosInfinity = INT_MAX;

// A closed range of ticks [start, end]. The empty interval is NEVER: both
// ends at negative infinity.
class Interval {
public:
    constexpr Interval() : start_(TIME_NegInfinity), end_(TIME_NegInfinity) {}
    constexpr Interval(TimeValue s, TimeValue e) : start_(s), end_(e) {}

    constexpr TimeValue Start() const { return start_; }
    constexpr TimeValue End() const { return end_; }
    constexpr void Set(TimeValue s, TimeValue e) { start_ = s; end_ = e; }
    constexpr void SetStart(TimeValue s) { start_ = s; }
    constexpr void SetEnd(TimeValue e) { end_ = e; }
    constexpr void SetInfinite() { start_ = TIME_NegInfinity; end_ = TIME_PosInfinity; }
    constexpr void SetEmpty() { start_ = TIME_NegInfinity; end_ = TIME_NegInfinity; }
    constexpr void SetInstant(TimeValue t) { start_ = end_ = t; }

    constexpr bool Empty() const {
        return (start_ == TIME_NegInfinity && end_ == TIME_NegInfinity) || end_ < start_;
    }
    // Number of ticks covered, 0 for an empty interval (64-bit: FOREVER does not fit 32).
    constexpr long long Duration() const {
        return Empty() ? 0 : static_cast<long long>(end_) - start_ + 1;
    }
    constexpr BOOL InInterval(TimeValue t) const { return !Empty() && start_ <= t && t <= end_; }
    constexpr BOOL InInterval(const Interval& i) const {
        return !i.Empty() && InInterval(i.start_) && InInterval(i.end_);
    }

    // Intersection.
    constexpr Interval& operator&=(const Interval& o) {
        if (Empty() || o.Empty()) { SetEmpty(); return *this; }
        TimeValue s = start_ > o.start_ ? start_ : o.start_;
        TimeValue e = end_ < o.end_ ? end_ : o.end_;
        if (e < s) SetEmpty(); else Set(s, e);
        return *this;
    }
    // Smallest interval holding both (an empty side contributes nothing).
    constexpr Interval& operator|=(const Interval& o) {
        if (o.Empty()) return *this;
        if (Empty()) { *this = o; return *this; }
        if (o.start_ < start_) start_ = o.start_;
        if (o.end_ > end_) end_ = o.end_;
        return *this;
    }
    // Grows the interval to include t.
    constexpr Interval& operator+=(TimeValue t) {
        if (Empty()) SetInstant(t);
        else if (t < start_) start_ = t;
        else if (t > end_) end_ = t;
        return *this;
    }
    constexpr bool operator==(const Interval& o) const { return start_ == o.start_ && end_ == o.end_; }
    constexpr bool operator!=(const Interval& o) const { return !(*this == o); }

private:
    TimeValue start_;
    TimeValue end_;
};

inline constexpr Interval FOREVER(TIME_NegInfinity, TIME_PosInfinity);
inline constexpr Interval NEVER(TIME_NegInfinity, TIME_NegInfinity);

// Flags of DeleteTime: which ends of the interval go with it, and whether the
// time after it slides back.
inline constexpr DWORD TIME_INCLEFT = 0x400;
inline constexpr DWORD TIME_INCRIGHT = 0x800;
inline constexpr DWORD TIME_NOSLIDE = 0x1000;

// Flags of GetTimeRange.
inline constexpr DWORD TIMERANGE_ALL = 0x1;

// Adds a tick offset without wrapping past the ends of the time line.
constexpr TimeValue AddTicksClamped(TimeValue t, long long delta) {
    long long r = static_cast<long long>(t) + delta;
    if (r < TIME_NegInfinity) return TIME_NegInfinity;
    if (r > TIME_PosInfinity) return TIME_PosInfinity;
    return static_cast<TimeValue>(r);
}
