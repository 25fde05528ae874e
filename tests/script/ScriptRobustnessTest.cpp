// Garbage, huge and deeply nested scripts: a clear result, never a crash or hang.
#include <random>

#include "ParserFixture.h"
#include "ScriptRtfReader.h"

namespace lipsmith {
namespace {

using Robustness = ParserFixture;

TEST_F(Robustness, RandomBytesGiveAResult) {
    std::mt19937 rng(2024);
    const std::string pieces[] = {"<", ">", "\"", "'", "&", "/", "=", "<_ANIM_>", "</_ANIM_>", "<actor ",
                                  "<actor node=\"a\">", "</actor>", "<eyes ", "<brow/>", "<!--", "-->",
                                  "<![CDATA[", "]]>", "<?", "?>", "\n", " ", "x", "\\", "{"};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) {
            if (rng() % 3 == 0)
                text += static_cast<char>(rng() % 256);
            else
                text += pieces[rng() % std::size(pieces)];
        }
        Parse(text);
        Reparse();
    }
    SUCCEED();
}

TEST_F(Robustness, FiveMegabyteScriptIsSpokenInOnePiece) {
    std::string words;
    while (words.size() < 5u * 1024 * 1024) words += "Many words & more words <rate absspeed=\"1\"/>\n";
    EXPECT_EQ(Parse(OneActor(words)), S_OK);
    ASSERT_EQ(speaker.calls.size(), 1u);
    EXPECT_GT(speaker.calls[0].text.size(), words.size());
    EXPECT_EQ(speaker.calls[0].text.find('\n'), std::string::npos);

    // The same size of garbage is a clear error.
    std::mt19937 rng(5);
    std::string garbage(5u * 1024 * 1024, '\0');
    for (char& c : garbage) c = static_cast<char>(rng() % 256);
    EXPECT_NE(Parse("<_ANIM_>" + garbage), S_OK);
}

TEST_F(Robustness, DeeplyNestedTagsDoNotOverflowTheStack) {
    const int depth = 100000;
    std::string deep;
    for (int i = 0; i < depth; ++i) deep += "<e>";
    deep += "x";
    for (int i = 0; i < depth; ++i) deep += "</e>";
    const std::string script = "<_ANIM_><actor node=\"a\">" + deep + "</actor></_ANIM_>";
    const HRESULT hr = Parse(script);
    if (hr == S_OK) {
        ASSERT_EQ(speaker.calls.size(), 1u);
        EXPECT_EQ(speaker.calls[0].text.size(), deep.size());
    } else {
        EXPECT_FALSE(Pane().empty());  // refused with a message
    }

    // Nested cues, and a nest that is never closed.
    std::string cues;
    for (int i = 0; i < depth; ++i) cues += "<eyes>";
    for (int i = 0; i < depth; ++i) cues += "</eyes>";
    Parse("<_ANIM_><actor node=\"a\">" + cues + "</actor></_ANIM_>");
    std::string open = "<_ANIM_><actor node=\"a\">";
    for (int i = 0; i < depth; ++i) open += "<e a=\"1\">";
    EXPECT_EQ(Parse(open), S_FALSE);
}

TEST_F(Robustness, TenThousandActorsAreSpokenInOrder) {
    std::string script = "<_ANIM_>\n";
    for (int i = 0; i < 10000; ++i)
        script += "<actor node=\"n" + std::to_string(i) + "\">line " + std::to_string(i) + " <eyes/></actor>\n";
    script += "</_ANIM_>\n";
    dlg.reportWarnings = false;
    EXPECT_EQ(Parse(script), S_OK);
    ASSERT_EQ(speaker.calls.size(), 10000u);
    EXPECT_EQ(speaker.calls[9999].actorNode, "n9999");
    EXPECT_EQ(speaker.calls[9999].text, "line 9999 <bookmark mark=\"eyes:true,,both,1,50,1.0,100\"/>");

    // The same without nodes: 10,000 repairs, one message box.
    std::string bare = "<_ANIM_>\n";
    for (int i = 0; i < 10000; ++i) bare += "<actor>x</actor>\n";
    bare += "</_ANIM_>\n";
    dlg.Output().Clear();
    EXPECT_EQ(Parse(bare), S_FALSE);
    EXPECT_EQ(prompts.Messages().size(), 1u);
}

TEST_F(Robustness, UnterminatedMarkupInTheEditorColoursWithoutHanging) {
    std::string text(1u << 20, '"');
    text[0] = '<';
    const ColoredText colored = ColorizedText(text);
    EXPECT_EQ(colored.text, text);
    EXPECT_EQ(ColorAtCaret(text, text.size()).insertionColor, TextColor::Red);
}

}  // namespace
}  // namespace lipsmith
