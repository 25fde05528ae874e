// The parser's structure checks, repairs and the speaking of actors.
#include <cstdio>

#include "CNumbers.h"
#include "ParserFixture.h"
#include "ScriptMessages.h"

namespace lipsmith {
namespace {

using Parser = ParserFixture;

TEST_F(Parser, EmptyScriptGetsTheWrapperAndThenHasNoActors) {
    EXPECT_EQ(Parse(""), S_FALSE);
    EXPECT_EQ(Pane(), msg::kAnimMissing);
    EXPECT_EQ(Errors(), 1);
    EXPECT_EQ(dlg.Script().Text(), "<_ANIM_>\n\n\n</_ANIM_>");
    EXPECT_FALSE(dlg.Script().CanUndo());  // the inserted wrapper cannot be undone
    EXPECT_EQ(dlg.Script().Colors()[0], TextColor::Blue);
    EXPECT_EQ(dlg.Script().Colors()[8], TextColor::Black);

    EXPECT_EQ(Reparse(), S_FALSE);
    EXPECT_EQ(Pane(), std::string(msg::kAnimMissing) + msg::kNoActors);
    EXPECT_TRUE(speaker.calls.empty());
}

TEST_F(Parser, ActorsWithoutTheWrapperAreNeverSpoken) {
    const std::string script = "<actor node=\"a\">one</actor>\n<actor node=\"b\">two</actor>";
    EXPECT_EQ(Parse(script), S_FALSE);  // not well-formed: two top-level elements
    EXPECT_EQ(Pane(), msg::kAnimMissing);
    EXPECT_EQ(dlg.Script().Text(), "<_ANIM_>\n\n" + script + "\n</_ANIM_>");
    EXPECT_EQ(Parse("<actor node=\"a\">one</actor>"), S_FALSE);  // well-formed, no wrapper
    EXPECT_TRUE(speaker.calls.empty());
    EXPECT_EQ(Reparse(), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"one"});
}

TEST_F(Parser, WrapperNamesAreCaseSensitive) {
    EXPECT_EQ(Parse("<_Anim_><actor node=\"a\">x</actor></_Anim_>"), S_FALSE);
    EXPECT_EQ(Pane(), msg::kAnimMissing);
}

TEST_F(Parser, ASecondWrapperInsideIsReserved) {
    EXPECT_EQ(Parse("<_ANIM_><_ANIM_><actor node=\"a\">x</actor></_ANIM_></_ANIM_>"), E_FAIL);
    EXPECT_EQ(Pane(), msg::kAnimRepeated);
    EXPECT_EQ(Errors(), 1);
}

TEST_F(Parser, TwoWrappersSideBySideAreAnXmlErrorInBlack) {
    EXPECT_EQ(Parse("<_ANIM_></_ANIM_>\n<_ANIM_></_ANIM_>"), S_FALSE);
    EXPECT_EQ(Pane().rfind("Error(row:1 Col:", 0), 0u) << Pane();
    EXPECT_EQ(Errors(), 0);
    EXPECT_EQ(dlg.Output().Runs().size(), 1u);
    EXPECT_EQ(dlg.Output().Colors()[0], TextColor::Black);
}

TEST_F(Parser, AnythingBeforeTheWrapperIsReported) {
    EXPECT_EQ(Parse("<!-- notes --><_ANIM_><actor node=\"a\">x</actor></_ANIM_>"), E_FAIL);
    EXPECT_EQ(Pane(), msg::kAnimNotTop);
    Parse("<?style x?>\n<_ANIM_><actor node=\"a\">x</actor></_ANIM_>");
    EXPECT_EQ(Errors(), 2);
    EXPECT_TRUE(speaker.calls.empty());
}

TEST_F(Parser, ADocumentTypeBeforeTheWrapperIsReported) {
    EXPECT_EQ(Parse("<!DOCTYPE _ANIM_>\n<_ANIM_><actor node=\"a\">x</actor></_ANIM_>"), E_FAIL);
    EXPECT_EQ(Pane(), msg::kAnimNotTop);
    EXPECT_EQ(Errors(), 1);
    EXPECT_TRUE(speaker.calls.empty());
}

// A repair puts the document back into the editor; a document type after the
// wrapper is not allowed, and one inside it is not well-formed: neither can
// be lost on the way.
TEST_F(Parser, ADocumentTypeIsNeverDroppedSilently) {
    const std::string after = "<_ANIM_><actor>x</actor></_ANIM_>\n<!DOCTYPE _ANIM_>";
    EXPECT_EQ(Parse(after), S_FALSE);
    EXPECT_EQ(Pane().find("Error(row:1 Col:0) - "), 0u) << Pane();
    EXPECT_EQ(dlg.Script().Text(), after);

    dlg.Output().Clear();
    const std::string inside = "<_ANIM_><!DOCTYPE x><actor>x</actor></_ANIM_>";
    EXPECT_EQ(Parse(inside), S_FALSE);
    EXPECT_EQ(Pane().find("Error(row:0 "), 0u) << Pane();
    EXPECT_EQ(dlg.Script().Text(), inside);
    EXPECT_TRUE(speaker.calls.empty());
}

// Rows of XML errors and of nested actors are the editor's rows whatever
// line breaks the script uses.
TEST_F(Parser, RowsAgreeWithTheEditorForCrLfAndCrLf) {
    for (const std::string br : {"\n", "\r", "\r\n"}) {
        SCOPED_TRACE(static_cast<int>(br.size()) * 100 + br[0]);
        dlg.Output().Clear();
        EXPECT_EQ(Parse("<_ANIM_>" + br + br + "<actor node=\"a\">x</actr>" + br + "</_ANIM_>"), S_FALSE);
        EXPECT_EQ(Pane().find("Error(row:2 Col:"), 0u) << Pane();
        EXPECT_EQ(dlg.Script().SelectedText(), "<actor node=\"a\">x</actr>");
        EXPECT_EQ(dlg.PositionField().rfind("Row: 2 ", 0), 0u) << dlg.PositionField();

        dlg.Output().Clear();
        EXPECT_EQ(Parse("<_ANIM_>" + br + "<actor node=\"a\">" + br + "<actor node=\"b\">x</actor></actor>" + br +
                        "</_ANIM_>"),
                  E_FAIL);
        EXPECT_EQ(Pane(), CFormat(msg::kActorNested, 2));
        EXPECT_EQ(dlg.Script().SelectedText(), "<actor node=\"b\">x</actor></actor>");
    }
}

// Editors put a UTF-8 byte order mark first; it is skipped by the parser
// and stays first in the editor through every repair.
TEST_F(Parser, AByteOrderMarkIsAcceptedAndStaysFirst) {
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(Parse(bom + "<_ANIM_>\r\n<actor node=\"a\">Hi</actor>\r\n</_ANIM_>\r\n"), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"Hi"});
    EXPECT_EQ(Pane(), "");

