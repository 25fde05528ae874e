// Eye and brow cues: defaults, warnings in their order and passes, marks.
#include "FacialCues.h"
#include "ParserFixture.h"
#include "ScriptMessages.h"

namespace lipsmith {
namespace {

using Cues = ParserFixture;

std::string Bookmark(const std::string& mark) { return "<bookmark mark=\"" + mark + "\"/>"; }

TEST_F(Cues, EyesWithoutAttributesUsesEveryDefault) {
    EXPECT_EQ(Parse(OneActor("Hi <eyes/>there")), S_OK);
    ASSERT_EQ(speaker.calls.size(), 1u);
    EXPECT_EQ(speaker.calls[0].text, "Hi " + Bookmark("eyes:true,,both,1,50,1.0,100") + "there");
    EXPECT_EQ(Pane(), std::string(msg::kEyesBlinkMissing) + msg::kEyesValueMissing + msg::kEyesRepeatMissing +
                          msg::kEyesDurationMissing + msg::kEyesSideMissing);
    EXPECT_EQ(Warnings(), 5);
    EXPECT_EQ(Errors(), 0);
    EXPECT_EQ(dlg.Output().Colors()[0], TextColor::Red);
}

TEST_F(Cues, BrowWithReturnFalseNeedsNoReturnDuration) {
    EXPECT_EQ(Parse(OneActor("<brow return=\"false\" side=\"left\" value=\"0.5\" duration=\"200\"/>")), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{Bookmark("brow:false,,left,0.5,200,0")});
    EXPECT_EQ(Pane(), "");
}

TEST_F(Cues, BrowWithoutAttributesUsesEveryDefault) {
    EXPECT_EQ(Parse(OneActor("<brow/>")), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{Bookmark("brow:true,,both,1.0,100,500")});
    EXPECT_EQ(Pane(), std::string(msg::kBrowReturnMissing) + msg::kBrowValueMissing + msg::kBrowDurationMissing +
                          msg::kBrowRetDurationMissing + msg::kBrowSideMissing);
    EXPECT_NE(Pane().find("in 'broe' tag"), std::string::npos);
}

TEST_F(Cues, InvalidValuesAreWarnedInAttributeOrder) {
    const std::string cue =
        "<eyes blink=\"yes\" value=\"1\" repeat=\"1\" duration=\"10\" side=\"Left\" node=\"Bob\"/>";
    EXPECT_EQ(Parse(OneActor(cue)), S_OK);
    EXPECT_EQ(Pane(),
              "Warning: 'yes' is an invalid attribute for 'blink' tag. Valid values are 'true' or 'false'. "
              "Assuming 'true'.\n"
              "Warning: 'Left' is an invalid value for 'side' tag. Valid values are 'left', 'right' or 'both'. "
              "Defaulting to 'both'.\n");
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{Bookmark("eyes:true,Bob,both,1,50,1.0,10")});

    // Missing attributes are reported where they are read, between the others.
    dlg.Output().Clear();
    Parse(OneActor("<brow return=\"True\" side=\"up\"/>"));
    EXPECT_EQ(Pane(), std::string(
                          "Warning: 'True' is an invalid attribute for 'brow' tag. Valid values are 'true' or "
                          "'false'. Assuming 'true'.\n") +
                          msg::kBrowValueMissing + msg::kBrowDurationMissing + msg::kBrowRetDurationMissing +
                          "Warning: 'up' is an invalid value for 'side' tag. Valid values are 'left', 'right' or "
                          "'both'. Defaulting to 'both'.\n");
}

TEST_F(Cues, TheWavePassRepeatsOnlyTheInvalidBlinkAndReturnWarnings) {
    const std::string script = OneActor("<eyes blink=\"no\" side=\"up\"/><brow return=\"maybe\"/>");
    dlg.reportWarnings = false;
    EXPECT_EQ(Parse(script, 1), S_OK);
    EXPECT_EQ(Pane(),
              "Warning: 'no' is an invalid attribute for 'blink' tag. Valid values are 'true' or 'false'. "
              "Assuming 'true'.\n"
              "Warning: 'maybe' is an invalid attribute for 'brow' tag. Valid values are 'true' or 'false'. "
              "Assuming 'true'.\n");
    EXPECT_EQ(Warnings(), 2);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{Bookmark("eyes:true,,both,1,50,1.0,100") +
                                                        Bookmark("brow:true,,both,1.0,100,500")});
}

TEST_F(Cues, RepeatWithoutOffsetWarnsAndUsesFifty) {
    Parse(OneActor("<eyes blink=\"false\" value=\"0.3\" repeat=\"3\" duration=\"80\" side=\"right\"/>"));
    EXPECT_EQ(Pane(), msg::kEyesOffsetMissing);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{Bookmark("eyes:false,,right,3,50,0.3,80")});
}

