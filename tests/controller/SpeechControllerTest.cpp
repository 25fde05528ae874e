#include <gtest/gtest.h>

#include <cmath>

#include "../hostcore/TestObjects.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

class SpeechControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterGlobalReference(&utility);
        c = new SpeechController();
        c->LockAutoDelete(true);
    }
    void TearDown() override {
        if (c) c->DeleteThis();
        UnRegisterGlobalReference(&utility);
        theHold.ClearUndo();
    }
    std::vector<IBezFloatKey> Keys() {
        std::vector<IBezFloatKey> out;
        IKeyControl* ikc = GetKeyControlInterface(c->GetKeyTrack());
        for (int i = 0; i < ikc->GetNumKeys(); ++i) {
            IBezFloatKey k;
            ikc->GetKey(i, &k);
            out.push_back(k);
        }
        return out;
    }
    std::vector<TimeValue> NoteTimes() {
        auto* nt = static_cast<DefNoteTrack*>(c->GetNoteTrack());
        std::vector<TimeValue> out;
        for (int i = 0; i < nt->NumKeys(); ++i) out.push_back(nt->GetKeyTime(i));
        return out;
    }
    void Write(TimeValue t, float v) { c->SetValueLocalTime(t, &v); }
    float Local(TimeValue t) {
        float v = 0;
        Interval valid;
        c->GetValueLocalTime(t, &v, valid);
        return v;
    }

    TestListener utility;
    SpeechController* c = nullptr;
};

}  // namespace

TEST_F(SpeechControllerTest, NewControllerHasTwoTracksAndPassesTheirValue) {
    EXPECT_EQ(c->NumSubs(), 2);
    EXPECT_EQ(c->SubAnimName(0), "Phonemes");
    EXPECT_EQ(c->SubAnimName(1), "Mouth Width");
    EXPECT_EQ(c->NumRefs(), 15);
    EXPECT_NE(c->GetReference(0), nullptr);
    EXPECT_NE(c->GetReference(1), nullptr);
    for (int i = 2; i < 15; ++i) EXPECT_EQ(c->GetReference(i), nullptr);
    EXPECT_EQ(c->SubAnim(0), c->GetNoteTrack());
    EXPECT_EQ(c->SubAnim(2), nullptr);
    float v = 0.75f;
    c->GetKeyTrack()->SetValue(0, &v);  // the track's own value, no keys
    Interval valid = NEVER;
    float out = 0;
    c->GetValue(100, &out, valid);
    EXPECT_EQ(out, 0.75f);
    EXPECT_EQ(valid, FOREVER);
    TSTR name;
    c->GetClassName(name);
    EXPECT_EQ(name, "Lipsmith Controller");
    EXPECT_FALSE(c->IsLeaf());
    EXPECT_FALSE(c->CanApplyEaseMultCurves());
    EXPECT_EQ(c->TrackParamsType(), 2);
}

TEST_F(SpeechControllerTest, ChannelNamesTheKeyTrackAndBadChannelsTouchNothing) {
    c->channel = 14;
    EXPECT_EQ(c->SubAnimName(1), "Right Eye Brow");
    c->channel = 15;
    EXPECT_EQ(c->SubAnimName(1), "This should not happen...");
    EXPECT_EQ(c->SubAnimName(7), "This should not happen...");
    c->ScalarOf(15) = -7;
    c->ScalarOf(0) = 3;
    for (int s : c->scalar) EXPECT_EQ(s, 100);
    EXPECT_EQ(c->ScalarOf(99), 3);  // one shared scratch cell
    c->ScalarOf(2) = 40;
    EXPECT_EQ(c->scalar[1], 40);
}