    // The wrapper goes in after the mark.
    speaker.calls.clear();
    EXPECT_EQ(Parse(bom + "<actor node=\"a\">Hi</actor>"), S_FALSE);
    EXPECT_EQ(dlg.Script().Text(), bom + "<_ANIM_>\n\n<actor node=\"a\">Hi</actor>\n</_ANIM_>");
    dlg.Output().Clear();
    EXPECT_EQ(Reparse(), S_OK);
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"Hi"});

    // A repaired document goes back behind the mark.
    EXPECT_EQ(Parse(bom + "<_ANIM_><actor>Hi</actor></_ANIM_>"), S_FALSE);
    EXPECT_EQ(dlg.Script().Text().rfind(bom + "<_ANIM_><actor node=\"_unknown_\">Hi</actor></_ANIM_>", 0), 0u)
        << dlg.Script().Text();

    // On the first row the mark is one more editor character before the error.
    dlg.Output().Clear();
    Parse("<_ANIM_><actor node=\"a\">x</actr></_ANIM_>");
    const std::string without = Pane();
    dlg.Output().Clear();
    Parse(bom + "<_ANIM_><actor node=\"a\">x</actr></_ANIM_>");
    long row1 = -1, col1 = -1, row2 = -1, col2 = -1;
    ASSERT_EQ(std::sscanf(without.c_str(), "Error(row:%ld Col:%ld)", &row1, &col1), 2) << without;
    ASSERT_EQ(std::sscanf(Pane().c_str(), "Error(row:%ld Col:%ld)", &row2, &col2), 2) << Pane();
    EXPECT_EQ(row2, 0);
    EXPECT_EQ(col2, col1 + 1);
}

TEST_F(Parser, XmlErrorColumnCountsTheDeclarationOnTheFirstRowOnly) {
    EXPECT_EQ(Parse("<_ANIM_><actor node=\"a\">x</actr></_ANIM_>"), S_FALSE);
    const std::string firstRow = Pane();
    dlg.Output().Clear();
    EXPECT_EQ(Parse("<_ANIM_>\n<actor node=\"a\">x</actr></_ANIM_>"), S_FALSE);
    const std::string secondRow = Pane();

    long row1 = -1, col1 = -1, row2 = -1, col2 = -1;
    ASSERT_EQ(std::sscanf(firstRow.c_str(), "Error(row:%ld Col:%ld)", &row1, &col1), 2) << firstRow;
    ASSERT_EQ(std::sscanf(secondRow.c_str(), "Error(row:%ld Col:%ld)", &row2, &col2), 2) << secondRow;
    EXPECT_EQ(row1, 0);
    EXPECT_EQ(row2, 1);
    EXPECT_EQ(col1 - col2, 21 + 8);  // the declaration and "<_ANIM_>" stand before it
    EXPECT_GE(col2, 17);             // within or after "<actor node="a">x"
    EXPECT_EQ(dlg.PositionField(), "Row: 1     Col: " + std::to_string(col2));
    EXPECT_EQ(dlg.Script().SelectedText(), "<actor node=\"a\">x</actr></_ANIM_>");
    EXPECT_NE(secondRow.find(") - "), std::string::npos);
    EXPECT_EQ(secondRow.back(), '\n');
    EXPECT_EQ(Errors(), 0);
}

