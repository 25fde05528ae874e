// Eye blink and brow keys from bookmarks: timing, overlap shifts, sides,
// target nodes and the marks that make nothing.
#include <gtest/gtest.h>

#include "PipelineFixture.h"

namespace lipsmith::testing {
namespace {

constexpr int kAa = 10;

class BookmarkKeys : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        BuildHead();
    }
};

TEST_F(BookmarkKeys, RepeatedBlinksAtTheRunStartAreShiftedPastTheStart) {
    engine->Say("Hello", {BookmarkEvent("eyes:true,,both,3,50,1.0,100")});
    RunHead();
    const std::vector<TimeValue> times{10, 251, 492, 754, 995, 1236, 1498, 1739, 1980};
    EXPECT_EQ(KeyTimes(head[11]), times);
    EXPECT_EQ(KeyTimes(head[12]), times);
    EXPECT_EQ(KeyValues(head[11]), (std::vector<float>{0, 1, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(NotesOf(head[11]), (std::vector<Note>{{10, "L_Eye_Blink_Start"},
                                                    {492, "L_Eye_Blink_Stop"},
                                                    {754, "L_Eye_Blink_Start"},
                                                    {1236, "L_Eye_Blink_Stop"},
                                                    {1498, "L_Eye_Blink_Start"},
                                                    {1980, "L_Eye_Blink_Stop"}}));
    EXPECT_EQ(NotesOf(head[12]).front(), (Note{10, "R_Eye_Blink_Start"}));
    EXPECT_TRUE(PaneHas("Warning: Left eye blink key adjusted with 10 ticks to avoid blink overlap.\n")) << Pane();
    EXPECT_TRUE(PaneHas("Warning: Right eye blink key adjusted with 10 ticks to avoid blink overlap.\n")) << Pane();
    EXPECT_EQ(Warnings(), 2);
    EXPECT_TRUE(PaneHas("Adding left eye keys for actor named 'Head' starting at frame 0.00 (Tick: 0)\n"));
    EXPECT_EQ(session->clock.eyeKeysEnd, 2232);
    EXPECT_EQ(session->leftBlinkEnd, 1980);
    // Bookmarks take no time.
    EXPECT_EQ(session->clock.currentTick, 0);
}

TEST_F(BookmarkKeys, ABlinkOverlappingTheLastOneIsMovedAfterIt) {
    engine->Say("Hello", {BookmarkEvent("eyes:true,,left,1,100,1.0,100"), PhonemeEvent(kAa, 50),
                          BookmarkEvent("eyes:true,,left,1,100,1.0,100")});
    editor.replaceMode = 0;
    RunHead();
    // The first blink ends at 492; the second, asked for at 241, starts at 502.
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{10, 251, 492, 502, 743, 984}));
    EXPECT_TRUE(PaneHas("Warning: Left eye blink key adjusted with 261 ticks to avoid blink overlap.\n")) << Pane();
}

TEST_F(BookmarkKeys, ClosingEyesStayClosedWithTwoKeysPerRepeat) {
    engine->Say("Hello", {BookmarkEvent("eyes:false,,left,2,100,0.7,100")});
    RunHead();
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{10, 492, 995, 1477}));
    const std::vector<float> values = KeyValues(head[11]);
    EXPECT_FLOAT_EQ(values[0], 0.0f);
    for (std::size_t i = 1; i < values.size(); ++i) EXPECT_FLOAT_EQ(values[i], 0.7f) << i;
    EXPECT_TRUE(KeysOf(head[12]).empty());
}

TEST_F(BookmarkKeys, OneSideLeavesTheOtherSideAlone) {
    // Replace mode clears room on the driven side only (no earlier blink: the
    // key exactly 100 ticks before the mark).
    AddKey(head[11], 382, 0.3f);
    AddKey(head[12], 382, 0.3f);
    AddKey(head[14], 382, 0.3f);
    engine->Say("Hello", {PhonemeEvent(kAa, 100), BookmarkEvent("eyes:true,,left,1,100,1.0,100"),
                          BookmarkEvent("brow:true,,left,1.0,100,500")});
    RunHead();
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{482, 723, 964}));
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{482, 964, 3378}));
    EXPECT_EQ(KeyTimes(head[12]), (std::vector<TimeValue>{382}));
    EXPECT_EQ(KeyTimes(head[14]), (std::vector<TimeValue>{382}));
    EXPECT_TRUE(NotesOf(head[12]).empty());
    EXPECT_TRUE(NotesOf(head[14]).empty());
    EXPECT_EQ(Warnings(), 0);
}