TEST_F(SpeechControllerTest, KeyFlagsFollowChannelKindAndOneShotFlags) {
    struct Case {
        ChannelId ch;
        int first, last;
        DWORD flags;
        float outLen;
    };
    const Case cases[] = {
        {1, 0, 0, 0x16F0, 0.25f}, {2, 1, 0, 0x1670, 0.25f},  {3, 0, 1, 0x16F0, 1.5f},
        {2, 1, 1, 0x1600, 1.5f},  {11, 1, 0, 0x04F0, 0.25f}, {12, 0, 0, 0x04F0, 0.25f},
        {13, 0, 1, 0x04F0, 1.5f}, {14, 1, 1, 0x0480, 1.5f},
    };
    for (const Case& k : cases) {
        auto* fresh = new SpeechController();
        fresh->channel = k.ch;
        fresh->SetFirstKeyFlag(k.first);
        fresh->SetLastKeyFlag(k.last);
        float v = 0.6f;
        fresh->SetValueLocalTime(480, &v, 1, CTRL_RELATIVE);
        IKeyControl* ikc = GetKeyControlInterface(fresh->GetKeyTrack());
        ASSERT_EQ(ikc->GetNumKeys(), 1);
        IBezFloatKey key;
        ikc->GetKey(0, &key);
        EXPECT_EQ(key.flags, k.flags) << "channel " << k.ch << " first " << k.first << " last " << k.last;
        EXPECT_EQ(key.outLength, k.outLen);
        EXPECT_EQ(key.inLength, 0.25f);
        EXPECT_EQ(key.val, 0.6f);
        EXPECT_EQ(key.time, 480);
        EXPECT_EQ(key.intan, 0.0f);
        EXPECT_EQ(fresh->firstKeyFlag, 0);
        EXPECT_EQ(fresh->lastKeyFlag, 0);
        fresh->DeleteThis();
    }
}

TEST_F(SpeechControllerTest, InvalidChannelWritesNothingButConsumesFlags) {
    c->channel = 0;
    c->SetFirstKeyFlag(1);
    c->SetLastKeyFlag(1);
    Write(0, 1.0f);
    EXPECT_TRUE(Keys().empty());
    EXPECT_EQ(c->firstKeyFlag, 0);
    EXPECT_EQ(c->lastKeyFlag, 0);
    int in = 0, out = 0;
    GetBezierDefaultTangentType(in, out);
    EXPECT_EQ(in, BEZKEY_LINEAR);
    EXPECT_EQ(out, BEZKEY_LINEAR);
}

TEST_F(SpeechControllerTest, KeysAtTheSameTickAreBothKept) {
    Write(100, 0.2f);
    Write(100, 0.3f);
    Write(50, 0.1f);
    auto keys = Keys();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].time, 50);
    EXPECT_EQ(keys[1].val, 0.2f);
    EXPECT_EQ(keys[2].val, 0.3f);
}

TEST_F(SpeechControllerTest, ReadsAreScaledWritesAreNot) {
    c->channel = 12;  // linear keys
    Write(0, 1.6f);
    Write(100, 1.6f);
    c->ScalarOf(12) = 50;
    const float read = Local(50);
    EXPECT_FLOAT_EQ(read, 0.8f);
    c->channel = 12;
    Write(50, read);
    EXPECT_FLOAT_EQ(Keys()[1].val, 0.8f);
    EXPECT_FLOAT_EQ(Local(50), 0.4f);
    c->ScalarOf(12) = -100;
    EXPECT_FLOAT_EQ(Local(0), -1.6f);
    c->ScalarOf(12) = 0;
    EXPECT_FLOAT_EQ(Local(0), 0.0f);
    c->channel = 20;  // no scaling at all
    EXPECT_FLOAT_EQ(Local(0), 1.6f);
}

TEST_F(SpeechControllerTest, LinearAndIdentityExtrapolation) {
    c->channel = 11;
    Write(0, 0.0f);
    Write(959, 0.4f);
    Write(960, 0.5f);
    float v = 0;
    Interval valid;
    c->Extrapolate(Interval(0, 960), 970, &v, valid, ORT_LINEAR);
    EXPECT_NEAR(v, 1.5f, 1e-5);
    EXPECT_EQ(valid, Interval(970, 970));
    c->Extrapolate(Interval(0, 960), 975, &v, valid, ORT_IDENTITY);
    EXPECT_NEAR(v, 15.5f, 1e-5);
    c->SetORT(ORT_LINEAR, ORT_AFTER);  // through the host's out-of-range handling
    valid = FOREVER;
    c->GetValue(970, &v, valid);
    EXPECT_NEAR(v, 1.5f, 1e-5);
}