TEST_F(Parser, UnterminatedQuoteIsAnXmlError) {
    EXPECT_EQ(Parse("<_ANIM_>\n<actor node=\"Head>hello</actor>\n</_ANIM_>"), S_FALSE);
    EXPECT_EQ(Pane().find("Error(row:"), 0u);
    EXPECT_TRUE(speaker.calls.empty());
}

TEST_F(Parser, NestedActorIsReportedAtItsRow) {
    const std::string script =
        "<_ANIM_>\n"
        "<actor node=\"a\">one</actor>\n"
        "<actor node=\"b\">two\n"
        "  and <actor node=\"c\">three</actor>\n"
        "</actor>\n"
        "</_ANIM_>";
    EXPECT_EQ(Parse(script), E_FAIL);
    EXPECT_EQ(Pane(), "Error (row 3): - 'actor' tags cannot be nested inside other 'actor' tags!\n");
    EXPECT_EQ(Errors(), 1);
    EXPECT_EQ(dlg.Script().SelectedText(), "  and <actor node=\"c\">three</actor>");
    EXPECT_TRUE(speaker.calls.empty());
}

TEST_F(Parser, NestingDeepBelowOtherElementsIsFound) {
    const std::string script =
        "<_ANIM_><actor node=\"a\"><rate absspeed=\"1\"><spell>\n\n<actor>x</actor></spell></rate></actor></_ANIM_>";
    EXPECT_EQ(Parse(script), E_FAIL);
    EXPECT_EQ(Pane(), "Error (row 2): - 'actor' tags cannot be nested inside other 'actor' tags!\n");
}

TEST_F(Parser, MissingNodesAreRepairedInTheEditorWithOneMessageBox) {
    const std::string script =
        "<_ANIM_>\n<actor>Hello there</actor>\n<actor node=\"b\">Hi</actor>\n<actor>Bye</actor>\n</_ANIM_>";
    EXPECT_EQ(Parse(script), S_FALSE);
    const std::string s5 = msg::kActorNodeMissing;
    EXPECT_EQ(Pane(), s5 + s5);
    EXPECT_EQ(Errors(), 2);
    EXPECT_TRUE(speaker.calls.empty());

    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text,
              "There were parsing errors. Please check the parser output window for further details...");
    EXPECT_EQ(prompts.Messages()[0].caption, "Warning");
    EXPECT_EQ(prompts.Messages()[0].type, MB_OK | MB_ICONINFORMATION);

    const std::string& repaired = dlg.Script().Text();
    EXPECT_EQ(repaired.find("<?xml"), std::string::npos);
    EXPECT_NE(repaired.find("<actor node=\"_unknown_\">Hello there</actor>"), std::string::npos) << repaired;
    EXPECT_NE(repaired.find("<actor node=\"_unknown_\">Bye</actor>"), std::string::npos) << repaired;
    EXPECT_EQ(dlg.Script().Colors()[0], TextColor::Blue);
    EXPECT_TRUE(dlg.Script().IsModified());

    // The user's own text is one undo away.
    ASSERT_TRUE(dlg.Script().Undo());
    EXPECT_EQ(dlg.Script().Text(), script);
    ASSERT_TRUE(dlg.Script().Redo());

    // Parsing the repaired text speaks every actor.
    dlg.Output().Clear();
    EXPECT_EQ(Reparse(), S_OK);
    EXPECT_EQ(speaker.Texts(), (std::vector<std::string>{"Hello there", "Hi", "Bye"}));
    EXPECT_EQ(speaker.calls[0].actorNode, "_unknown_");
}

TEST_F(Parser, RepairKeepsAmpersandsQuotesAndCharactersAsTyped) {
    const std::string script =
        "<_ANIM_>\n"
        "<actor>Tom & Jerry &lt;3 a > b</actor>\n"
        "<actor node='say \"hi\"'>x<!-- a & b --><![CDATA[c & d]]></actor>\n"
        "</_ANIM_>";
    EXPECT_EQ(Parse(script), S_FALSE);
    const std::string repaired = dlg.Script().Text();
    EXPECT_NE(repaired.find(">Tom & Jerry &lt;3 a > b<"), std::string::npos) << repaired;
    EXPECT_NE(repaired.find("node='say \"hi\"'"), std::string::npos) << repaired;
    EXPECT_NE(repaired.find("<!-- a & b -->"), std::string::npos) << repaired;
    EXPECT_NE(repaired.find("<![CDATA[c & d]]>"), std::string::npos) << repaired;

    // The repaired script says exactly what the original would have said.
    EXPECT_EQ(Reparse(), S_OK);
    ASSERT_EQ(speaker.calls.size(), 2u);
    EXPECT_EQ(speaker.calls[0].text, "Tom &amp; Jerry &amp;lt;3 a &gt; b");
    EXPECT_EQ(speaker.calls[1].actorNode, "say \"hi\"");
}