TEST_F(Cues, NumbersAreReadAsTheCLibraryReadsThem) {
    const std::string all = " blink=\"true\" side=\"both\" repeat=\"2\" offset=\" +70x\" ";
    Parse(OneActor("<eyes" + all + "value=\"0.75\" duration=\"12ms\"/>" +
                   "<eyes" + all + "value=\"abc\" duration=\"+5\"/>" +
                   "<eyes" + all + "value=\" -0.25e1\" duration=\"60000\"/>" +
                   "<brow return=\"true\" side=\"both\" value=\"-0.3\" duration=\"7.9\" ret_duration=\"x\"/>"));
    EXPECT_EQ(Pane(), "");
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{
                                   Bookmark("eyes:true,,both,2,70,0.8,12") + Bookmark("eyes:true,,both,2,70,0.0,5") +
                                   Bookmark("eyes:true,,both,2,70,-2.5,60000") +
                                   Bookmark("brow:true,,both,-0.3,7,0")});
}

// Hex floats, infinity and not-a-number are no numbers in a cue: they read
// as 0.0 or as the digits in front of them, never as a NaN or infinite key.
TEST_F(Cues, HexInfinityAndNanValuesReadAsTheirDecimalPrefix) {
    const std::string all = " blink=\"true\" side=\"both\" repeat=\"1\" duration=\"100\" ";
    Parse(OneActor("<eyes" + all + "value=\"nan\"/><eyes" + all + "value=\"0x1A\"/><eyes" + all +
                   "value=\"-inf\"/><brow return=\"false\" side=\"left\" duration=\"9\" value=\"2infinity\"/>"));
    EXPECT_EQ(Pane(), "");
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{Bookmark("eyes:true,,both,1,50,0.0,100") +
                                                        Bookmark("eyes:true,,both,1,50,0.0,100") +
                                                        Bookmark("eyes:true,,both,1,50,0.0,100") +
                                                        Bookmark("brow:false,,left,2.0,9,0")});
}

// Negative times, huge counts and values beyond a float are warned about in
// the keys pass and replaced by the attribute's default on every pass.
TEST_F(Cues, NonsenseTimesCountsAndValuesFallBackToTheDefault) {
    const std::string script =
        OneActor("<eyes blink=\"true\" side=\"left\" value=\"1e999\" repeat=\"100000\" offset=\"-20\" "
                 "duration=\"-5\"/><eyes blink=\"true\" side=\"both\" value=\"-1e39\" repeat=\"-1\" "
                 "offset=\"60001\" duration=\"2147483648\"/><brow return=\"true\" side=\"right\" "
                 "value=\"1e40\" duration=\"-1\" ret_duration=\"-2\"/>");
    EXPECT_EQ(Parse(script), S_OK);
    EXPECT_EQ(Pane(),
              "Warning: '1e999' is out of range for 'value' in 'eyes' tag. Assuming 1.0.\n"
              "Warning: '100000' is an invalid value for 'repeat' in 'eyes' tag. Valid values are 0 to 100. "
              "Assuming 1.\n"
              "Warning: '-20' is an invalid value for 'offset' in 'eyes' tag. Valid values are 0 to 60000 msecs. "
              "Assuming 50.\n"
              "Warning: '-5' is an invalid value for 'duration' in 'eyes' tag. Valid values are 0 to 60000 msecs. "
              "Assuming 100 msecs.\n"
              "Warning: '-1e39' is out of range for 'value' in 'eyes' tag. Assuming 1.0.\n"
              "Warning: '-1' is an invalid value for 'repeat' in 'eyes' tag. Valid values are 0 to 100. "
              "Assuming 1.\n"
              "Warning: '60001' is an invalid value for 'offset' in 'eyes' tag. Valid values are 0 to 60000 msecs. "
              "Assuming 50.\n"
              "Warning: '2147483648' is an invalid value for 'duration' in 'eyes' tag. Valid values are 0 to 60000 "
              "msecs. Assuming 100 msecs.\n"
              "Warning: '1e40' is out of range for 'value' in 'brow' tag. Assuming 1.0.\n"
              "Warning: '-1' is an invalid value for 'duration' in 'brow' tag. Valid values are 0 to 60000 msecs. "
              "Assuming 100 msecs.\n"
              "Warning: '-2' is an invalid value for 'ret_duration' in 'brow' tag. Valid values are 0 to 60000 "
              "msecs. Assuming 500 msecs.\n");
    EXPECT_EQ(Warnings(), 11);
    const std::vector<std::string> marks = {Bookmark("eyes:true,,left,1,50,1.0,100") +
                                            Bookmark("eyes:true,,both,1,50,1.0,100") +
                                            Bookmark("brow:true,,right,1.0,100,500")};
    EXPECT_EQ(speaker.Texts(), marks);

    // The wave pass makes the same marks without repeating the warnings.
    dlg.Output().Clear();
    speaker.calls.clear();
    dlg.reportWarnings = false;
    EXPECT_EQ(Parse(script, 1), S_OK);
    EXPECT_EQ(Pane(), "");
    EXPECT_EQ(speaker.Texts(), marks);
}