TEST_F(SpeechControllerTest, RelativeRepeatExtrapolation) {
    c->channel = 11;
    Write(0, 0.0f);
    Write(100, 1.0f);
    float v = 0;
    Interval valid;
    c->Extrapolate(Interval(0, 100), 250, &v, valid, ORT_RELATIVE_REPEAT);
    EXPECT_NEAR(v, Local(50) + 2.0f, 1e-5);
    c->Extrapolate(Interval(0, 100), -50, &v, valid, ORT_RELATIVE_REPEAT);
    EXPECT_NEAR(v, Local(50) - 1.0f, 1e-5);
    c->Extrapolate(Interval(100, 100), 400, &v, valid, ORT_RELATIVE_REPEAT);  // no length
    EXPECT_NEAR(v, Local(400) + (Local(100) - Local(100)), 1e-5);
    c->Extrapolate(Interval(0, 100), TIME_NegInfinity, &v, valid, ORT_RELATIVE_REPEAT);  // no overflow
    EXPECT_TRUE(std::isfinite(v));
}

TEST_F(SpeechControllerTest, ScaleTimeRangeMovesKeysAndNotes) {
    for (TimeValue t : {50, 200, 300}) {
        Write(t, 1.0f);
        c->AddNote(t, "n");
    }
    utility.heard.clear();
    c->ScaleTimeRange(100, 200, 0.5f);
    auto keys = Keys();
    EXPECT_EQ(keys[0].time, 50);
    EXPECT_EQ(keys[1].time, 150);
    EXPECT_EQ(keys[2].time, 250);
    EXPECT_EQ(NoteTimes(), (std::vector<TimeValue>{50, 150, 250}));
    c->ScaleTimeRange(0, 100, 0.7f);  // products in single precision: 50 x 0.7 is 35
    EXPECT_EQ(Keys()[0].time, 35);
    c->ScaleTimeRange(0, 10, std::nanf(""));  // no undefined conversion for a NaN factor
    for (const auto& k : Keys()) EXPECT_GE(k.time, TIME_NegInfinity);
    Interval valid;
    float v;
    c->GetValueLocalTime(0, &v, valid);
    EXPECT_EQ(valid, NEVER);
}

TEST_F(SpeechControllerTest, AddNoteAppendsWithoutResorting) {
    c->AddNote(960, "aa");
    c->AddNote(480, "b");
    auto* nt = static_cast<DefNoteTrack*>(c->GetNoteTrack());
    ASSERT_EQ(nt->keys.Count(), 2);
    EXPECT_EQ(NoteTimes(), (std::vector<TimeValue>{960, 480}));
    EXPECT_EQ(nt->keys[1]->note, "b");
    c->AddNote(TIME_PosInfinity, "end");  // the helper time past the last note does not wrap
    c->AddNote(TIME_PosInfinity, "end2");
    EXPECT_EQ(nt->keys.Count(), 4);
    EXPECT_EQ(nt->keys[3]->note, "end2");
}

TEST_F(SpeechControllerTest, DeleteTimeBothClearsTheSpanAndAnnouncesIt) {
    TestTarget owner(1);
    owner.ReplaceReference(0, c);
    for (TimeValue t : {0, 100, 200, 300}) {
        Write(t, 1.0f);
        c->AddNote(t, "x");
    }
    c->DeleteTimeBoth(100, 200);
    ASSERT_EQ(Keys().size(), 2u);
    EXPECT_EQ(Keys()[1].time, 300);  // later keys do not move
    EXPECT_EQ(NoteTimes(), (std::vector<TimeValue>{0, 300}));
    int changes = 0;
    for (const auto& h : owner.heard) changes += h.message == REFMSG_CHANGE;
    EXPECT_EQ(changes, 3);  // note track, key track, controller
    Interval valid;
    float v;
    c->GetValueLocalTime(0, &v, valid);
    EXPECT_EQ(valid, NEVER);
    owner.DeleteReference(0);
}