TEST_F(Parser, SpeaksEachActorsContentWithoutLineBreaksOrTabs) {
    const std::string script =
        "<_ANIM_>\r\n"
        "<actor node=\"Head\">Hello\r\n\tworld\nagain <rate absspeed=\"2\">fast</rate></actor>\r\n"
        "between\r\n"
        "<actor node=\"Narrator\"/>\r\n"
        "</_ANIM_>";
    EXPECT_EQ(Parse(script, 1), S_OK);
    ASSERT_EQ(speaker.calls.size(), 2u);
    EXPECT_EQ(speaker.calls[0].text, "Helloworldagain <rate absspeed=\"2\">fast</rate>");
    EXPECT_EQ(speaker.calls[0].wavePass, 1);
    EXPECT_EQ(speaker.calls[0].actorNode, "Head");
    EXPECT_EQ(speaker.calls[1].text, "");
    EXPECT_EQ(speaker.calls[1].actorNode, "Narrator");
    EXPECT_EQ(dlg.currentActorNode, "Narrator");  // kept after the run
    EXPECT_EQ(Pane(), "");
}

TEST_F(Parser, AmpersandsReachTheEngineAsAmpersands) {
    EXPECT_EQ(Parse(OneActor("Salt & pepper &amp; more")), S_OK);
    // The engine reads its text as markup: "&amp;" is one ampersand there.
    EXPECT_EQ(speaker.Texts(), std::vector<std::string>{"Salt &amp; pepper &amp;amp; more"});
}

TEST_F(Parser, DocumentTextLengthIsKnownWhileSpeaking) {
    EXPECT_EQ(Parse("<_ANIM_><actor node=\"a\">Hello <spell>abc</spell></actor>xy<actor node=\"b\">z</actor></_ANIM_>"),
              S_OK);
    ASSERT_EQ(speaker.calls.size(), 2u);
    EXPECT_EQ(speaker.calls[0].documentTextLength, 12u);  // "Hello " "abc" "xy" "z"
    EXPECT_EQ(speaker.calls[1].documentTextLength, 12u);
    EXPECT_EQ(dlg.ParseDocumentTextLength(), 0u);
}

TEST_F(Parser, StoppingWhileTheSecondActorSpeaksEndsTheParse) {
    speaker.onSpeak = [&](std::size_t i) -> HRESULT {
        if (i != 1) return S_OK;
        dlg.isParsing = false;
        dlg.AppendParserOutput("Parsing stopped by user.\n", OutputKind::Plain);
        return S_FALSE;
    };
    const std::string script =
        "<_ANIM_><actor node=\"a\">1</actor><actor node=\"b\">2</actor><actor node=\"c\">3</actor></_ANIM_>";
    EXPECT_EQ(Parse(script), S_FALSE);
    EXPECT_EQ(speaker.Texts(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Pane(), "Parsing stopped by user.\n");
}

TEST_F(Parser, StoppingBetweenActorsReturnsSuccess) {
    speaker.onSpeak = [&](std::size_t) -> HRESULT {
        dlg.isParsing = false;
        return S_OK;
    };
    EXPECT_EQ(Parse("<_ANIM_><actor node=\"a\">1</actor><actor node=\"b\">2</actor></_ANIM_>"), S_OK);
    EXPECT_EQ(speaker.calls.size(), 1u);
}

TEST_F(Parser, EngineFailuresEndTheParse) {
    speaker.onSpeak = [](std::size_t) -> HRESULT { return RPC_E_DISCONNECTED; };
    EXPECT_EQ(Parse("<_ANIM_><actor node=\"a\">1</actor><actor node=\"b\">2</actor></_ANIM_>"),
              RPC_E_DISCONNECTED);
    EXPECT_EQ(speaker.calls.size(), 1u);

    dlg.SetActorSpeaker(nullptr);  // no engine at all
    EXPECT_EQ(Reparse(), E_FAIL);
}

TEST_F(Parser, NothingIsSpokenWhenNoRunIsActive) {
    dlg.isParsing = false;
    EXPECT_EQ(Parse(OneActor("hi")), S_OK);
    EXPECT_TRUE(speaker.calls.empty());
}

}  // namespace
}  // namespace lipsmith
