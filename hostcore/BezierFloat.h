// The host's default float controller: Bezier float keys in a vector that
// remembers whether it is sorted, so appending keys in time order and sorting
// costs O(1) per key, evaluation is a binary search, and time edits near the
// end of a long track touch only the keys concerned.
#pragma once
#include <vector>

#include "Hold.h"
#include "KeyControl.h"

namespace lipsmith {

class BezierFloatControl : public StdControl, public IKeyControl {
public:
    BezierFloatControl();
    ~BezierFloatControl() override;

    Class_ID ClassID() override { return BEZIER_FLOAT_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    void GetClassName(TSTR& s) override { s = "Bezier Float"; }
    void DeleteThis() override { delete this; }
    void* GetInterface(ULONG id) override;

    // Value: keys interpolated by Bezier segments; before the first key the
    // first value, after the last the last; without keys the track's own value.
    void GetValueLocalTime(TimeValue t, void* val, Interval& valid, GetSetMethod method) override;
    // Without keys sets the track's value; otherwise sets the key at t, or
    // adds one there with the default tangent types.
    void SetValueLocalTime(TimeValue t, void* val, int commit, GetSetMethod method) override;
    void Extrapolate(Interval range, TimeValue t, void* val, Interval& valid, int type) override;
    void* CreateTempValue() override { return new float(0.0f); }
    void DeleteTempValue(void* val) override { delete static_cast<float*>(val); }
    void ApplyValue(void* val, void* delta) override {
        *static_cast<float*>(val) += *static_cast<float*>(delta);
    }
    void MultiplyValue(void* val, float m) override { *static_cast<float*>(val) *= m; }

    Interval GetTimeRange(DWORD flags) override;
    int NumKeys() override { return GetNumKeys(); }
    TimeValue GetKeyTime(int index) override;
    void InsertTime(TimeValue ins, TimeValue amount) override;
    void DeleteTime(Interval iv, DWORD flags) override;

    // IKeyControl
    int GetNumKeys() override { return static_cast<int>(keys_.size()); }
    void SetNumKeys(int n) override;
    void GetKey(int i, IKey* key) override;
    void SetKey(int i, IKey* key) override;
    int AppendKey(IKey* key) override;
    void SortKeys() override;
    DWORD& GetTrackFlags() override { return trackFlags_; }

    ReferenceTarget* Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // Records the keys for undo once per hold (before a change).
    void HoldKeys();
    bool KeysSorted() const { return sorted_; }
    const std::vector<IBezFloatKey>& Keys() const { return keys_; }

private:
    friend class BezierKeysRestore;
    void EnsureSorted();
    float Evaluate(TimeValue t, Interval& valid);
    float SegmentValue(std::size_t j, TimeValue t) const;

    std::vector<IBezFloatKey> keys_;
    bool sorted_ = true;
    float curval_ = 0.0f;
    DWORD trackFlags_ = 0;
    unsigned holdStamp_ = 0;
};

}  // namespace lipsmith
