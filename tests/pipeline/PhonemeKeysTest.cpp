// Keys from phoneme notifications: the speech clock, values from the map,
// Insert and Replace, which controllers get keys, and clearing after In Frame.
#include <gtest/gtest.h>

#include "PipelineFixture.h"

namespace lipsmith::testing {
namespace {

constexpr int kAa = 10, kAe = 11, kAh = 12, kSilence = 7;

class PhonemeKeys : public PipelineTest {};

TEST_F(PhonemeKeys, ClockTicksFollowTheRunningSumOfMilliseconds) {
    BuildHead();
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 50), PhonemeEvent(kAh, 10)});
    RunHead();
    // 150 ms is 724.17 ticks: the clock never adds up truncated durations (482 + 241).
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{0, 482, 724}));
    EXPECT_EQ(NotesOf(head[1]), (std::vector<Note>{{0, "aa"}, {482, "ae"}, {724, "ah"}}));
    EXPECT_EQ(session->clock.spokenMs, 160);
    EXPECT_EQ(session->clock.currentTick, 772);
}

TEST_F(PhonemeKeys, RunStartsAtTheInFrame) {
    BuildHead();
    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    session->options.inFrame = 10;
    RunHead();
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{1600}));
    EXPECT_TRUE(PaneHas("+++ Adding keys for actor named 'Head' starting at frame 10.00 (Tick: 1600) +++\n")) << Pane();

    ip.SetFrameRate(25);
    head[1]->DeleteTimeBoth(TIME_NegInfinity, TIME_PosInfinity);
    RunHead();
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{1920}));
    EXPECT_TRUE(PaneHas("starting at frame 10.00 (Tick: 1920) +++\n")) << Pane();
}

TEST_F(PhonemeKeys, ValuesComeFromTheMapWithStressGain) {
    BuildHead();
    SetMap(kAa, MouthParameter::MouthWidth, 0.5f);
    SetMap(kAa, MouthParameter::MouthOpen, 0.25f);
    SetMap(kAa, MouthParameter::LowerLipPullback, 0.75f);
    // Plain, stressed, emphasised, both marks.
    engine->Say("Hello", {PhonemeEvent(kAa, 100, 0), PhonemeEvent(kAa, 100, 1), PhonemeEvent(kAa, 100, 2),
                          PhonemeEvent(kAa, 100, 3)});
    RunHead();
    const std::vector<float> width = KeyValues(head[1]);
    ASSERT_EQ(width.size(), 4u);
    EXPECT_FLOAT_EQ(width[0], 0.5f);
    EXPECT_FLOAT_EQ(width[1], 0.6f);
    EXPECT_FLOAT_EQ(width[2], 0.6f);
    EXPECT_FLOAT_EQ(width[3], 0.5f);
    EXPECT_FLOAT_EQ(KeyValues(head[2])[1], 0.3f);
    // Channel 3 is Lower Lip Pullback: the channel picks the parameter, not its position.
    EXPECT_FLOAT_EQ(KeyValues(head[3])[0], 0.75f);
    // Eye and brow channels take nothing from phonemes.
    for (ChannelId ch = 11; ch <= 14; ++ch) {
        EXPECT_TRUE(KeysOf(head[ch]).empty()) << ch;
        EXPECT_TRUE(NotesOf(head[ch]).empty()) << ch;
    }
}

TEST_F(PhonemeKeys, FirstKeyAndPauseKeysGetTheirFlags) {
    BuildHead();
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100), PhonemeEvent(kSilence, 100),
                          PhonemeEvent(kAh, 100), SentenceEvent(5), PhonemeEvent(kAa, 100), SentenceEvent(5),
                          PhonemeEvent(kAe, 100)});
    RunHead();
    const std::vector<IBezFloatKey> keys = KeysOf(head[1]);
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0].flags, kFirstKeyFlags);
    EXPECT_EQ(keys[1].flags, kOrdinaryKeyFlags);
    EXPECT_FLOAT_EQ(keys[1].outLength, 0.25f);
    // The silence itself is already a pause key; the flag is consumed by it.
    EXPECT_FLOAT_EQ(keys[2].outLength, 1.5f);
    EXPECT_FLOAT_EQ(keys[3].outLength, 0.25f);
    // The first sentence boundary of a stream is no pause; the second is.
    EXPECT_FLOAT_EQ(keys[4].outLength, 0.25f);
    EXPECT_FLOAT_EQ(keys[5].outLength, 1.5f);
}

TEST_F(PhonemeKeys, UnknownPhoneIsKeyedAsSilenceAndKeepsItsTime) {
    BuildHead();
    SetMap(kSilence, MouthParameter::MouthWidth, 0.125f);
    engine->Say("Hello", {PhonemeEvent(60, 100), PhonemeEvent(0, 50), PhonemeEvent(kAa, 100)});
    RunHead();
    EXPECT_EQ(NotesOf(head[1]), (std::vector<Note>{{0, "_"}, {482, "_"}, {724, "aa"}}));
    EXPECT_FLOAT_EQ(KeyValues(head[1])[0], 0.125f);
    EXPECT_FLOAT_EQ(KeysOf(head[1])[0].outLength, 1.5f);  // a pause, like silence
    EXPECT_EQ(session->clock.spokenMs, 250);
}

