#include "Control.h"

namespace {

// Remainder with the sign of the divisor (d > 0).
long long PosMod(long long x, long long d) {
    long long r = x % d;
    return r < 0 ? r + d : r;
}

}  // namespace

Control::~Control() = default;

void Control::SetORT(int ort, int type) {
    if (ort < ORT_CONSTANT || ort > ORT_RELATIVE_REPEAT) return;
    if (type == ORT_BEFORE) ortBefore_ = ort;
    else if (type == ORT_AFTER) ortAfter_ = ort;
}

StdControl::~StdControl() = default;

void StdControl::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    if (method == CTRL_RELATIVE) {
        void* absolute = CreateTempValue();
        GetValue(t, absolute, valid, CTRL_ABSOLUTE);
        ApplyValue(val, absolute);
        DeleteTempValue(absolute);
        return;
    }
    Interval range = GetTimeRange(TIMERANGE_ALL);
    if (range.Empty() || range.InInterval(t)) {
        GetValueLocalTime(t, val, valid, method);
        return;
    }
    int ort = t < range.Start() ? GetORT(ORT_BEFORE) : GetORT(ORT_AFTER);
    const long long s = range.Start(), e = range.End(), d = e - s;
    long long mapped;
    switch (ort) {
        case ORT_LINEAR:
        case ORT_IDENTITY:
        case ORT_RELATIVE_REPEAT:
            Extrapolate(range, t, val, valid, ort);
            return;
        case ORT_CYCLE:
        case ORT_LOOP:
            mapped = d == 0 ? s : s + PosMod(static_cast<long long>(t) - s, d);
            break;
        case ORT_OSCILLATE:
            if (d == 0) {
                mapped = s;
            } else {
                long long p = PosMod(static_cast<long long>(t) - s, 2 * d);
                mapped = p <= d ? s + p : s + 2 * d - p;
            }
            break;
        default:  // constant
            mapped = t < s ? s : e;
            break;
    }
    GetValueLocalTime(static_cast<TimeValue>(mapped), val, valid, method);
}

void StdControl::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    SetValueLocalTime(t, val, commit, method);
}
