// Colouring of scripts: the exact RTF, reading it back, colour at the caret.
#include <gtest/gtest.h>

#include <random>

#include "ParserOutput.h"
#include "ScriptColoring.h"
#include "ScriptDlg.h"
#include "ScriptRtfReader.h"

namespace lipsmith {
namespace {

const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard\\f0\\fs16 ";

TEST(ColorizeScript, WritesTheRtfByteForByte) {
    EXPECT_EQ(ColorizeScript(""), kHeader);
    EXPECT_EQ(ColorizeScript("<actor node=\"Head\">Hi</actor>"),
              kHeader + "\\cf2 <actor node=\"\\cf1 Head\\cf2 \">\\cf0 Hi\\cf2 </actor>\\cf0 ");
    EXPECT_EQ(ColorizeScript("<_ANIM_>\n\n"), kHeader + "\\cf2 <_ANIM_>\\cf0 \\par \\par ");
    EXPECT_EQ(ColorizeScript("a\r\nb\tc\nd\re\r"), kHeader + "a\\par b\\tab c\\par d\\par e\\par ");
    EXPECT_EQ(ColorizeScript("C:\\voices\\x"), kHeader + "C:\\\\voices\\\\x");
    EXPECT_EQ(ColorizeScript("{braces} stay"), kHeader + "{braces} stay");
}

TEST(ColorizeScript, AnUnclosedTagColoursItsQuotesToTheEnd) {
    EXPECT_EQ(ColorizeScript("x <eyes side=\"left\" node=\"a"),
              kHeader + "x \\cf2 <eyes side=\"\\cf1 left\\cf2 \" node=\"\\cf1 a");
}

TEST(ColorizeScript, QuoteParityCarriesFromTagToTag) {
    // The first tag leaves a quote open, so the next tag's first quote closes.
    EXPECT_EQ(ColorizeScript("<a x=\"1>t<b y=\"2\">"),
              kHeader + "\\cf2 <a x=\"\\cf1 1>\\cf0 t\\cf2 <b y=\\cf2 \"2\"\\cf1 >\\cf0 ");
    EXPECT_EQ(ColorizeScript("<a><b>"), kHeader + "\\cf2 <a>\\cf0 \\cf2 <b>\\cf0 ");
}

std::string ColorString(const std::vector<TextColor>& colors) {
    std::string s;
    for (TextColor c : colors) s += c == TextColor::Black ? 'k' : c == TextColor::Red ? 'r' : 'b';
    return s;
}
std::string ColorString(const ColoredText& t) { return ColorString(t.colors); }

TEST(ReadScriptRtf, GivesTagsBlueValuesRedTextBlack) {
    const ColoredText t = ColorizedText("Hi <pitch absmiddle=\"-5\">there</pitch>\n");
    EXPECT_EQ(t.text, "Hi <pitch absmiddle=\"-5\">there</pitch>\n");
    EXPECT_EQ(ColorString(t), "kkk" "bbbbbbbbbbbbbbbbbb" "rr" "bb" "kkkkk" "bbbbbbbb" "k");
}

TEST(ReadScriptRtf, KeepsBackslashesBracesAndTurnsBreaksIntoNewlines) {
    const ColoredText t = ColorizedText("a\\b {c}\r\n\td\re\\par");
    EXPECT_EQ(t.text, "a\\b {c}\n\td\ne\\par");
    // Braces next to what the colouring writes are still text.
    EXPECT_EQ(ColorizedText("{<a>}{\t}{\n}").text, "{<a>}{\t}{\n}");
}

TEST(ReadScriptRtf, ReadsEscapesAndSkipsUnknownWords) {
    const ColoredText t =
        ReadScriptRtf(kHeader + "x\\'e9\\{\\}\\b bold\\b0 \\line y{\\*\\ignored skip}z\\cf1 r");
    EXPECT_EQ(t.text, std::string("x\xe9{}bold\nyz") + "r");
    EXPECT_EQ(t.colors.back(), TextColor::Red);
    // Cut short anywhere: no failure, no crash.
    const std::string rtf = ColorizeScript("<a b=\"c\">d\\e</a>");
    for (std::size_t n = 0; n <= rtf.size(); ++n) ReadScriptRtf(rtf.substr(0, n));
}

TEST(ReadScriptRtf, RoundTripsAnyBytes) {
    std::mt19937 rng(7);
    const std::string alphabet = "<>\"\\{}\r\n\t &a;x'*";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i)
            text += (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        std::string expected;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                expected += '\n';
            } else {
                expected += text[i];
            }
        }
        const ColoredText back = ColorizedText(text);
        ASSERT_EQ(back.text, expected) << "round " << round;
        ASSERT_EQ(back.colors.size(), back.text.size());
    }
}

