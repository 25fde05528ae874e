#include <gtest/gtest.h>

#include "TestObjects.h"

TEST(Interval, EmptinessIntersectionAndUnion) {
    EXPECT_TRUE(NEVER.Empty());
    EXPECT_FALSE(FOREVER.Empty());
    EXPECT_TRUE(FOREVER.InInterval(TIME_NegInfinity));
    EXPECT_FALSE(NEVER.InInterval(TIME_NegInfinity));
    Interval a(0, 100);
    a &= Interval(50, 200);
    EXPECT_EQ(a, Interval(50, 100));
    a &= Interval(300, 400);
    EXPECT_TRUE(a.Empty());
    Interval u = NEVER;
    u |= Interval(10, 20);
    u |= NEVER;
    u |= Interval(-5, 0);
    EXPECT_EQ(u, Interval(-5, 20));
    EXPECT_EQ(FOREVER.Duration(), 4294967296LL);
    EXPECT_EQ(AddTicksClamped(TIME_PosInfinity - 1, 10), TIME_PosInfinity);
}

TEST(References, MakeRefRegistersDependentAndReplacingDeletesTheOrphan) {
    int deleted = 0;
    auto* maker = new TestTarget(2);
    auto* a = new TestTarget(0, REF_TARGET_CLASS_ID, &deleted);
    auto* b = new TestTarget(0, REF_TARGET_CLASS_ID, &deleted);
    ASSERT_EQ(maker->MakeRefByID(FOREVER, 0, a), REF_SUCCEED);
    EXPECT_TRUE(a->HasDependent(maker));
    EXPECT_EQ(maker->ReplaceReference(0, b), REF_SUCCEED);
    EXPECT_EQ(deleted, 1);  // a lost its last reference
    EXPECT_EQ(maker->GetReference(0), b);
    EXPECT_EQ(maker->ReplaceReference(5, b), REF_FAIL);
    maker->DeleteThis();
    EXPECT_EQ(deleted, 2);  // b went with its only owner
}

TEST(References, SharedTargetSurvivesUntilItsLastMaker) {
    int deleted = 0;
    auto* m1 = new TestTarget(1);
    auto* m2 = new TestTarget(2);
    auto* shared = new TestTarget(0, REF_TARGET_CLASS_ID, &deleted);
    m1->MakeRefByID(FOREVER, 0, shared);
    m2->MakeRefByID(FOREVER, 0, shared);
    m2->MakeRefByID(FOREVER, 1, shared);  // twice from one maker
    m2->DeleteThis();
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(shared->Dependents().size(), 1u);
    EXPECT_EQ(shared->refDeletedCalls, 1);
    m1->DeleteReference(0);
    EXPECT_EQ(deleted, 1);
    m1->DeleteThis();
}

TEST(References, LoopsAreRefused) {
    auto* a = new TestTarget(1);
    auto* b = new TestTarget(1);
    ASSERT_EQ(a->MakeRefByID(FOREVER, 0, b), REF_SUCCEED);
    EXPECT_EQ(b->MakeRefByID(FOREVER, 0, a), REF_FAIL);
    EXPECT_EQ(b->MakeRefByID(FOREVER, 0, b), REF_FAIL);
    EXPECT_EQ(b->GetReference(0), nullptr);
    a->DeleteThis();
}

TEST(References, DeleteMeClearsTheReferencesToIt) {
    auto* maker = new TestTarget(1);
    auto* t = new TestTarget(0);
    maker->MakeRefByID(FOREVER, 0, t);
    t->DeleteMe();
    EXPECT_EQ(maker->GetReference(0), nullptr);
    ASSERT_FALSE(maker->heard.empty());
    EXPECT_EQ(maker->heard.back().message, REFMSG_TARGET_DELETED);
    EXPECT_TRUE(maker->HeldTargets().empty());
    maker->DeleteThis();
}

TEST(References, NotifyDependentsFiltersBySuperClassAndPropagates) {
    // source <- middle (float controller) <- top ; utility listener on source
    auto* source = new TestTarget(0);
    auto* middle = new TestTarget(1, CTRL_FLOAT_CLASS_ID);
    auto* top = new TestTarget(1);
    TestListener utility;
    middle->MakeRefByID(FOREVER, 0, source);
    top->MakeRefByID(FOREVER, 0, middle);
    utility.MakeRefByID(FOREVER, 0, source);

    source->NotifyDependents(FOREVER, 7, REFMSG_CHANGE);
    ASSERT_EQ(middle->heard.size(), 1u);
    EXPECT_EQ(middle->heard[0].from, source);
    EXPECT_EQ(middle->heard[0].part, 7u);
    ASSERT_EQ(top->heard.size(), 1u);
    EXPECT_EQ(top->heard[0].from, middle);  // the hop it came through
    EXPECT_EQ(utility.Count(REFMSG_CHANGE), 1);

    source->NotifyDependents(FOREVER, 0, 0xF0E00, UTILITY_CLASS_ID, FALSE);
    EXPECT_EQ(utility.Count(0xF0E00), 1);
    EXPECT_EQ(middle->heard.size(), 1u);  // wrong super class

    middle->answer = REF_STOP;
    source->NotifyDependents(FOREVER, 0, REFMSG_CHANGE);
    EXPECT_EQ(top->heard.size(), 1u);  // stopped at middle

    source->NotifyDependents(FOREVER, 0, REFMSG_CHANGE, NOTIFY_ALL, FALSE);
    EXPECT_EQ(top->heard.size(), 1u);
    utility.DeleteAllRefsFromMe();
    top->DeleteThis();
}

TEST(References, GlobalReferenceMakersHearEveryMatchingMessage) {
    TestListener global;
    TestListener other(CTRL_FLOAT_CLASS_ID);
    RegisterGlobalReference(&global);
    RegisterGlobalReference(&global);  // once is enough
    RegisterGlobalReference(&other);
    auto* t = new TestTarget(0);
    t->NotifyDependents(FOREVER, 42, 0xF0E01, UTILITY_CLASS_ID, FALSE);
    t->NotifyDependents(FOREVER, 1, REFMSG_CHANGE);
    UnRegisterGlobalReference(&global);
    UnRegisterGlobalReference(&other);
    t->NotifyDependents(FOREVER, 1, REFMSG_CHANGE);
    ASSERT_EQ(global.heard.size(), 2u);
    EXPECT_EQ(global.heard[0].message, 0xF0E01u);
    EXPECT_EQ(global.heard[0].part, 42u);
    EXPECT_EQ(global.heard[0].from, t);
    EXPECT_EQ(other.heard.size(), 1u);  // only the message for all
    t->DeleteThis();
}

TEST(References, CloneRefHierarchyKeepsSharedTargetsShared) {
    struct Cloneable : TestTarget {
        using TestTarget::TestTarget;
        ReferenceTarget* Clone(RemapDir& remap) override {
            auto* c = new Cloneable(NumRefs());
            for (int i = 0; i < NumRefs(); ++i) c->ReplaceReference(i, remap.CloneRef(GetReference(i)));
            return c;
        }
    };
    auto* root = new Cloneable(2);
    auto* leaf = new Cloneable(0);
    root->MakeRefByID(FOREVER, 0, leaf);
    root->MakeRefByID(FOREVER, 1, leaf);
    ReferenceTarget* copy = CloneRefHierarchy(root);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->GetReference(0), leaf);
    EXPECT_EQ(copy->GetReference(0), copy->GetReference(1));
    copy->DeleteThis();
    root->DeleteThis();
}