TEST_F(BookmarkKeys, BrowReturnsAfterTheReturnDurationTruncatedOnce) {
    engine->Say("Hello", {PhonemeEvent(kAa, 100), BookmarkEvent("brow:true,,both,1.0,100,500")});
    RunHead();
    // t = 482; 482.78 + 2413.89 from t is 2896.67 -> t + 2896.
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{482, 964, 3378}));
    EXPECT_EQ(KeyValues(head[13]), (std::vector<float>{0, 1, 0}));
    EXPECT_EQ(NotesOf(head[14]), (std::vector<Note>{{482, "R_Eyebrow_Start"}, {3378, "R_Eyebrow_Stop"}}));
    EXPECT_TRUE(PaneHas("Adding left eye brow keys for actor named 'Head' starting at frame 3.01 (Tick: 482)\n"))
        << Pane();
    EXPECT_EQ(session->clock.eyeKeysEnd, 3378);
}

TEST_F(BookmarkKeys, BrowWithoutReturnStaysRaised) {
    engine->Say("Hello", {PhonemeEvent(kAa, 100), BookmarkEvent("brow:false,,right,0.8,100,500")});
    RunHead();
    EXPECT_EQ(KeyTimes(head[14]), (std::vector<TimeValue>{482, 964}));
    EXPECT_FLOAT_EQ(KeyValues(head[14])[1], 0.8f);
    EXPECT_TRUE(KeysOf(head[13]).empty());
}

TEST_F(BookmarkKeys, ReplaceModeClearsTheBrowsSpan) {
    for (TimeValue t : {300, 400, 3300}) AddKey(head[13], t, 0.5f);
    engine->Say("Hello", {PhonemeEvent(kAa, 100), BookmarkEvent("brow:true,,left,1.0,100,500")});
    RunHead();
    // Room from t - 100 over the rise and return: [382, 3278].
    EXPECT_EQ(KeyTimes(head[13]), (std::vector<TimeValue>{300, 482, 964, 3300, 3378}));
}

TEST_F(BookmarkKeys, EyesMarkNamingAnotherNodeKeysThatNodeAndItsChildren) {
    INode* narrator = ip.CreateNode("Narrator");
    SpeechController* narratorLeft = AddController(narrator, 11);
    INode* lids = ip.CreateNode("Lids", narrator);
    SpeechController* lidsRight = AddController(lids, 12);
    session->RebuildSpeakers();
    engine->Say("Hello", {BookmarkEvent("eyes:true,Narrator,both,1,100,1.0,100")});
    RunHead();
    EXPECT_EQ(KeyTimes(narratorLeft), (std::vector<TimeValue>{10, 251, 492}));
    EXPECT_EQ(KeyTimes(lidsRight), (std::vector<TimeValue>{10, 251, 492}));
    EXPECT_TRUE(KeysOf(head[11]).empty());
    EXPECT_TRUE(KeysOf(head[12]).empty());
    EXPECT_TRUE(PaneHas("Adding left eye keys for actor named 'Narrator'")) << Pane();
}

TEST_F(BookmarkKeys, EyesMarkForAMissingNodeWarnsButBrowDoesNot) {
    engine->Say("Hello", {BookmarkEvent("eyes:true,Ghost,both,1,100,1.0,100"),
                          BookmarkEvent("brow:true,Ghost,both,1.0,100,500")});
    RunHead();
    EXPECT_TRUE(PaneHas("Warning: Node 'Ghost' defined in 'eyes' tag does not exist. Eye keys will not be set.\n"))
        << Pane();
    EXPECT_EQ(Warnings(), 1);
    for (ChannelId ch = 11; ch <= 14; ++ch) EXPECT_TRUE(KeysOf(head[ch]).empty()) << ch;
}

TEST_F(BookmarkKeys, BookmarkBeforeTheFirstPhonemeTakesTheFirstKeyMark) {
    engine->Say("plain", {PhonemeEvent(kAa, 100)});
    engine->Say("marked", {BookmarkEvent("brow:true,,both,1.0,100,500"), PhonemeEvent(kAa, 100)});
    Run(Script({{"Head", "plain"}}));
    EXPECT_EQ(KeysOf(head[1]).front().flags, kFirstKeyFlags);
    head[1]->DeleteTimeBoth(TIME_NegInfinity, TIME_PosInfinity);
    Run(Script({{"Head", "marked"}}));
    EXPECT_EQ(KeysOf(head[1]).front().flags, kOrdinaryKeyFlags);
}