TEST_F(PhonemeKeys, InsertModePushesLaterKeysByTheSpeech) {
    BuildHead();
    editor.replaceMode = 0;
    for (TimeValue t : {900, 1200, 5000}) {
        AddKey(head[1], t, 0.9f);
        head[1]->AddNote(t, "old");
    }
    AddKey(head[13], 1200, 0.4f);  // an eye brow key from before
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 50)});
    session->options.inFrame = 6;  // 960 ticks at 30 fps
    RunHead();
    // Everything from each phoneme's start moves by its duration (482, then 241).
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{900, 960, 1442, 1923, 5723}));
    EXPECT_EQ(NotesOf(head[1]),
              (std::vector<Note>{{900, "old"}, {960, "aa"}, {1442, "ae"}, {1923, "old"}, {5723, "old"}}));
    // Eye and brow keys move at one tick after this run's own eye keys (none yet).
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{1923}));
}

TEST_F(PhonemeKeys, InsertModeKeepsThisRunsEyeKeysInPlace) {
    BuildHead();
    editor.replaceMode = 0;
    AddKey(head[13], 6000, 0.4f);
    // A brow raise at 0 ends at 2896; a later phoneme pushes only what lies after it.
    engine->Say("Hello", {BookmarkEvent("brow:true,,left,1.0,100,500"), PhonemeEvent(kAa, 100)});
    RunHead();
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{0, 482, 2896, 6482}));
    EXPECT_EQ(session->clock.eyeKeysEnd, 2896);
}

TEST_F(PhonemeKeys, ReplaceModeClearsEachPhonemeSpanOnly) {
    BuildHead();
    editor.replaceMode = 1;
    for (TimeValue t : {900, 1200, 1442, 1600, 5000}) {
        AddKey(head[1], t, 0.9f);
        head[1]->AddNote(t, "old");
    }
    AddKey(head[11], 1200, 0.4f);
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 50)});
    session->options.inFrame = 6;
    RunHead();
    // Spans [960, 1442] and [1442, 1683], ends included; keys outside stay put.
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{900, 960, 1442, 5000}));
    EXPECT_EQ(NotesOf(head[1]), (std::vector<Note>{{900, "old"}, {960, "aa"}, {1442, "ae"}, {5000, "old"}}));
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{1200}));
}

TEST_F(PhonemeKeys, ActorTargetsAreTheNodeAndItsDescendants) {
    BuildHead();
    INode* neck = ip.CreateNode("Neck", headNode);  // no controllers: passed through
    INode* chin = ip.CreateNode("Chin", neck);
    SpeechController* chinOpen = AddController(chin, 2);
    INode* narrator = ip.CreateNode("Narrator");
    SpeechController* narratorOpen = AddController(narrator, 2);
    INode* twin = ip.CreateNode("Head");  // same name, later in the index
    SpeechController* twinOpen = AddController(twin, 2);
    session->RebuildSpeakers();
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    RunHead();
    EXPECT_EQ(KeysOf(head[2]).size(), 2u);
    EXPECT_EQ(KeysOf(jaw).size(), 2u);
    EXPECT_EQ(NotesOf(jaw), NotesOf(head[2]));
    EXPECT_EQ(KeysOf(chinOpen).size(), 2u);
    EXPECT_TRUE(KeysOf(narratorOpen).empty());
    EXPECT_TRUE(KeysOf(twinOpen).empty());
}

TEST_F(PhonemeKeys, InactiveControllerIsSkippedAndNamedInVerboseMode) {
    BuildHead();
    head[2]->active = 0;
    AddKey(head[2], 100, 0.5f);
    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    RunHead();
    EXPECT_EQ(KeyTimes(head[2]), (std::vector<TimeValue>{100}));
    EXPECT_TRUE(NotesOf(head[2]).empty());
    EXPECT_FALSE(PaneHas("Not adding keys"));

    editor.ToggleVerboseOutput();
    RunHead();
    EXPECT_TRUE(PaneHas("Not adding keys for inactive Mouth Open controller on node 'Head'.\n")) << Pane();
    EXPECT_EQ(KeyTimes(head[2]), (std::vector<TimeValue>{100}));
    EXPECT_EQ(Warnings(), 0);
}