TEST_F(Cues, AllEyesAreConvertedBeforeAnyBrowAndOutsideActorsToo) {
    const std::string script =
        "<_ANIM_><brow/><actor node=\"a\">x<brow/><eyes/></actor><eyes/></_ANIM_>";
    EXPECT_EQ(Parse(script), S_OK);
    const std::string eyes = std::string(msg::kEyesBlinkMissing) + msg::kEyesValueMissing +
                             msg::kEyesRepeatMissing + msg::kEyesDurationMissing + msg::kEyesSideMissing;
    const std::string brow = std::string(msg::kBrowReturnMissing) + msg::kBrowValueMissing +
                             msg::kBrowDurationMissing + msg::kBrowRetDurationMissing + msg::kBrowSideMissing;
    EXPECT_EQ(Pane(), eyes + eyes + brow + brow);
    // Only the actor's own cues are spoken.
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"x" + Bookmark("brow:true,,both,1.0,100,500") +
                                                        Bookmark("eyes:true,,both,1,50,1.0,100")});
}

TEST_F(Cues, ACueAndEverythingInsideItBecomeOneBookmark) {
    const std::string full = " blink=\"true\" value=\"1\" repeat=\"1\" duration=\"100\" side=\"both\"";
    EXPECT_EQ(Parse(OneActor("a<eyes" + full + ">lost <eyes/><brow/> words</eyes>b")), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"a" + Bookmark("eyes:true,,both,1,50,1.0,100") + "b"});
    EXPECT_EQ(Pane(), "");  // the inner cues are discarded unread
}

TEST_F(Cues, ConvertedCuesStandInTheEditorAfterARepair) {
    EXPECT_EQ(Parse("<_ANIM_><actor>Hi <eyes blink=\"true\" side=\"both\"/></actor></_ANIM_>"), S_FALSE);
    EXPECT_NE(dlg.Script().Text().find("<bookmark mark=\"eyes:true,,both,1,50,1.0,100\"/>"), std::string::npos)
        << dlg.Script().Text();
}

TEST_F(Cues, AMarkTooLongForABookmarkIsAnErrorAndMakesNoBookmark) {
    const std::string node(240, 'n');
    const std::string script = "<_ANIM_>\n<actor node=\"a\">x\n<eyes blink=\"true\" value=\"1\" repeat=\"1\" "
                               "duration=\"1\" side=\"both\" node=\"" + node + "\"/>y</actor>\n"
                               "<actor node=\"b\"><brow node=\"short\" return=\"false\" value=\"1\" "
                               "duration=\"1\" side=\"left\"/></actor>\n</_ANIM_>";
    EXPECT_EQ(Parse(script), S_OK);
    EXPECT_EQ(Errors(), 1);
    EXPECT_EQ(Pane(),
              "Error (row 2): The 'eyes' tag is too long to become a bookmark (266 characters, at most 255), "
              "so no keys are made for it. Shorten its 'node' value.\n");
    ASSERT_EQ(speaker.calls.size(), 2u);
    EXPECT_EQ(speaker.calls[0].text.find("<bookmark"), std::string::npos);
    EXPECT_EQ(speaker.calls[1].text, Bookmark("brow:false,short,left,1.0,1,0"));

    // Exactly 255 characters still fit.
    dlg.Output().Clear();
    const std::string fits(255 - std::string("eyes:true,,both,1,50,1.0,1").size(), 'f');
    Parse(OneActor("<eyes blink=\"true\" value=\"1\" repeat=\"1\" duration=\"1\" side=\"both\" node=\"" + fits +
                   "\"/>"));
    EXPECT_EQ(Pane(), "");
    EXPECT_EQ(speaker.calls.back().text, Bookmark("eyes:true," + fits + ",both,1,50,1.0,1"));
}

TEST(FacialCueText, WarningsWithLongValuesKeepTo255Characters) {
    const std::string w = FormatWithValue(msg::kSideInvalid, std::string(1000, 'L'));
    EXPECT_EQ(w.size(), 255u);
    EXPECT_NE(w.find("'LLL"), std::string::npos);
    EXPECT_NE(w.find("...' is an invalid value"), std::string::npos);
    EXPECT_EQ(FormatWithValue(msg::kSideInvalid, "Left"),
              "Warning: 'Left' is an invalid value for 'side' tag. Valid values are 'left', 'right' or 'both'. "
              "Defaulting to 'both'.\n");
}

TEST(FacialCueText, MarksCarryOneDecimalAndInfiniteValues) {
    EyesCue eyes;
    eyes.value = 12.75f;
    eyes.node = "Jaw";
    EXPECT_EQ(FormatEyesMark(eyes), "eyes:true,Jaw,both,1,50,12.8,100");
    BrowCue brow;
    brow.value = -0.0f;
    EXPECT_EQ(FormatBrowMark(brow), "brow:true,,both,-0.0,100,0");
}

}  // namespace
}  // namespace lipsmith
