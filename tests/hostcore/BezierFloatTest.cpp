#include <gtest/gtest.h>

#include <cmath>

#include "BezierFloat.h"
#include "ChunkStream.h"
#include "TestObjects.h"

using lipsmith::BezierFloatControl;

namespace {

constexpr DWORD kLinear = 0x04F0;  // linear in and out, handles unlocked
constexpr DWORD kCustom = 0x16F0;  // custom in and out

struct Track {
    Track() : c(new BezierFloatControl()) { c->LockAutoDelete(true); }
    ~Track() { c->DeleteThis(); }
    int Append(IBezFloatKey k) { return c->AppendKey(&k); }
    BezierFloatControl* c;
};

}  // namespace

TEST(BezierFloat, AnsweredThroughTheKeyInterface) {
    Control* c = NewDefaultFloatController();
    EXPECT_EQ(c->SuperClassID(), CTRL_FLOAT_CLASS_ID);
    EXPECT_NE(GetKeyControlInterface(c), nullptr);
    EXPECT_EQ(ValueAt(c, 0), 0.0f);  // no keys: the track's own value
    float v = 3.0f;
    c->SetValue(10, &v);
    EXPECT_EQ(ValueAt(c, 99999), 3.0f);
    c->DeleteThis();
}

TEST(BezierFloat, AppendingInOrderStaysSortedAndSortIsStable) {
    Track t;
    t.Append(MakeKey(0, 1));
    t.Append(MakeKey(100, 2));
    t.Append(MakeKey(100, 3));  // same time: kept beside the first
    EXPECT_TRUE(t.c->KeysSorted());
    t.Append(MakeKey(50, 4));
    EXPECT_FALSE(t.c->KeysSorted());
    t.c->SortKeys();
    ASSERT_EQ(t.c->GetNumKeys(), 4);
    IBezFloatKey k;
    std::vector<float> order;
    for (int i = 0; i < 4; ++i) {
        t.c->GetKey(i, &k);
        order.push_back(k.val);
    }
    EXPECT_EQ(order, (std::vector<float>{1, 4, 2, 3}));
    k.val = 99;
    t.c->GetKey(7, &k);  // out of range: untouched
    EXPECT_EQ(k.val, 99.0f);
}

TEST(BezierFloat, SetKeyOutOfOrderIsSortedBeforeEvaluation) {
    Track t;
    t.Append(MakeKey(0, 0, kLinear));
    t.Append(MakeKey(100, 1, kLinear));
    IBezFloatKey k = MakeKey(300, 5, kLinear);
    t.c->SetKey(0, &k);  // now 100, 300 in table order 300, 100
    EXPECT_FALSE(t.c->KeysSorted());
    EXPECT_FLOAT_EQ(ValueAt(t.c, 200), 3.0f);
}

TEST(BezierFloat, LinearSegmentsAreStraight) {
    Track t;
    t.Append(MakeKey(0, 0, kLinear));
    t.Append(MakeKey(100, 1, kLinear));
    t.Append(MakeKey(200, -1, kLinear));
    EXPECT_FLOAT_EQ(ValueAt(t.c, 25), 0.25f);
    EXPECT_FLOAT_EQ(ValueAt(t.c, 150), 0.0f);
    EXPECT_FLOAT_EQ(ValueAt(t.c, 100), 1.0f);
    EXPECT_FLOAT_EQ(ValueAt(t.c, -50), 0.0f);   // before the first key
    EXPECT_FLOAT_EQ(ValueAt(t.c, 900), -1.0f);  // after the last
    Interval valid = FOREVER;
    float v;
    t.c->GetValue(900, &v, valid);
    EXPECT_EQ(valid, Interval(200, TIME_PosInfinity));
}

TEST(BezierFloat, FlatTangentsEaseInAndOut) {
    Track t;
    t.Append(MakeKey(0, 0, kCustom));
    t.Append(MakeKey(100, 1, kCustom));
    const float mid = ValueAt(t.c, 50);
    EXPECT_NEAR(mid, 0.5f, 1e-4);              // symmetric handles
    EXPECT_LT(ValueAt(t.c, 10), 0.1f);          // slow start
    EXPECT_GT(ValueAt(t.c, 90), 0.9f);          // slow end
    float prev = -1;
    for (int x = 0; x <= 100; ++x) {            // never overshoots, never turns back
        float v = ValueAt(t.c, x);
        EXPECT_GE(v, prev - 1e-6f);
        EXPECT_LE(v, 1.0f + 1e-6f);
        prev = v;
    }
}

TEST(BezierFloat, LongOutHandleHoldsTheValueLonger) {
    Track a, b;
    a.Append(MakeKey(0, 1, kCustom));
    a.Append(MakeKey(100, 0, kCustom));
    b.Append(MakeKey(0, 1, kCustom, 0.25f, 1.5f));  // the last key before a pause
    b.Append(MakeKey(100, 0, kCustom));
    EXPECT_GT(ValueAt(b.c, 50), ValueAt(a.c, 50));
    for (int x = 0; x <= 100; x += 5) {
        float v = ValueAt(b.c, x);
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_GE(v, -1e-6f);
        EXPECT_LE(v, 1.0f + 1e-6f);
    }
}