TEST_F(SpeechControllerTest, InsertTimeBothKeepsValidity) {
    Write(0, 1.0f);
    Write(100, 1.0f);
    c->AddNote(100, "x");
    c->InsertTimeBoth(50, 25);
    EXPECT_EQ(Keys()[1].time, 125);
    EXPECT_EQ(NoteTimes(), (std::vector<TimeValue>{125}));
    Interval valid;
    float v;
    c->GetValueLocalTime(0, &v, valid);
    EXPECT_EQ(valid, FOREVER);
}

TEST_F(SpeechControllerTest, AnnouncesCreationDeletionAndCloning) {
    TestListener other(CTRL_FLOAT_CLASS_ID);
    RegisterGlobalReference(&other);
    utility.heard.clear();
    auto* made = new SpeechController(TRUE);
    ASSERT_EQ(utility.Count(REFMSG_SPEECH_CREATED), 1);
    EXPECT_EQ(utility.heard[0].part, reinterpret_cast<std::uintptr_t>(made));
    made->DeleteThis();
    EXPECT_EQ(utility.Count(REFMSG_SPEECH_DELETED), 1);

    c->channel = 7;
    c->active = 0;
    c->ScalarOf(7) = 33;
    Write(10, 0.5f);
    c->AddNote(10, "ee");
    utility.heard.clear();
    RemapDir remap;
    auto* copy = static_cast<SpeechController*>(remap.CloneRef(c));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(utility.Count(REFMSG_SPEECH_CREATED), 1);
    ASSERT_EQ(utility.Count(REFMSG_SPEECH_CLONED), 1);
    EXPECT_EQ(utility.heard.back().part, reinterpret_cast<std::uintptr_t>(c));  // the source sends it
    EXPECT_EQ(copy->channel, 7);
    EXPECT_EQ(copy->active, 0);
    EXPECT_EQ(copy->ScalarOf(7), 33);
    EXPECT_NE(copy->GetKeyTrack(), c->GetKeyTrack());
    EXPECT_EQ(GetKeyControlInterface(copy->GetKeyTrack())->GetNumKeys(), 1);
    EXPECT_EQ(copy->GetNoteTrack()->NumKeys(), 1);
    EXPECT_EQ(copy->firstKeyFlag, 0);

    TestTarget owner(1);
    owner.ReplaceReference(0, copy);
    utility.heard.clear();
    owner.DeleteReference(0);  // the host removes the last reference: told, then deleted
    EXPECT_EQ(utility.Count(REFMSG_SPEECH_DELETED), 2);
    UnRegisterGlobalReference(&other);
    EXPECT_EQ(other.Count(REFMSG_SPEECH_CREATED), 0);  // only utilities hear them
}

TEST_F(SpeechControllerTest, ReplacingByAnotherControllerAndBackKeepsNothing) {
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* n = ip.CreateNode("Head");
    auto* first = new SpeechController();
    first->channel = 5;
    first->ScalarOf(5) = 10;
    n->AddTrack("t", first);
    n->AssignController(0, NewDefaultFloatController());
    auto* back = new SpeechController();
    n->AssignController(0, back);
    EXPECT_EQ(back->channel, 1);
    EXPECT_EQ(back->ScalarOf(5), 100);
    EXPECT_EQ(AsSpeechController(n->SubAnim(0)), back);
    ip.ResetScene();
}

TEST_F(SpeechControllerTest, LoadedControllerWithoutTracksIsHarmless) {
    auto* empty = new SpeechController(TRUE);
    float v = 5.0f;
    Interval valid = FOREVER;
    empty->GetValue(10, &v, valid);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(valid, NEVER);
    empty->SetValueLocalTime(0, &v);
    empty->AddNote(0, "x");
    empty->DeleteTimeBoth(0, 10);
    empty->InsertTimeBoth(0, 10);
    empty->ScaleTimeRange(0, 10, 2.0f);
    TestTarget notATrack(0, BASENODE_CLASS_ID);
    empty->SetReference(0, &notATrack);  // only note tracks fit slot 0
    empty->SetReference(1, &notATrack);
    EXPECT_EQ(empty->GetReference(0), nullptr);
    EXPECT_EQ(empty->GetReference(1), nullptr);
    empty->DeleteThis();
}
