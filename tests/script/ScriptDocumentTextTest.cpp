// Script text to document text and back; the engine text of an actor.
#include <gtest/gtest.h>

#include "ScriptDocumentText.h"

namespace lipsmith {
namespace {

TEST(ScriptDocumentText, DocumentTextIsUnescapedBackIntoScriptText) {
    EXPECT_EQ(ScriptTextFromDocumentXml("<a x=\"1 &amp; 2\">Tom &amp; Jerry &gt; &amp;lt; &#1;</a>\r\n"),
              "<a x=\"1 & 2\">Tom & Jerry > &lt; \x01</a>\r\n");
    // A value holding double quotes is delimited by single quotes.
    EXPECT_EQ(ScriptTextFromDocumentXml("<a n=\"say &quot;hi&quot;\" m=\"it's\"/>"), "<a n='say \"hi\"' m=\"it's\"/>");
    // Both kinds of quote: only references can carry it, so they stay.
    EXPECT_EQ(ScriptTextFromDocumentXml("<a n=\"&quot;'\"/>"), "<a n=\"&quot;'\"/>");
    // Markup whose content the writer copies raw holds only what escaping made.
    EXPECT_EQ(ScriptTextFromDocumentXml("<!-- x &amp; <y> --><![CDATA[<&amp;>]]><?pi a &amp; b?>"),
              "<!-- x & <y> --><![CDATA[<&>]]><?pi a & b?>");
    EXPECT_EQ(ScriptTextFromDocumentXml("<!DOCTYPE d [<!ENTITY e \"&amp;\">]><d/>"),
              "<!DOCTYPE d [<!ENTITY e \"&\">]><d/>");
    // Unknown or broken references and cut-off markup are copied as they are.
    EXPECT_EQ(ScriptTextFromDocumentXml("&nbsp; &#; &#999; &#x41; <a b=\"c"), "&nbsp; &#; &#999; A <a b=\"c");
}

TEST(ScriptDocumentText, EscapingAmpersandsIsUndoneExactly) {
    const std::string script = "Tom & Jerry &amp; &lt;tag&gt; &#38;";
    const std::string escaped = EscapeAmpersands(script);
    EXPECT_EQ(escaped, "Tom &amp; Jerry &amp;amp; &amp;lt;tag&amp;gt; &amp;#38;");
    EXPECT_EQ(ScriptTextFromDocumentXml(escaped), script);
}

TEST(ScriptDocumentText, EngineTextIsTheContentWithoutBreaksOrTabs) {
    EXPECT_EQ(ActorEngineText("<actor node=\"a&gt;b\">Hello\r\n\tworld\nagain <b/>\r</actor>"),
              "Helloworldagain <b/>");
    EXPECT_EQ(ActorEngineText("<actor node=\"x\"/>"), "");
    EXPECT_EQ(ActorEngineText("no tag"), "");
    EXPECT_EQ(RemoveAll("a</actor>b</actor></actor>", "</actor>"), "ab");
    EXPECT_EQ(RemoveAll("abc", ""), "abc");
}

TEST(ScriptDocumentText, TextContentLengthCountsTextAndCdata) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<a>12<b>345<![CDATA[67]]></b><!--no--><?p no?>8</a>",
                                pugi::parse_default | pugi::parse_comments | pugi::parse_pi));
    EXPECT_EQ(TextContentLength(doc), 8u);
    EXPECT_EQ(TextContentLength(doc.first_child().child("b")), 5u);
    EXPECT_EQ(TextContentLength(pugi::xml_node()), 0u);
}

}  // namespace
}  // namespace lipsmith