TEST(BezierFloat, CustomTangentSlopeAndStep) {
    Track t;
    IBezFloatKey k0 = MakeKey(0, 0, (5u << 7) | (5u << 10));
    k0.outtan = 0.02f;  // steep start
    t.Append(k0);
    t.Append(MakeKey(100, 1, kCustom));
    EXPECT_GT(ValueAt(t.c, 10), 0.1f);
    Track s;
    s.Append(MakeKey(0, 2, (2u << 7) | (2u << 10)));
    s.Append(MakeKey(100, 5, kCustom));
    EXPECT_EQ(ValueAt(s.c, 99), 2.0f);
    EXPECT_EQ(ValueAt(s.c, 100), 5.0f);
}

TEST(BezierFloat, InsertTimeMovesKeysFromTheGivenTick) {
    Track t;
    for (int i = 0; i < 4; ++i) t.Append(MakeKey(i * 100, static_cast<float>(i)));
    t.c->InsertTime(100, 50);
    IBezFloatKey k;
    std::vector<TimeValue> times;
    for (int i = 0; i < 4; ++i) {
        t.c->GetKey(i, &k);
        times.push_back(k.time);
    }
    EXPECT_EQ(times, (std::vector<TimeValue>{0, 150, 250, 350}));
    t.c->InsertTime(0, TIME_PosInfinity);  // clamps instead of wrapping
    t.c->GetKey(3, &k);
    EXPECT_EQ(k.time, TIME_PosInfinity);
}

TEST(BezierFloat, DeleteTimeHonoursEndsAndSliding) {
    auto times = [](BezierFloatControl* c) {
        std::vector<TimeValue> out;
        IBezFloatKey k;
        for (int i = 0; i < c->GetNumKeys(); ++i) {
            c->GetKey(i, &k);
            out.push_back(k.time);
        }
        return out;
    };
    auto fresh = [](Track& t) {
        for (int i = 0; i <= 5; ++i) t.Append(MakeKey(i * 100, 0));
    };
    Track both;
    fresh(both);
    both.c->DeleteTime(Interval(100, 300), TIME_INCLEFT | TIME_INCRIGHT | TIME_NOSLIDE);
    EXPECT_EQ(times(both.c), (std::vector<TimeValue>{0, 400, 500}));
    Track open;
    fresh(open);
    open.c->DeleteTime(Interval(100, 300), TIME_NOSLIDE);
    EXPECT_EQ(times(open.c), (std::vector<TimeValue>{0, 100, 300, 400, 500}));
    Track slide;
    fresh(slide);
    slide.c->DeleteTime(Interval(100, 300), TIME_INCLEFT);
    EXPECT_EQ(times(slide.c), (std::vector<TimeValue>{0, 100, 200, 300}));
    Track rest;
    fresh(rest);
    rest.c->DeleteTime(Interval(250, TIME_PosInfinity), TIME_INCLEFT | TIME_INCRIGHT | TIME_NOSLIDE);
    EXPECT_EQ(times(rest.c), (std::vector<TimeValue>{0, 100, 200}));
    rest.c->DeleteTime(Interval(300, 100), 0x1C00);  // backwards: nothing
    EXPECT_EQ(rest.c->GetNumKeys(), 3);
}

TEST(BezierFloat, ChangesInOneHoldAreOneUndoRecord) {
    Track t;
    t.Append(MakeKey(0, 1));
    theHold.Begin();
    t.Append(MakeKey(100, 2));
    t.Append(MakeKey(200, 3));
    t.c->DeleteTime(Interval(0, 0), 0x1C00);
    theHold.Accept("Keys");
    EXPECT_EQ(t.c->GetNumKeys(), 2);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(t.c->GetNumKeys(), 1);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(t.c->GetNumKeys(), 2);
    theHold.ClearUndo();
}

TEST(BezierFloat, SaveAndLoadKeepKeysAndTypes) {
    Track t;
    t.Append(MakeKey(10, 1.5f, 0x1600, 0.25f, 1.5f));
    t.Append(MakeKey(5, 2.5f));
    t.c->SetORT(ORT_CYCLE, ORT_AFTER);
    lipsmith::ChunkWriter w;
    w.BeginChunk(1);
    ASSERT_EQ(t.c->Save(&w), IO_OK);
    w.EndChunk();
    lipsmith::ChunkReader r(w.Bytes().data(), 0, w.Bytes().size());
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    Track back;
    ASSERT_EQ(back.c->Load(&r), IO_OK);
    ASSERT_EQ(back.c->GetNumKeys(), 2);
    IBezFloatKey k;
    back.c->GetKey(0, &k);
    EXPECT_EQ(k.time, 10);
    EXPECT_EQ(k.flags, 0x1600u);
    EXPECT_EQ(k.outLength, 1.5f);
    EXPECT_EQ(back.c->GetORT(ORT_AFTER), ORT_CYCLE);
    EXPECT_EQ(ValueAt(back.c, 5), 2.5f);  // sorted on first use
}
