#include "XMLParse.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ScriptedPrompts.h"

namespace lipsmith {
namespace {

namespace fs = std::filesystem;

class XMLParseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(xml_.Create(), S_OK);
        std::string pattern = (fs::temp_directory_path() / "lipsmith-xml-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        fs::remove_all(dir_);
        EXPECT_TRUE(prompts_.Messages().empty());  // no operation threw
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Loads the text and expects it rejected with the error at line:pos.
    void ExpectNotWellFormed(const std::string& text, long line, long pos, const std::string& reasonPart) {
        SCOPED_TRACE(text);
        EXPECT_EQ(xml_.LoadXMLFromBuffer(text), S_FALSE);
        const XmlParseError& error = xml_.ParseError();
        EXPECT_NE(error.reason.find(reasonPart), std::string::npos) << error.reason;
        EXPECT_EQ(error.line, line);
        EXPECT_EQ(error.linePos, pos);
        EXPECT_FALSE(xml_.GetDocument()->first_child());  // nothing half-loaded stays
    }

    ScriptedPrompts prompts_;
    ScopedPrompts usePrompts_{prompts_};
    XMLParse xml_;
    fs::path dir_;
};

TEST_F(XMLParseTest, LoadsAWellFormedTextAndFindsElementsInDocumentOrder) {
    ASSERT_EQ(xml_.LoadXMLFromBuffer("<?xml version=\"1.0\"?>\n<!--note-->\n<_ANIM_>\n"
                                     "  <actor node=\"Head\">Hi <eyes/> there<actor node=\"Jaw\"/></actor>\n"
                                     "  <actor node=\"Narrator\"><![CDATA[a < b]]></actor>\n</_ANIM_>"),
              S_OK);
    EXPECT_TRUE(xml_.ParseError().reason.empty());
    auto actors = xml_.ElementsByName("actor");
    ASSERT_EQ(actors.size(), 3u);
    EXPECT_STREQ(actors[0].attribute("node").value(), "Head");
    EXPECT_STREQ(actors[1].attribute("node").value(), "Jaw");
    EXPECT_STREQ(actors[2].attribute("node").value(), "Narrator");
    EXPECT_TRUE(xml_.ElementsByName("ACTOR").empty());  // names are case-sensitive
    EXPECT_EQ(XMLParse::NodeText(actors[0]), "Hi  there");
    EXPECT_EQ(XMLParse::NodeText(actors[2]), "a < b");
    EXPECT_EQ(XMLParse::NodeXml(actors[2]), "<actor node=\"Narrator\"><![CDATA[a < b]]></actor>");
    // Whitespace-only text between elements is not kept.
    EXPECT_EQ(xml_.DocumentXml(),
              "<?xml version=\"1.0\"?>\r\n<!--note-->\r\n<_ANIM_><actor node=\"Head\">Hi <eyes/> there"
              "<actor node=\"Jaw\"/></actor><actor node=\"Narrator\"><![CDATA[a < b]]></actor></_ANIM_>\r\n");
}

TEST_F(XMLParseTest, ADeclarationAloneHasNoDocumentElement) {
    ExpectNotWellFormed("<?xml version=\"1.0\"?>", 1, 22, "top level element");
    ExpectNotWellFormed("", 1, 1, "top level element");
    ExpectNotWellFormed("  \n <!-- only a comment -->", 2, 25, "top level element");
}

TEST_F(XMLParseTest, ReportsWhereATextIsNotWellFormed) {
    ExpectNotWellFormed("<a>\n  <b>x</c></a>", 2, 9, "'c'");
    ExpectNotWellFormed("<_ANIM_>one</_ANIM_><_ANIM_>two</_ANIM_>", 1, 21, "Only one top level element");
    ExpectNotWellFormed("<a/>\r\n  stray text", 2, 3, "top level");
    ExpectNotWellFormed("stray<a/>", 1, 1, "top level");
    ExpectNotWellFormed("<a/><![CDATA[x]]>", 1, 5, "CDATA");
    ExpectNotWellFormed("<a/><?xml version=\"1.0\"?>", 1, 5, "declaration");
    ExpectNotWellFormed("<a x=\"1\" x=\"2\"/>", 1, 1, "'x'");
    ExpectNotWellFormed("<a b=1/>", 1, 6, "quoted");
    ExpectNotWellFormed("<a><b>open", 1, 10, "closed");
    // Positions count characters, not bytes.
    ExpectNotWellFormed("<a>\xC3\xA9\xE2\x82\xAC</b>", 1, 8, "'b'");
}

// A lone CR, a lone LF and CR LF are one line break each, as in the editor.
TEST_F(XMLParseTest, ErrorRowsCountEveryKindOfLineBreakOnce) {
    ExpectNotWellFormed("<a>\r  <b>x</c></a>", 2, 9, "'c'");
    ExpectNotWellFormed("<a>\r\r\n\n\r<b>x</c></a>", 5, 7, "'c'");
    ExpectNotWellFormed("<a/>\r  stray text", 2, 3, "top level");
    ExpectNotWellFormed("\r\n\r<a>\r\xC3\xA9\xC3\xA9</b>", 4, 5, "'b'");
}

// The document type is kept as a node of its own, so a caller sees what
// stands before its top level element, and it is written out again.
TEST_F(XMLParseTest, ADocumentTypeIsKeptAndMustComeBeforeTheElement) {
    ASSERT_EQ(xml_.LoadXMLFromBuffer("<?xml version=\"1.0\"?><!DOCTYPE _ANIM_><_ANIM_/>"), S_OK);
    const pugi::xml_node doctype = xml_.GetDocument()->first_child().next_sibling();
    EXPECT_EQ(doctype.type(), pugi::node_doctype);
    EXPECT_EQ(xml_.DocumentXml(), "<?xml version=\"1.0\"?>\r\n<!DOCTYPE _ANIM_>\r\n<_ANIM_/>\r\n");

    ExpectNotWellFormed("<a/>\n<!DOCTYPE a>", 2, 1, "document type");
    ExpectNotWellFormed("<!DOCTYPE a><!DOCTYPE a><a/>", 1, 13, "document type");
    ExpectNotWellFormed("<a><!DOCTYPE a></a>", 1, 4, "document type");
}

TEST_F(XMLParseTest, ASuccessfulLoadClearsTheLastError) {
    EXPECT_EQ(xml_.LoadXMLFromBuffer("<a>"), S_FALSE);
    EXPECT_FALSE(xml_.ParseError().reason.empty());
    EXPECT_EQ(xml_.LoadXMLFromBuffer("<a/>"), S_OK);
    EXPECT_TRUE(xml_.ParseError().reason.empty());
    EXPECT_EQ(xml_.ParseError().line, 0);
}

TEST_F(XMLParseTest, WithoutCreateNothingLoads) {
    XMLParse empty;
    EXPECT_EQ(empty.GetDocument(), nullptr);
    EXPECT_EQ(empty.LoadXMLFromBuffer("<a/>"), E_FAIL);
    EXPECT_EQ(empty.LoadXML("/nonexistent.xml"), E_FAIL);
    EXPECT_NE(empty.SaveXML((dir_ / "x.xml").string()), S_OK);
    EXPECT_TRUE(empty.ElementsByName("a").empty());
    EXPECT_EQ(empty.DocumentXml(), "");
}

TEST_F(XMLParseTest, LoadXMLReadsFilesInTheirDeclaredEncoding) {
    EXPECT_EQ(xml_.LoadXML((dir_ / "missing.xml").string()), S_FALSE);
    EXPECT_NE(xml_.ParseError().reason.find("cannot locate"), std::string::npos);
    EXPECT_EQ(xml_.LoadXML(""), S_FALSE);
    EXPECT_EQ(xml_.LoadXML(dir_.string()), S_FALSE);  // a folder
    const std::string pipe = (dir_ / "pipe.xml").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(xml_.LoadXML(pipe), S_FALSE);  // at once: nobody will ever write to it

    ASSERT_EQ(xml_.LoadXML(Write("latin1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>")),
              S_OK);
    EXPECT_EQ(XMLParse::NodeText(xml_.ElementsByName("a")[0]), "caf\xC3\xA9");

    // UTF-16 with a byte order mark; the error position is in characters.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<a>\n<b>\xE9</c></a>")) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(xml_.LoadXML(Write("utf16.xml", utf16)), S_FALSE);
    EXPECT_EQ(xml_.ParseError().line, 2);
    EXPECT_EQ(xml_.ParseError().linePos, 7);
}

TEST_F(XMLParseTest, GarbageAndHugeInputFailQuietly) {
    std::string garbage(1 << 20, '\0');
    unsigned seed = 12345;
    for (char& c : garbage) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    EXPECT_EQ(xml_.LoadXMLFromBuffer(garbage), S_FALSE);
    EXPECT_EQ(xml_.LoadXML(Write("garbage.bin", garbage)), S_FALSE);

    // Ten megabytes of deep nesting, then a broken end.
    std::string deep;
    for (int i = 0; i < 1'000'000; ++i) deep += "<e>";
    deep += std::string(10'000'000 - deep.size(), 'x');
    EXPECT_EQ(xml_.LoadXML(Write("deep.xml", deep)), S_FALSE);
    deep += "</x>";
    EXPECT_EQ(xml_.LoadXMLFromBuffer(deep), S_FALSE);
}

TEST_F(XMLParseTest, BuildsAndSavesADocument) {
    pugi::xml_document& doc = *xml_.GetDocument();
    doc.append_child(pugi::node_comment).set_value("made by a test");
    pugi::xml_node root = doc.append_child("MAPPINGS");
    pugi::xml_node phoneme = root.append_child("PHONEME");
    phoneme.append_attribute("phoneme") = "a\"<&>";
    phoneme.append_attribute("id") = "10";
    phoneme.append_child("MouthWidth").append_child(pugi::node_pcdata).set_value("1 & 2 < 3 > 0");
    pugi::xml_node old = root.append_child("Old");
    pugi::xml_node fresh = root.insert_child_before("New", old);
    root.remove_child(old);  // replaces Old by New
    (void)fresh;

    const std::string expected =
        "<!--made by a test-->\r\n<MAPPINGS><PHONEME phoneme=\"a&quot;&lt;&amp;>\" id=\"10\">"
        "<MouthWidth>1 &amp; 2 &lt; 3 &gt; 0</MouthWidth></PHONEME><New/></MAPPINGS>\r\n";
    EXPECT_EQ(xml_.DocumentXml(), expected);
    const std::string path = (dir_ / "out.xml").string();
    ASSERT_EQ(xml_.SaveXML(path), S_OK);
    EXPECT_EQ(Read(path), expected);

    XMLParse again;
    ASSERT_EQ(again.Create(), S_OK);
    ASSERT_EQ(again.LoadXML(path), S_OK);
    EXPECT_EQ(again.DocumentXml(), expected);
    EXPECT_STREQ(again.ElementsByName("PHONEME")[0].attribute("phoneme").value(), "a\"<&>");
}

TEST_F(XMLParseTest, SavingNeverLeavesAHalfWrittenFile) {
    ASSERT_EQ(xml_.LoadXMLFromBuffer("<a>new</a>"), S_OK);
    EXPECT_NE(xml_.SaveXML((dir_ / "no such folder" / "out.xml").string()), S_OK);
    EXPECT_NE(xml_.SaveXML(""), S_OK);

    const std::string target = Write("target.xml", "<a>old</a>");
    fs::create_symlink(target, dir_ / "link.xml");
    ASSERT_EQ(xml_.SaveXML((dir_ / "link.xml").string()), S_OK);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.xml"));
    EXPECT_EQ(Read(target), "<a>new</a>\r\n");
    // Only the target is left in the folder: no temporary files.
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) entries += entry.path().filename() != "" ? 1 : 0;
    EXPECT_EQ(entries, 2u);
}

// pugixml takes its memory from functions that can be swapped; these fail.
void* NoMemory(std::size_t) { return nullptr; }

TEST_F(XMLParseTest, RunningOutOfMemoryIsReportedAndPassedOn) {
    const std::string path = Write("ok.xml", "<a/>");
    ScriptedPrompts local;
    {
        ScopedPrompts use(local);
        const auto allocate = pugi::get_memory_allocation_function();
        const auto deallocate = pugi::get_memory_deallocation_function();
        pugi::set_memory_management_functions(NoMemory, deallocate);
        EXPECT_THROW(xml_.LoadXMLFromBuffer("<a/>"), std::bad_alloc);
        EXPECT_THROW(xml_.LoadXML(path), std::bad_alloc);
        pugi::set_memory_management_functions(allocate, deallocate);
    }
    EXPECT_EQ(local.Texts(), (std::vector<std::string>{"XMLParse::LoadXMLFromBuffer() has thrown anException",
                                                       "XMLParse::LoadXML() has thrown anException"}));
    for (const RecordedMessage& m : local.Messages()) {
        EXPECT_EQ(m.caption, "Lipsmith");
        EXPECT_EQ(m.type, MB_OK | MB_ICONERROR);
    }
    EXPECT_EQ(xml_.LoadXML(path), S_OK);  // usable again afterwards
}

}  // namespace
}  // namespace lipsmith