TEST(ColorAtCaret, FollowsTheTypingExample) {
    ScriptDlg dlg;
    auto type = [&](const std::string& keys) {
        for (char c : keys) {
            dlg.ColorAtCaret();
            dlg.Script().TypeText(std::string(1, c));
        }
    };
    type("Hi <");
    EXPECT_EQ(dlg.Script().Colors()[3], TextColor::Black);  // nothing after "<" yet
    type("a");
    EXPECT_EQ(ColorString(dlg.Script().Colors()), "kkkbb");
    type(" x=\"vv");
    type("\" y>b");
    EXPECT_EQ(dlg.Script().Text(), "Hi <a x=\"vv\" y>b");
    EXPECT_EQ(ColorString(dlg.Script().Colors()), "kkkbbbbb" "r" "rr" "r" "bbb" "k");
}

TEST(ColorAtCaret, UsesTheQuoteParityOfEarlierTags) {
    EXPECT_EQ(ColorAtCaret("", 0).insertionColor, TextColor::Black);
    EXPECT_EQ(ColorAtCaret("<a>x", 4).insertionColor, TextColor::Black);
    EXPECT_EQ(ColorAtCaret("<a>", 3).insertionColor, TextColor::Black);
    EXPECT_EQ(ColorAtCaret("<a b=\"c", 7).insertionColor, TextColor::Red);
    EXPECT_EQ(ColorAtCaret("<a b=\"c\" d", 10).insertionColor, TextColor::Blue);
    // The caret before a later tag's "<" is outside it.
    EXPECT_EQ(ColorAtCaret("t<a>", 1).insertionColor, TextColor::Black);
    // A quote left open in an earlier tag makes this tag's first quote a closing one.
    const CaretColoring c = ColorAtCaret("<a b=\"c>t<d e=\"", 15);
    EXPECT_EQ(c.insertionColor, TextColor::Blue);
    EXPECT_FALSE(c.recolorPos.has_value());
    // Caret in the middle of a closed tag.
    EXPECT_EQ(ColorAtCaret("<a b=\"cd\">", 8).insertionColor, TextColor::Red);
}

TEST(ParserOutput, ColoursAndCountsEachKind) {
    ParserOutput out;
    std::string heard;
    out.SetListener([&](std::string_view text, OutputKind, bool replaced) {
        heard += replaced ? "[" + std::string(text) + "]" : std::string(text);
    });
    out.SetText("start\n");
    out.Append("plain\n", OutputKind::Plain);
    out.Append("w\n", OutputKind::Warning);
    out.Append("e\n", OutputKind::Error);
    out.Append("e\n", OutputKind::Error);
    EXPECT_EQ(out.Text(), "start\nplain\nw\ne\ne\n");
    EXPECT_EQ(out.warningCount, 1);
    EXPECT_EQ(out.errorCount, 2);
    EXPECT_EQ(out.Runs(), (std::vector<ColorRun>{{0, 12, TextColor::Black}, {12, 6, TextColor::Red}}));
    EXPECT_EQ(heard, "[start\n]plain\nw\ne\ne\n");
    out.SetText("again\n");
    EXPECT_EQ(out.errorCount, 2);  // only the run resets the counters
    out.ResetCounts();
    EXPECT_EQ(out.errorCount + out.warningCount, 0);
}

TEST(ScriptDlg, VerboseToggleAndPositionField) {
    ScriptDlg dlg;
    dlg.ToggleVerboseOutput();
    EXPECT_TRUE(dlg.verboseOutput);
    dlg.ToggleVerboseOutput();
    EXPECT_FALSE(dlg.verboseOutput);
    EXPECT_EQ(dlg.Output().Text(), "Verbose mode ON\nVerbose mode OFF\n");
    EXPECT_EQ(dlg.Output().errorCount + dlg.Output().warningCount, 0);

    dlg.SetColoredScript("<_ANIM_>\r\n<actor node=\"a\">\r\nhi</actor>", false);
    dlg.Script().SetSelection(20, 25);
    dlg.UpdatePositionField();
    EXPECT_EQ(dlg.PositionField(), "Row: 1     Col: 11");
}

TEST(ScriptDlg, InsertedMarkupIsColouredAndUndoesInOneStep) {
    ScriptDlg dlg;
    dlg.SetColoredScript("say word now", false);
    dlg.Script().SetSelection(4, 8);
    dlg.InsertColoredText("<pitch absmiddle=\"-5\">word</pitch>", true);
    EXPECT_EQ(dlg.Script().Text(), "say <pitch absmiddle=\"-5\">word</pitch> now");
    EXPECT_EQ(dlg.Script().Colors()[4], TextColor::Blue);
    EXPECT_EQ(dlg.Script().Colors()[22], TextColor::Red);  // the "-"
    dlg.Script().Undo();
    EXPECT_EQ(dlg.Script().Text(), "say word now");
}

}  // namespace
}  // namespace lipsmith