TEST_F(PhonemeKeys, DeleteAfterInFrameClearsEachEntryOncePerRun) {
    BuildHead();
    head[2]->active = 0;
    for (SpeechController* c : {head[1], head[2], head[11], jaw}) {
        AddKey(c, 100, 0.5f);
        AddKey(c, 3000, 0.5f);
        c->AddNote(3000, "old");
    }
    session->options.deleteKeysAfterInFrame = true;
    session->options.inFrame = 10;  // 1600
    // Two actors on the same node: the second must not clear the first one's keys.
    engine->Say("first", {PhonemeEvent(kAa, 100)});
    engine->Say("second", {PhonemeEvent(kAe, 100)});
    Run(Script({{"Head", "first"}, {"Head", "second"}}));
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{100, 1600, 2082}));
    EXPECT_EQ(KeyTimes(jaw), (std::vector<TimeValue>{100, 1600, 2082}));
    // Inactive and eye controllers are cleared too, and get no new keys.
    EXPECT_EQ(KeyTimes(head[2]), (std::vector<TimeValue>{100}));
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{100}));
    EXPECT_TRUE(NotesOf(head[11]).empty());
}

TEST_F(PhonemeKeys, SecondActorContinuesTheClockAndUnknownActorsStillTakeTime) {
    BuildHead();
    engine->Say("ghost", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    engine->Say("real", {PhonemeEvent(kAh, 100)});
    Run(Script({{"Ghost", "ghost"}, {"Head", "real"}}));
    EXPECT_TRUE(PaneHas("Warning: No actor named 'Ghost' was found in the scene. Keys for actor named 'Ghost' "
                        "not created.\n"))
        << Pane();
    EXPECT_EQ(Warnings(), 1);
    EXPECT_TRUE(PaneHas("+++ Adding keys for actor named 'Head' starting at frame 6.03 (Tick: 965) +++\n")) << Pane();
    EXPECT_EQ(KeyTimes(head[1]), (std::vector<TimeValue>{965}));
}

TEST_F(PhonemeKeys, EmptySceneTakesTimeButWritesNothing) {
    engine->Say("Hello", {PhonemeEvent(kAa, 100)});
    RunHead();
    EXPECT_EQ(session->clock.spokenMs, 100);
    EXPECT_TRUE(PaneHas("Warning: No actor named 'Head'")) << Pane();
}

// A speech controller with another one below it in the animation tree.
class NestingController : public SpeechController {
public:
    int NumSubs() override { return SpeechController::NumSubs() + 1; }
    Animatable* SubAnim(int i) override {
        return i == SpeechController::NumSubs() ? &inner : SpeechController::SubAnim(i);
    }
    SpeechController inner;
};

TEST_F(PhonemeKeys, SpeakerIndexIsBuiltDepthFirstAndControllersLeaveIt) {
    INode* a = ip.CreateNode("A");
    SpeechController* a1 = AddController(a, 1);
    INode* b = ip.CreateNode("B", a);
    INode* plain = ip.CreateNode("Plain", a);  // no controllers: no entry, its child still found
    INode* c = ip.CreateNode("C", plain);
    SpeechController* c2 = AddController(c, 2);
    INode* d = ip.CreateNode("D");
    auto* outer = new NestingController();
    d->AddTrack("Outer", outer);
    SpeechController* d4 = AddController(d, 4);
    SpeechController* b5 = AddController(b, 5);  // added last, found in node order
    session->RebuildSpeakers();

    SpeakerIndex& index = session->Speakers();
    std::vector<std::string> names;
    for (const SpeakerEntry& e : index.Entries()) names.push_back(e.node->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ(index.FindByNode(a)->controllers, (std::vector<SpeechController*>{a1}));
    EXPECT_EQ(index.FindByNode(c)->controllers, (std::vector<SpeechController*>{c2}));
    // Deeper first: the controller below comes before the one that holds it.
    EXPECT_EQ(index.FindByNode(d)->controllers, (std::vector<SpeechController*>{&outer->inner, outer, d4}));
    EXPECT_EQ(index.FindByNode(plain), nullptr);

    // The deletion message: a controller leaves its entry, an empty entry goes.
    session->ControllerDeleted(b5);
    EXPECT_EQ(index.FindByNode(b), nullptr);
    EXPECT_EQ(index.FindByName("B"), nullptr);
    EXPECT_FALSE(index.RemoveController(b5));
    session->ControllerDeleted(&outer->inner);
    EXPECT_EQ(index.FindByNode(d)->controllers, (std::vector<SpeechController*>{outer, d4}));
    const std::vector<SpeakerEntry*> targets = index.ActorTargets("A");
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[1]->node, c);
    EXPECT_EQ(index.Size(), 3u);
}

TEST_F(PhonemeKeys, AControllerDeletedDuringARunGetsNoMoreKeys) {
    BuildHead();
    engine->Say("Hello", {PhonemeEvent(kAa, 100), PhonemeEvent(kAe, 100)});
    engine->onHandled = [&](const ScriptedEvent&, std::size_t index) {
        if (index == 0) session->ControllerDeleted(jaw);
    };
    RunHead();
    EXPECT_EQ(KeyTimes(jaw), (std::vector<TimeValue>{0}));
    EXPECT_EQ(KeyTimes(head[2]), (std::vector<TimeValue>{0, 482}));
    EXPECT_EQ(session->Speakers().FindByNode(jawNode), nullptr);
}

}  // namespace
}  // namespace lipsmith::testing