TEST_F(BookmarkKeys, MarksThatAreNotCuesMakeNothing) {
    engine->Say("Hello", {BookmarkEvent(""), BookmarkEvent("eyes"), BookmarkEvent("look:true,,both,1,100,1,100"),
                          BookmarkEvent("eyes:true,,both,none,x,y,z"), BookmarkEvent("eyes:true,,both,0,100,1,100")});
    RunHead();
    for (ChannelId ch = 11; ch <= 14; ++ch) EXPECT_TRUE(KeysOf(head[ch]).empty()) << ch;
    EXPECT_EQ(Warnings(), 0);
}

// Bookmarks may be written by hand: numbers that no cue may have take the
// cue's defaults, with a warning, so no key lands before the bookmark, at a
// wrapped tick or far past the speech, and no key value is infinite.
TEST_F(BookmarkKeys, NonsenseNumbersInAHandWrittenMarkTakeTheCueDefaults) {
    engine->Say("Hello", {PhonemeEvent(kAa, 100), BookmarkEvent("eyes:true,,left,2000000000,-500,1e999,-100"),
                          BookmarkEvent("brow:false,,right,-1e39,-2147483648,0")});
    editor.replaceMode = 0;
    RunHead();
    // At tick 482: one blink of 100 ms (482, 723, 964) closing to 1.0.
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{482, 723, 964}));
    EXPECT_EQ(KeyValues(head[11]), (std::vector<float>{0, 1, 0}));
    // The brow rises over 100 ms to 1.0 and stays.
    EXPECT_EQ(KeyTimes(head[14]), (std::vector<TimeValue>{482, 964}));
    EXPECT_EQ(KeyValues(head[14]), (std::vector<float>{0, 1}));
    EXPECT_TRUE(PaneHas("Warning: Bookmark 'eyes:true,,left,2000000000,-500,1e999,-100' holds a negative or too "
                        "long time (0 to 60000 msecs), more than 100 blinks or a value out of range; the eyes or "
                        "brow defaults were used instead.\n"))
        << Pane();
    EXPECT_TRUE(PaneHas("Warning: Bookmark 'brow:false,,right,-1e39,-2147483648,0' holds")) << Pane();
    EXPECT_EQ(Warnings(), 2);
    for (ChannelId ch = 11; ch <= 14; ++ch) {
        for (const TimeValue t : KeyTimes(head[ch])) {
            EXPECT_GE(t, 0) << ch;
            EXPECT_LE(t, 1000) << ch;
        }
    }
}

TEST_F(BookmarkKeys, TheLimitsThemselvesAreKept) {
    engine->Say("Hello", {BookmarkEvent("eyes:false,,left,100,0,-3.4e38,60000")});
    editor.replaceMode = 0;
    RunHead();
    EXPECT_EQ(KeysOf(head[11]).size(), 200u);
    EXPECT_EQ(KeyValues(head[11])[1], -3.4e38f);
    EXPECT_EQ(Warnings(), 1);  // only the first blink meeting the run start
}

TEST_F(BookmarkKeys, ReplaceModeClearsRoomAfterAnEarlierBlinkOnTheSameSide) {
    for (TimeValue t : {300, 1000, 1605, 1606, 2000}) AddKey(head[11], t, 0.5f);
    engine->Say("Hello", {BookmarkEvent("eyes:true,,left,1,100,1.0,100"), PhonemeEvent(kAa, 50),
                          BookmarkEvent("eyes:true,,left,1,100,1.0,100")});
    editor.replaceMode = 1;
    RunHead();
    // The second blink, asked for at 241, starts 10 ticks after the first one's
    // end (492) and clears ((100 + 100 + 10) x 1) x 4.8278 + 90 ticks from there:
    // [502, 1605]. The first blink cleared only the key exactly 100 ticks before it.
    EXPECT_EQ(KeyTimes(head[11]), (std::vector<TimeValue>{10, 251, 300, 492, 502, 743, 984, 1606, 2000}));
    EXPECT_TRUE(KeysOf(head[12]).empty());
}

}  // namespace
}  // namespace lipsmith::testing
