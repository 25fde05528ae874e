#include <gtest/gtest.h>

#include "TestObjects.h"

namespace {

// Keys from 100 to 200 whose value is the tick itself; records Extrapolate calls.
class RampControl : public StdControl {
public:
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    Interval GetTimeRange(DWORD) override { return Interval(100, 200); }
    void GetValueLocalTime(TimeValue t, void* val, Interval& valid, GetSetMethod) override {
        *static_cast<float*>(val) = static_cast<float>(t);
        valid = Interval(t, t);
    }
    void SetValueLocalTime(TimeValue, void*, int, GetSetMethod) override {}
    void Extrapolate(Interval range, TimeValue t, void* val, Interval&, int type) override {
        lastType = type;
        lastRange = range;
        *static_cast<float*>(val) = -1.0f;
        (void)t;
    }
    void* CreateTempValue() override { return new float(0); }
    void DeleteTempValue(void* v) override { delete static_cast<float*>(v); }
    void ApplyValue(void* v, void* d) override { *static_cast<float*>(v) += *static_cast<float*>(d); }
    void MultiplyValue(void* v, float m) override { *static_cast<float*>(v) *= m; }
    int lastType = 0;
    Interval lastRange;
};

}  // namespace

TEST(StdControl, OutOfRangeTypesMapTimeIntoTheRange) {
    RampControl c;
    EXPECT_EQ(ValueAt(&c, 150), 150.0f);
    EXPECT_EQ(ValueAt(&c, 50), 100.0f);  // constant before
    EXPECT_EQ(ValueAt(&c, 900), 200.0f);  // constant after
    c.SetORT(ORT_CYCLE, ORT_AFTER);
    EXPECT_EQ(ValueAt(&c, 230), 130.0f);
    c.SetORT(ORT_LOOP, ORT_BEFORE);
    EXPECT_EQ(ValueAt(&c, 70), 170.0f);
    c.SetORT(ORT_OSCILLATE, ORT_AFTER);
    EXPECT_EQ(ValueAt(&c, 230), 170.0f);  // bounced back from the end
    EXPECT_EQ(ValueAt(&c, 330), 130.0f);  // and forward again
    c.SetORT(99, ORT_AFTER);              // not a type: ignored
    EXPECT_EQ(c.GetORT(ORT_AFTER), ORT_OSCILLATE);
}

TEST(StdControl, TypesFiveToSevenGoToExtrapolate) {
    RampControl c;
    for (int type : {ORT_LINEAR, ORT_IDENTITY, ORT_RELATIVE_REPEAT}) {
        c.SetORT(type, ORT_AFTER);
        EXPECT_EQ(ValueAt(&c, 500), -1.0f);
        EXPECT_EQ(c.lastType, type);
        EXPECT_EQ(c.lastRange, Interval(100, 200));
    }
    c.lastType = 0;
    EXPECT_EQ(ValueAt(&c, 150), 150.0f);
    EXPECT_EQ(c.lastType, 0);
}

TEST(StdControl, RelativeMethodAddsToTheGivenValue) {
    RampControl c;
    float v = 10.0f;
    Interval valid = FOREVER;
    c.GetValue(150, &v, valid, CTRL_RELATIVE);
    EXPECT_EQ(v, 160.0f);
}
