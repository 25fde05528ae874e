#include "BezierFloat.h"

#include <algorithm>
#include <cmath>

#include "ChunkIO.h"

IKeyControl::~IKeyControl() = default;

namespace lipsmith {
namespace {

constexpr USHORT kKeysChunk = 0x2000;
constexpr USHORT kOrtChunk = 0x2010;
constexpr USHORT kValueChunk = 0x2020;
constexpr USHORT kTrackFlagsChunk = 0x2030;

int defaultInType = BEZKEY_SMOOTH;
int defaultOutType = BEZKEY_SMOOTH;

bool TimeLess(const IBezFloatKey& k, TimeValue t) { return k.time < t; }
bool LessTime(TimeValue t, const IBezFloatKey& k) { return t < k.time; }

// Handle lengths are fractions of the segment; lengths that sum past the
// segment are scaled down so that time runs forward along the curve.
void HandleFractions(float outLen, float inLen, double& a, double& b) {
    a = std::isfinite(outLen) && outLen >= 0 ? outLen : 1.0 / 3.0;
    b = std::isfinite(inLen) && inLen >= 0 ? inLen : 1.0 / 3.0;
    if (a + b > 1.0) {
        double s = a + b;
        a /= s;
        b /= s;
    }
}

double Cubic(double p0, double p1, double p2, double p3, double u) {
    double v = 1.0 - u;
    return v * v * v * p0 + 3 * v * v * u * p1 + 3 * v * u * u * p2 + u * u * u * p3;
}

// Solves x(u) = x for the monotone cubic with control points 0, a, 1-b, 1.
double SolveU(double a, double b, double x) {
    double lo = 0.0, hi = 1.0, u = x;
    for (int i = 0; i < 32; ++i) {
        double fx = Cubic(0.0, a, 1.0 - b, 1.0, u) - x;
        if (std::fabs(fx) < 1e-9) return u;
        if (fx > 0) hi = u; else lo = u;
        double v = 1.0 - u;
        double d = 3 * v * v * a + 6 * v * u * (1.0 - b - a) + 3 * u * u * b;
        double next = d > 1e-12 ? u - fx / d : -1.0;
        u = (next > lo && next < hi) ? next : 0.5 * (lo + hi);
    }
    return u;
}

}  // namespace

class BezierKeysRestore : public RestoreObj {
public:
    explicit BezierKeysRestore(BezierFloatControl* track)
        : track_(track), undo_(track->keys_), undoValue_(track->curval_) {}
    void Restore(int isUndo) override {
        if (isUndo) {
            redo_ = track_->keys_;
            redoValue_ = track_->curval_;
        }
        Swap(undo_, undoValue_);
    }
    void Redo() override { Swap(redo_, redoValue_); }
    int Size() override {
        return static_cast<int>((undo_.size() + redo_.size()) * sizeof(IBezFloatKey) + sizeof(*this));
    }
    TSTR Description() override { return "Key changes"; }
    const void* Subject() override { return track_; }

private:
    void Swap(const std::vector<IBezFloatKey>& keys, float value) {
        track_->keys_ = keys;
        track_->curval_ = value;
        track_->sorted_ = std::is_sorted(keys.begin(), keys.end(),
                                         [](const IBezFloatKey& x, const IBezFloatKey& y) { return x.time < y.time; });
        track_->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    }
    BezierFloatControl* track_;
    std::vector<IBezFloatKey> undo_, redo_;
    float undoValue_ = 0.0f, redoValue_ = 0.0f;
};

BezierFloatControl::BezierFloatControl() = default;
BezierFloatControl::~BezierFloatControl() = default;

void* BezierFloatControl::GetInterface(ULONG id) {
    if (id == I_KEYCONTROL) return static_cast<IKeyControl*>(this);
    return StdControl::GetInterface(id);
}

void BezierFloatControl::HoldKeys() {
    if (theHold.Holding() && holdStamp_ != theHold.Stamp()) {
        holdStamp_ = theHold.Stamp();
        theHold.Put(new BezierKeysRestore(this));
    }
}

void BezierFloatControl::EnsureSorted() {
    if (sorted_) return;
    auto byTime = [](const IBezFloatKey& x, const IBezFloatKey& y) { return x.time < y.time; };
    if (!std::is_sorted(keys_.begin(), keys_.end(), byTime)) {
        std::stable_sort(keys_.begin(), keys_.end(), byTime);
    }
    sorted_ = true;
}

Interval BezierFloatControl::GetTimeRange(DWORD) {
    if (keys_.empty()) return NEVER;
    EnsureSorted();
    return Interval(keys_.front().time, keys_.back().time);
}

TimeValue BezierFloatControl::GetKeyTime(int index) {
    if (index < 0 || index >= GetNumKeys()) return 0;
    return keys_[static_cast<std::size_t>(index)].time;
}

float BezierFloatControl::SegmentValue(std::size_t j, TimeValue t) const {
    const IBezFloatKey& k0 = keys_[j - 1];
    const IBezFloatKey& k1 = keys_[j];
    const double t0 = k0.time, t1 = k1.time, dt = t1 - t0;
    const double v0 = k0.val, v1 = k1.val;
    const int outType = GetOutTanType(k0.flags);
    const int inType = GetInTanType(k1.flags);
    if (outType == BEZKEY_STEP || inType == BEZKEY_STEP) return k0.val;
    const double seg = (v1 - v0) / dt;
    if (outType == BEZKEY_LINEAR && inType == BEZKEY_LINEAR) {
        return static_cast<float>(v0 + seg * (t - t0));
    }
    // Smooth tangents look one key further, past keys of the same time.
    auto smoothOut = [&]() {
        std::size_t p = j - 1;
        while (p > 0 && keys_[p - 1].time == k0.time) --p;
        if (p == 0) return seg;
        const IBezFloatKey& kp = keys_[p - 1];
        return (v1 - kp.val) / (t1 - kp.time);
    };
    auto smoothIn = [&]() {
        std::size_t q = j + 1;
        while (q < keys_.size() && keys_[q].time == k1.time) ++q;
        if (q >= keys_.size()) return seg;
        const IBezFloatKey& kq = keys_[q];
        return (kq.val - v0) / (kq.time - t0);
    };
    double m0 = seg, m1 = seg;
    switch (outType) {
        case BEZKEY_SMOOTH: m0 = smoothOut(); break;
        case BEZKEY_FAST: m0 = 2.0 * seg; break;
        case BEZKEY_SLOW: case BEZKEY_FLAT: m0 = 0.0; break;
        case BEZKEY_USER: m0 = k0.outtan; break;
        default: m0 = seg; break;
    }
    switch (inType) {
        case BEZKEY_SMOOTH: m1 = smoothIn(); break;
        case BEZKEY_FAST: m1 = 2.0 * seg; break;
        case BEZKEY_SLOW: case BEZKEY_FLAT: m1 = 0.0; break;
        case BEZKEY_USER: m1 = k1.intan; break;
        default: m1 = seg; break;
    }
    double a, b;
    HandleFractions(k0.outLength, k1.inLength, a, b);
    const double u = SolveU(a, b, (t - t0) / dt);
    return static_cast<float>(Cubic(v0, v0 + m0 * a * dt, v1 - m1 * b * dt, v1, u));
}

float BezierFloatControl::Evaluate(TimeValue t, Interval& valid) {
    if (keys_.empty()) {
        valid &= FOREVER;
        return curval_;
    }
    EnsureSorted();
    auto it = std::upper_bound(keys_.begin(), keys_.end(), t, LessTime);
    std::size_t j = static_cast<std::size_t>(it - keys_.begin());
    if (j == 0) {
        valid &= Interval(TIME_NegInfinity, keys_.front().time);
        return keys_.front().val;
    }
    if (j == keys_.size()) {
        valid &= Interval(keys_.back().time, TIME_PosInfinity);
        return keys_.back().val;
    }
    valid &= Interval(t, t);
    if (keys_[j - 1].time == t) return keys_[j - 1].val;
    return SegmentValue(j, t);
}

void BezierFloatControl::GetValueLocalTime(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    float v = Evaluate(t, valid);
    if (method == CTRL_RELATIVE) *static_cast<float*>(val) += v;
    else *static_cast<float*>(val) = v;
}

void BezierFloatControl::SetValueLocalTime(TimeValue t, void* val, int, GetSetMethod method) {
    float v = *static_cast<float*>(val);
    HoldKeys();
    if (keys_.empty()) {
        curval_ = method == CTRL_RELATIVE ? curval_ + v : v;
    } else {
        EnsureSorted();
        auto it = std::upper_bound(keys_.begin(), keys_.end(), t, LessTime);
        if (it != keys_.begin() && (it - 1)->time == t) {
            (it - 1)->val = method == CTRL_RELATIVE ? (it - 1)->val + v : v;
        } else {
            Interval ignored;
            IBezFloatKey k;
            k.time = t;
            k.val = method == CTRL_RELATIVE ? Evaluate(t, ignored) + v : v;
            k.flags = (static_cast<DWORD>(defaultInType) << BEZKEY_IN_SHIFT) |
                      (static_cast<DWORD>(defaultOutType) << BEZKEY_OUT_SHIFT);
            k.inLength = k.outLength = 1.0f / 3.0f;
            keys_.insert(std::upper_bound(keys_.begin(), keys_.end(), t, LessTime), k);
        }
    }
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void BezierFloatControl::Extrapolate(Interval range, TimeValue t, void* val, Interval& valid, int type) {
    auto V = [&](long long x) {
        Interval iv;
        TimeValue c = static_cast<TimeValue>(std::clamp<long long>(x, TIME_NegInfinity, TIME_PosInfinity));
        return Evaluate(c, iv);
    };
    const long long s = range.Start(), e = range.End();
    float v;
    switch (type) {
        case ORT_LINEAR:
            v = t < s ? V(s) + static_cast<float>(t - s) * (V(s + 1) - V(s))
                      : V(e) + static_cast<float>(t - e) * (V(e) - V(e - 1));
            break;
        case ORT_IDENTITY:
            v = t < s ? V(s) + static_cast<float>(t - s) : V(e) + static_cast<float>(t - e);
            break;
        default: {  // relative repeat
            long long d = e - s;
            long long m = d < 1 ? t : (t < s ? e + (t - s) % d : s + (t - s) % d);
            long long n = d < 1 ? 1 : (t < s ? (s - t) / d + 1 : (t - e) / d + 1);
            float step = static_cast<float>(n) * (V(e) - V(s));
            v = t < s ? V(m) - step : V(m) + step;
            break;
        }
    }
    *static_cast<float*>(val) = v;
    valid = Interval(t, t);
}

void BezierFloatControl::InsertTime(TimeValue ins, TimeValue amount) {
    if (amount == 0 || keys_.empty()) return;
    EnsureSorted();
    auto lo = std::lower_bound(keys_.begin(), keys_.end(), ins, TimeLess);
    if (lo == keys_.end()) return;
    HoldKeys();
    for (auto it = lo; it != keys_.end(); ++it) it->time = AddTicksClamped(it->time, amount);
    if (lo != keys_.begin() && lo->time < (lo - 1)->time) sorted_ = false;
}

void BezierFloatControl::DeleteTime(Interval iv, DWORD flags) {
    const TimeValue s = iv.Start(), e = iv.End();
    if (e < s || keys_.empty()) return;
    EnsureSorted();
    auto lo = (flags & TIME_INCLEFT) ? std::lower_bound(keys_.begin(), keys_.end(), s, TimeLess)
                                     : std::upper_bound(keys_.begin(), keys_.end(), s, LessTime);
    auto hi = (flags & TIME_INCRIGHT) ? std::upper_bound(keys_.begin(), keys_.end(), e, LessTime)
                                      : std::lower_bound(keys_.begin(), keys_.end(), e, TimeLess);
    const bool slide = !(flags & TIME_NOSLIDE) && hi != keys_.end();
    if (!(lo < hi) && !slide) return;
    HoldKeys();
    if (lo < hi) lo = keys_.erase(lo, hi);
    else lo = hi;
    if (slide) {
        const long long shift = static_cast<long long>(s) - e;
        for (auto it = lo; it != keys_.end(); ++it) it->time = AddTicksClamped(it->time, shift);
    }
}

void BezierFloatControl::SetNumKeys(int n) {
    if (n < 0) n = 0;
    if (static_cast<std::size_t>(n) == keys_.size()) return;
    HoldKeys();
    std::size_t old = keys_.size();
    keys_.resize(static_cast<std::size_t>(n));
    if (keys_.size() > old && old > 0 && keys_[old].time < keys_[old - 1].time) sorted_ = false;
}

void BezierFloatControl::GetKey(int i, IKey* key) {
    if (!key || i < 0 || i >= GetNumKeys()) return;
    *static_cast<IBezFloatKey*>(key) = keys_[static_cast<std::size_t>(i)];
}

void BezierFloatControl::SetKey(int i, IKey* key) {
    if (!key || i < 0 || i >= GetNumKeys()) return;
    HoldKeys();
    const std::size_t u = static_cast<std::size_t>(i);
    keys_[u] = *static_cast<IBezFloatKey*>(key);
    if (sorted_ && ((u > 0 && keys_[u].time < keys_[u - 1].time) ||
                    (u + 1 < keys_.size() && keys_[u + 1].time < keys_[u].time))) {
        sorted_ = false;
    }
}

int BezierFloatControl::AppendKey(IKey* key) {
    if (!key) return -1;
    HoldKeys();
    const IBezFloatKey& k = *static_cast<IBezFloatKey*>(key);
    if (!keys_.empty() && k.time < keys_.back().time) sorted_ = false;
    keys_.push_back(k);
    return GetNumKeys() - 1;
}

void BezierFloatControl::SortKeys() {
    if (!sorted_) HoldKeys();
    EnsureSorted();
}

ReferenceTarget* BezierFloatControl::Clone(RemapDir&) {
    auto* c = new BezierFloatControl();
    c->keys_ = keys_;
    c->sorted_ = sorted_;
    c->curval_ = curval_;
    c->trackFlags_ = trackFlags_;
    c->SetORT(GetORT(ORT_BEFORE), ORT_BEFORE);
    c->SetORT(GetORT(ORT_AFTER), ORT_AFTER);
    return c;
}

IOResult BezierFloatControl::Save(ISave* isave) {
    ULONG n = 0;
    isave->BeginChunk(kKeysChunk);
    IOResult r = keys_.empty() ? IO_OK
                               : isave->Write(keys_.data(), static_cast<ULONG>(keys_.size() * sizeof(IBezFloatKey)), &n);
    isave->EndChunk();
    if (r != IO_OK) return r;
    int orts[2] = {GetORT(ORT_BEFORE), GetORT(ORT_AFTER)};
    if ((r = WriteValueChunk(isave, kOrtChunk, orts)) != IO_OK) return r;
    if ((r = WriteValueChunk(isave, kValueChunk, curval_)) != IO_OK) return r;
    return WriteValueChunk(isave, kTrackFlagsChunk, trackFlags_);
}

IOResult BezierFloatControl::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        IOResult r = IO_OK;
        switch (iload->CurChunkID()) {
            case kKeysChunk: {
                ULONG len = iload->CurChunkLength();
                if (len % sizeof(IBezFloatKey) != 0) { r = IO_ERROR; break; }
                keys_.resize(len / sizeof(IBezFloatKey));
                ULONG n = 0;
                if (len) r = iload->Read(keys_.data(), len, &n);
                if (r != IO_OK || n != len) { keys_.clear(); r = IO_ERROR; }
                sorted_ = keys_.empty();  // checked on first use
                break;
            }
            case kOrtChunk: {
                int orts[2];
                r = ReadValue(iload, orts);
                if (r == IO_OK) { SetORT(orts[0], ORT_BEFORE); SetORT(orts[1], ORT_AFTER); }
                break;
            }
            case kValueChunk: r = ReadValue(iload, curval_); break;
            case kTrackFlagsChunk: r = ReadValue(iload, trackFlags_); break;
            default: break;
        }
        iload->CloseChunk();
        if (r != IO_OK) return r;
    }
    return res == IO_END ? IO_OK : res;
}

}  // namespace lipsmith

Control* NewDefaultFloatController() { return new lipsmith::BezierFloatControl(); }

void SetBezierDefaultTangentType(int in, int out) {
    lipsmith::defaultInType = in;
    lipsmith::defaultOutType = out;
}

void GetBezierDefaultTangentType(int& in, int& out) {
    in = lipsmith::defaultInType;
    out = lipsmith::defaultOutType;
}
