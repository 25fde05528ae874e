// Controllers: animatables that give a value at a time. StdControl maps times
// outside the key range by the out-of-range types and hands the rest to the
// derived class's local-time operations.
#pragma once
#include "Reference.h"

enum GetSetMethod { CTRL_ABSOLUTE = 0, CTRL_RELATIVE = 1 };

// Out-of-range types, before and after the key range.
inline constexpr int ORT_BEFORE = 1;
inline constexpr int ORT_AFTER = 2;
inline constexpr int ORT_CONSTANT = 1;
inline constexpr int ORT_CYCLE = 2;
inline constexpr int ORT_LOOP = 3;
inline constexpr int ORT_OSCILLATE = 4;
inline constexpr int ORT_LINEAR = 5;
inline constexpr int ORT_IDENTITY = 6;
inline constexpr int ORT_RELATIVE_REPEAT = 7;

class HOST_API Control : public ReferenceTarget {
public:
    Control() = default;
    ~Control() override;

    virtual void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) = 0;
    virtual void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) = 0;
    // Takes over what it can from the controller this one replaces.
    virtual void Copy(Control* /*from*/) {}
    BOOL IsLeaf() override { return TRUE; }
    virtual BOOL CanApplyEaseMultCurves() { return TRUE; }

    virtual int GetORT(int type) { return type == ORT_BEFORE ? ortBefore_ : ortAfter_; }
    virtual void SetORT(int ort, int type);

private:
    int ortBefore_ = ORT_CONSTANT;
    int ortAfter_ = ORT_CONSTANT;
};

class HOST_API StdControl : public Control {
public:
    StdControl() = default;
    ~StdControl() override;

    // Inside the key range (or with no range) asks GetValueLocalTime; outside
    // it, constant, cycle, loop and oscillate map the time into the range and
    // the types 5 to 7 go to Extrapolate. CTRL_RELATIVE adds to *val.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    virtual void GetValueLocalTime(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) = 0;
    virtual void SetValueLocalTime(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) = 0;
    virtual void Extrapolate(Interval range, TimeValue t, void* val, Interval& valid, int type) = 0;
    virtual void* CreateTempValue() = 0;
    virtual void DeleteTempValue(void* val) = 0;
    virtual void ApplyValue(void* val, void* delta) = 0;
    virtual void MultiplyValue(void* val, float m) = 0;
};

// Bezier tangent types, as stored in a key's flags (in type bits 7-9, out
// type bits 10-12).
inline constexpr int BEZKEY_SMOOTH = 0;
inline constexpr int BEZKEY_LINEAR = 1;
inline constexpr int BEZKEY_STEP = 2;
inline constexpr int BEZKEY_FAST = 3;
inline constexpr int BEZKEY_SLOW = 4;
inline constexpr int BEZKEY_USER = 5;
inline constexpr int BEZKEY_FLAT = 6;

// A new Bezier float track (the host's default float controller).
HOST_API Control* NewDefaultFloatController();
// Tangent types given to keys that the Bezier tracks make themselves later.
HOST_API void SetBezierDefaultTangentType(int in, int out);
HOST_API void GetBezierDefaultTangentType(int& in, int& out);
