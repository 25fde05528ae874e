// Speech API XML to SSML: tags, scoping, escaping, malformed input and the
// map back to the original characters.
#include "SapiXml.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

namespace lipsmith::engines {
namespace {

std::optional<VoiceChoice> Resolve(std::string_view required, std::string_view) {
    if (required == "Name=Known") return VoiceChoice{"gmw/en", "Known"};
    return std::nullopt;
}

SsmlText Xml(std::string_view text) { return TranslateSapiXml(text, true, Resolve); }

// The body between <speak> and </speak>.
std::string Body(const SsmlText& t) { return t.ssml.substr(7, t.ssml.size() - 15); }

bool WellFormed(const std::string& ssml) {
    pugi::xml_document doc;
    return doc.load_string(ssml.c_str()) && doc.child("speak");
}

TEST(SapiXml, PlainTextIsEscapedAndMapsOneToOne) {
    const SsmlText t = TranslateSapiXml("a < b & c > d", false, Resolve);
    EXPECT_EQ(Body(t), "a &lt; b &amp; c &gt; d");
    EXPECT_EQ(t.source.size(), t.ssml.size());  // ASCII: one entry per byte
    // 'd' is the 13th character of the original.
    const std::size_t d = t.ssml.rfind('d');
    EXPECT_EQ(t.source[d].start, 12);
    // The whole "&amp;" maps back to the single '&'.
    const SourceSpan amp = t.Map(static_cast<std::int64_t>(t.ssml.find("&amp;")), 5);
    EXPECT_EQ(amp.start, 6);
    EXPECT_EQ(amp.length, 1);
    EXPECT_TRUE(WellFormed(t.ssml));
}

TEST(SapiXml, RateAndPitchScopes) {
    // Empty form: from here on. Enclosing form: inside only, outer value back after.
    const SsmlText t = Xml("<rate absspeed=\"5\"/>one <pitch absmiddle=\"4\">two <pitch absmiddle=\"-2\">three"
                           "</pitch> four</pitch> five");
    const std::string b = Body(t);
    const std::string r5 = "rate=\"" + std::to_string(RatePercent(5)) + "%\"";
    EXPECT_NE(b.find("<prosody " + r5 + " pitch=\"50\" volume=\"100\">one"), std::string::npos) << b;
    EXPECT_NE(b.find(r5 + " pitch=\"70\" volume=\"100\">two"), std::string::npos) << b;
    EXPECT_NE(b.find(r5 + " pitch=\"40\" volume=\"100\">three"), std::string::npos) << b;
    EXPECT_NE(b.find(r5 + " pitch=\"70\" volume=\"100\">four"), std::string::npos) << b;
    EXPECT_NE(b.find(r5 + " pitch=\"50\" volume=\"100\">five"), std::string::npos) << b;
    EXPECT_TRUE(WellFormed(t.ssml));
}

TEST(SapiXml, RelativeValuesAndClamping) {
    EXPECT_EQ(RatePercent(0), 100);
    EXPECT_EQ(RatePercent(10), RatePercent(50));    // clamped to +10
    EXPECT_EQ(RatePercent(-10), RatePercent(-99));  // clamped to -10
    EXPECT_EQ(RatePercent(10), 257);                // 450 words per minute
    EXPECT_EQ(RatePercent(-10), 46);                // 80 words per minute
    for (int r = -10; r < 10; ++r) EXPECT_LE(RatePercent(r), RatePercent(r + 1));
    EXPECT_EQ(EspeakPitch(0), 50);
    EXPECT_EQ(EspeakPitch(10), 100);
    EXPECT_EQ(EspeakPitch(25), 100);
    EXPECT_EQ(EspeakPitch(-25), 0);
    const std::string b = Body(Xml("<pitch absmiddle=\"8\"><pitch middle=\"5\">x</pitch></pitch>"
                                   "<rate speed=\"-30\">y</rate>"));
    EXPECT_NE(b.find("pitch=\"100\" volume=\"100\">x"), std::string::npos) << b;
    EXPECT_NE(b.find("rate=\"46%\""), std::string::npos) << b;
}

TEST(SapiXml, NoMarkupForDefaultState) {
    EXPECT_EQ(Body(Xml("<rate absspeed=\"0\">plain</rate> text")), "plain text");
}

TEST(SapiXml, SilenceSpellAndCase) {
    const SsmlText t = Xml("a<silence msec=\"250\"/>b<SILENCE MSEC='0'/>c<Silence msec=\"999999\"/>"
                           "<spell>IBM</spell> d");
    const std::string b = Body(t);
    // Silences are marks the voice fills itself; espeak-ng's breaks follow the rate.
    EXPECT_EQ(b.find("<break"), std::string::npos) << b;
    EXPECT_NE(b.find("a<mark name=\"" + MarkName(0) + "\"/>b"), std::string::npos) << b;
    EXPECT_NE(b.find("bc"), std::string::npos) << b;  // zero silence says nothing
    ASSERT_EQ(t.marks.size(), 2u);
    EXPECT_EQ(t.marks[0].kind, SsmlMark::Kind::Silence);
    EXPECT_EQ(t.marks[0].ms, 250);
    EXPECT_EQ(t.marks[1].ms, 60000);
    EXPECT_NE(b.find("<say-as interpret-as=\"characters\">IBM</say-as> d"), std::string::npos) << b;
}

TEST(SapiXml, BookmarksKeepTheirTextWhateverItHolds) {
    const SsmlText t = Xml("Hi <bookmark mark=\"eyes a&amp;b &quot;q&quot; &lt;x&gt;\"/>there<bookmark mark='7'/>");
    ASSERT_EQ(t.marks.size(), 2u);
    EXPECT_EQ(t.marks[0].text, "eyes a&b \"q\" <x>");
    EXPECT_EQ(t.marks[0].kind, SsmlMark::Kind::Bookmark);
    EXPECT_EQ(t.marks[1].text, "7");
    EXPECT_NE(t.ssml.find("<mark name=\"" + MarkName(0) + "\"/>there"), std::string::npos);
    EXPECT_EQ(MarkIndex(MarkName(1)), 1);
    EXPECT_EQ(MarkIndex("x1"), -1);
    EXPECT_EQ(MarkIndex("L1a"), -1);
    EXPECT_TRUE(WellFormed(t.ssml));
}

TEST(SapiXml, VoiceByNameScopedAndReported) {
    const SsmlText t = Xml("a <voice required=\"Name=Known\">b</voice> c <voice required=\"Name=Nobody\">d</voice>");
    const std::string b = Body(t);
    EXPECT_NE(b.find("<voice name=\"gmw/en\">b<mark name=\"L1\"/></voice> c d"), std::string::npos) << b;
    // One change to the voice and one back; the unknown voice changes nothing.
    ASSERT_EQ(t.marks.size(), 2u);
    EXPECT_EQ(t.marks[0].kind, SsmlMark::Kind::VoiceChange);
    EXPECT_EQ(t.marks[0].text, "Known");
    EXPECT_EQ(t.marks[1].text, "");
    EXPECT_TRUE(WellFormed(t.ssml));
}

TEST(SapiXml, EmphasisSpans) {
    const std::string in = "one <emph>two three</emph> four <emph>five</emph>";
    const SsmlText t = Xml(in);
    EXPECT_NE(Body(t).find("<emphasis>two three</emphasis>"), std::string::npos) << Body(t);
    EXPECT_FALSE(t.Emphasized(0));
    EXPECT_TRUE(t.Emphasized(static_cast<std::int32_t>(in.find("two"))));
    EXPECT_TRUE(t.Emphasized(static_cast<std::int32_t>(in.find("three")) + 4));
    EXPECT_FALSE(t.Emphasized(static_cast<std::int32_t>(in.find("four"))));
    EXPECT_TRUE(t.Emphasized(static_cast<std::int32_t>(in.find("five"))));
    EXPECT_FALSE(t.Emphasized(static_cast<std::int32_t>(in.size())));
}

TEST(SapiXml, UnknownTagsAreNotSpoken) {
    const std::string b = Body(Xml("<sapi><foo bar=\"1\">hi</foo> <pron sym=\"h eh\">yo</pron><!-- note --><?pi x?></sapi>"));
    EXPECT_EQ(b, "hi yo");
}

TEST(SapiXml, MalformedMarkupIsSpokenAsTextAndNeverBreaksTheOutput) {
    const char* inputs[] = {
        "a < b",
        "x <rate absspeed=\"3\"",
        "</rate> stray end",
        "<rate absspeed=\"2\">never closed <pitch absmiddle=\"1\">deeper",
        "<rate absspeed='1'><pitch absmiddle='2'>crossed</rate> after</pitch>",
        "<bookmark mark=\"unterminated/>",
        "& &amp &#xZZ; &#0; &#1114112; &bogus;",
        "<voice required=\"Name=Known\"><voice required=\"Name=Known\">twice</voice></voice>",
        "\x01\x02 control \x7f",
        "bad utf8 \xff\xfe\xc3",
        "<spell>",
        "<<<>>>",
        "",
    };
    for (const char* in : inputs) {
        const SsmlText t = Xml(in);
        EXPECT_TRUE(WellFormed(t.ssml)) << in << " -> " << t.ssml;
        EXPECT_EQ(CountCodePoints(t.ssml), t.source.size()) << in;
    }
    EXPECT_EQ(Body(Xml("a < b")), "a &lt; b");
    EXPECT_NE(Body(Xml("x <rate absspeed=\"3\"")).find("&lt;rate"), std::string::npos);
    EXPECT_EQ(Body(Xml("</rate> stray end")), " stray end");
    // Crossed elements: closing the outer one also ends the inner one.
    const std::string crossed = Body(Xml("<rate absspeed='1'><pitch absmiddle='2'>crossed</rate> after</pitch>"));
    EXPECT_NE(crossed.find("</prosody> after"), std::string::npos) << crossed;
    EXPECT_EQ(Body(Xml("& &amp; &#65; &#x42; &bogus;")), "&amp; &amp; A B &amp;bogus;");
}

TEST(SapiXml, PositionsCountCodePointsOfTheOriginal) {
    const std::string in = "caf\xc3\xa9 <rate absspeed=\"3\">na\xc3\xafve</rate> R&amp;D";
    const SsmlText t = Xml(in);
    EXPECT_EQ(t.sourceLength, 44);
    // "naïve" starts at code point 24 of the original.
    const std::size_t nBytes = t.ssml.find("na\xc3\xaf");
    ASSERT_NE(nBytes, std::string::npos);
    const std::size_t n = CountCodePoints(t.ssml.substr(0, nBytes));
    const SourceSpan word = t.Map(static_cast<std::int64_t>(n), 5);
    EXPECT_EQ(word.start, 24);
    EXPECT_EQ(word.length, 5);
    // "R&amp;D" is one word of 7 original characters.
    const std::size_t rBytes = t.ssml.find("R&amp;D");
    const SourceSpan rd = t.Map(static_cast<std::int64_t>(CountCodePoints(t.ssml.substr(0, rBytes))), 7);
    EXPECT_EQ(rd.start, 37);
    EXPECT_EQ(rd.length, 7);
    // Out-of-range positions are clamped, never read outside the map.
    EXPECT_EQ(t.Map(-5, 1).start, 0);
    EXPECT_LE(t.Map(100000, 3).start, t.sourceLength);
}

TEST(SapiXml, SentenceLengths) {
    const std::string in = "Hello there. \"Are you well?\" she said.<silence msec=\"5\"/>Fine! 3.14 is pi";
    const SsmlText t = Xml(in);
    EXPECT_EQ(t.SentenceLength(0), 12);                       // "Hello there."
    EXPECT_EQ(t.SentenceLength(13), 15);                      // "\"Are you well?\""
    EXPECT_EQ(t.SentenceLength(29), 9);                       // "she said."
    const auto fine = static_cast<std::int32_t>(in.find("Fine"));
    EXPECT_EQ(t.SentenceLength(fine), 5);                     // "Fine!"
    const auto pi = static_cast<std::int32_t>(in.find("3.14"));
    EXPECT_EQ(t.SentenceLength(pi), static_cast<std::int32_t>(in.size()) - pi);  // no end: to the end
}

}  // namespace
}  // namespace lipsmith::engines
