#include "PhonemeMapFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "BuiltInPhonemeMap.h"
#include "MapTestSupport.h"
#include "ScriptedPrompts.h"

namespace lipsmith {
namespace {

using namespace lipsmith::testing;

// The default map as published: values in the order of the file's elements
// (MouthWidth, MouthPuckered, MouthOpen, LowerLipPullback, MouthUpturn,
// TeethUpperVisible, TeethLowerVisible, TonguePosition, LipTension, MouthDownturn).
struct Row {
    int id;
    const char* name;
    float fileOrder[10];
};
const Row kDefaultTable[] = {
    {1, "~", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {2, "!", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {3, "word boundry", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {4, ",", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {5, ".", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {6, "?", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {7, "_", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {8, "1", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {9, "2", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {10, "aa", {50, 0, 44, 0, 63, 44, 44, 0, 0, 0}},
    {11, "ae", {69, 0, 44, 0, 63, 25, 50, 0, 0, 0}},
    {12, "ah", {81, 0, 19, 0, 63, 19, 44, 0, 0, 0}},
    {13, "ao", {50, 0, 44, 0, 63, 44, 44, 0, 0, 0}},
    {14, "aw", {50, 0, 50, 0, 63, 44, 44, 0, 0, 0}},
    {15, "ax", {81, 0, 19, 0, 63, 19, 44, 0, 0, 0}},
    {16, "ay", {50, 0, 50, 0, 63, 44, 44, 0, 0, 0}},
    {17, "b", {0, 50, 0, 0, 50, 0, 0, 0, 65, 0}},
    {18, "ch", {81, 0, 13, 0, 63, 31, 75, 58, 0, 0}},
    {19, "d", {81, 0, 13, 0, 63, 31, 75, 100, 0, 0}},
    {20, "dh", {0, 64, 15, 0, 55, 25, 70, 100, 48, 0}},
    {21, "eh", {0, 50, 25, 0, 50, 0, 0, 0, 65, 0}},
    {22, "er", {50, 0, 25, 0, 63, 13, 13, 0, 0, 0}},
    {23, "ey", {75, 0, 25, 0, 63, 31, 44, 0, 0, 0}},
    {24, "f", {50, 0, 6, 100, 63, 50, 0, 0, 81, 0}},
    {25, "g", {69, 0, 6, 0, 63, 13, 31, 0, 0, 0}},
    {26, "h", {81, 0, 19, 0, 63, 19, 44, 0, 13, 0}},
    {27, "ih", {69, 0, 31, 0, 63, 31, 44, 0, 38, 0}},
    {28, "iy", {63, 0, 13, 0, 63, 0, 56, 0, 0, 0}},
    {29, "jy", {81, 0, 13, 0, 63, 31, 75, 58, 0, 0}},
    {30, "k", {69, 0, 6, 0, 63, 13, 31, 0, 0, 0}},
    {31, "l", {0, 9, 21, 0, 60, 0, 0, 100, 0, 0}},
    {32, "m", {0, 50, 0, 0, 50, 0, 0, 0, 65, 0}},
    {33, "n", {81, 0, 13, 0, 63, 31, 75, 58, 0, 0}},
    {34, "ng", {69, 0, 6, 0, 63, 13, 31, 0, 0, 0}},
    {35, "ow", {0, 100, 70, 0, 55, 0, 0, 0, 87, 0}},
    {36, "oy", {0, 100, 50, 0, 0, 40, 50, 0, 25, 20}},
    {37, "p", {0, 50, 0, 0, 50, 0, 0, 0, 65, 0}},
    {38, "r", {0, 100, 25, 0, 63, 13, 31, 0, 69, 0}},
    {39, "s", {81, 0, 6, 0, 63, 31, 81, 58, 38, 0}},
    {40, "sh", {0, 70, 13, 0, 60, 22, 95, 55, 30, 0}},
    {41, "t", {81, 0, 13, 0, 63, 31, 75, 58, 0, 0}},
    {42, "th", {0, 64, 15, 0, 55, 25, 70, 80, 48, 0}},
    {43, "uh", {0, 100, 25, 0, 0, 25, 25, 0, 0, 0}},
    {44, "uw", {0, 100, 50, 0, 60, 15, 15, 0, 80, 0}},
    {45, "v", {50, 0, 6, 81, 63, 50, 0, 0, 81, 0}},
    {46, "w", {0, 100, 70, 0, 55, 0, 0, 0, 87, 0}},
    {47, "y", {75, 0, 13, 0, 63, 25, 56, 0, 50, 0}},
    {48, "z", {81, 0, 6, 0, 63, 31, 81, 58, 38, 0}},
    {49, "zh", {0, 70, 13, 0, 60, 22, 95, 55, 30, 0}},
};

// One PHONEME element; `values` are its ten children in file order unless
// `children` is given.
std::string Phoneme(const std::string& attributes, const std::string& children) {
    return "<PHONEME " + attributes + ">" + children + "</PHONEME>";
}
std::string AllParameters(const std::string& value) {
    std::string children;
    for (MouthParameter p : kMouthParameterFileOrder)
        children += std::string("<") + InfoOf(p).element + ">" + value + "</" + InfoOf(p).element + ">";
    return children;
}
std::string MapFile(const std::string& elements) {
    return "<!--Lipsmith generated file. Do not edit these values manually!-->\r\n<MAPPINGS>" + elements +
           "</MAPPINGS>\r\n";
}

class PhonemeMapFileTest : public ::testing::Test {
protected:
    void TearDown() override {}
    ScriptedPrompts prompts_;
    ScopedPrompts usePrompts_{prompts_};
    TempDir dir_;
};

TEST_F(PhonemeMapFileTest, TheBuiltInMapIsThePublishedTable) {
    PhonemeMap map = SentinelMap();
    ASSERT_EQ(LoadPhonemeMap(map), S_OK);
    ASSERT_EQ(std::size(kDefaultTable), 49u);
    for (const Row& row : kDefaultTable) {
        SCOPED_TRACE(row.id);
        const PhonemeEntry& entry = map[row.id - 1];
        EXPECT_EQ(entry.id, row.id);
        EXPECT_EQ(entry.name, row.name);
        EXPECT_EQ(entry.name, PhonemeSymbol(row.id));
        for (int i = 0; i < 10; ++i) EXPECT_EQ(entry[kMouthParameterFileOrder[i]], row.fileOrder[i]);
    }
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeMapFileTest, SavingTheBuiltInMapReproducesItsTextByteForByte) {
    const std::string resource(BuiltInPhonemeMapText());
    EXPECT_EQ(resource, ReadFile(fs::path(LIPSMITH_SOURCE_DIR) / "resources" / "PhonemeMap4125.xml"));
    EXPECT_EQ(resource.find("\r\n"), resource.find("-->") + 3);  // two lines, CR LF each
    EXPECT_EQ(resource.substr(resource.size() - 13), "</MAPPINGS>\r\n");
    EXPECT_EQ(resource.find("<?xml"), std::string::npos);

    PhonemeMap map;
    ASSERT_EQ(LoadPhonemeMap(map), S_OK);
    const std::string path = (dir_.Path() / "default.xml").string();
    ASSERT_EQ(SavePhonemeMap(map, path), S_OK);
    EXPECT_EQ(ReadFile(path), resource);

    PhonemeMap again = SentinelMap();
    ASSERT_EQ(LoadPhonemeMap(again, path), S_OK);
    EXPECT_EQ(again, map);
}

TEST_F(PhonemeMapFileTest, ElementsInAnyOrderAndUnderAnyRootFillTheEntriesTheyName) {
    // Children in reverse order, an unknown child, PHONEME nested under other elements.
    std::string reversed = "<Extra>99</Extra>";
    for (int i = 9; i >= 0; --i) {
        const char* element = InfoOf(kMouthParameterFileOrder[i]).element;
        reversed += std::string("<") + element + ">" + std::to_string(i + 1) + ".5</" + element + ">";
    }
    const std::string text = "<Root><Group>" + Phoneme("id=\"20\" phoneme=\"dh!\"", reversed) +
                             "</Group><Other><Deeper>" + Phoneme("phoneme=\"aa\" id=\" +10\"", AllParameters("3")) +
                             "</Deeper></Other></Root>";
    PhonemeMap map = SentinelMap();
    ASSERT_EQ(LoadPhonemeMap(map, dir_.Write("nested.xml", text)), S_OK);
    EXPECT_EQ(map[19].name, "dh!");
    EXPECT_EQ(map[19].id, 20);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(map[19][kMouthParameterFileOrder[i]], i + 1.5f);
    EXPECT_EQ(map[9].id, 10);
    EXPECT_EQ(map[9][MouthParameter::LipTension], 3.0f);
    // Entries the file does not name keep their values.
    PhonemeMap expected = SentinelMap();
    expected[19] = map[19];
    expected[9] = map[9];
    EXPECT_EQ(map, expected);
}

TEST_F(PhonemeMapFileTest, ElementsWithoutChildrenAreSkipped) {
    const std::string text = MapFile(Phoneme("phoneme=\"aa\" id=\"10\"", "") + "<PHONEME phoneme=\"b\" id=\"17\"/>" +
                                     Phoneme("phoneme=\"d\" id=\"19\"", "  \r\n  ") +
                                     Phoneme("phoneme=\"m\" id=\"32\"", AllParameters("1")));
    PhonemeMap map = SentinelMap();
    ASSERT_EQ(LoadPhonemeMap(map, dir_.Write("childless.xml", text)), S_OK);
    EXPECT_EQ(map[9].name, "untouched");
    EXPECT_EQ(map[16].name, "untouched");
    EXPECT_EQ(map[18].name, "untouched");
    EXPECT_EQ(map[31].name, "m");
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeMapFileTest, NumbersAreReadWithTheCRules) {
    std::string children = "<MouthWidth>12.75</MouthWidth><MouthOpen>abc</MouthOpen>"
                           "<MouthUpturn>  -3e1xyz</MouthUpturn><MouthDownturn>7,5</MouthDownturn>"
                           "<MouthPuckered></MouthPuckered><TeethUpperVisible>1<!--c-->2</TeethUpperVisible>"
                           "<TeethLowerVisible><![CDATA[ 4.25]]></TeethLowerVisible>"
                           "<TonguePosition>+.5</TonguePosition><LipTension>1e-60</LipTension>"
                           "<LowerLipPullback>\n 8 \n</LowerLipPullback>";
    PhonemeMap map = SentinelMap();
    ASSERT_EQ(LoadPhonemeMap(map, dir_.Write("numbers.xml", MapFile(Phoneme("phoneme=\"x\" id=\"12abc\"", children)))),
              S_OK);
    const PhonemeEntry& e = map[11];
    EXPECT_EQ(e.id, 12);
    EXPECT_EQ(e[MouthParameter::MouthWidth], 12.75f);
    EXPECT_EQ(e[MouthParameter::MouthOpen], 0.0f);
    EXPECT_EQ(e[MouthParameter::MouthUpturn], -30.0f);
    EXPECT_EQ(e[MouthParameter::MouthDownturn], 7.0f);
    EXPECT_EQ(e[MouthParameter::MouthPuckered], 0.0f);
    EXPECT_EQ(e[MouthParameter::TeethUpperVisible], 12.0f);
    EXPECT_EQ(e[MouthParameter::TeethLowerVisible], 4.25f);
    EXPECT_EQ(e[MouthParameter::TonguePosition], 0.5f);
    EXPECT_EQ(e[MouthParameter::LipTension], 0.0f);
    EXPECT_EQ(e[MouthParameter::LowerLipPullback], 8.0f);

    // Saved again with one decimal: 12.75 becomes 12.8.
    const std::string path = (dir_.Path() / "saved.xml").string();
    ASSERT_EQ(SavePhonemeMap(map, path), S_OK);
    EXPECT_NE(ReadFile(path).find("<PHONEME phoneme=\"x\" id=\"12\"><MouthWidth>12.8</MouthWidth><MouthPuckered>0.0<"),
              std::string::npos);
}

TEST_F(PhonemeMapFileTest, SavingWritesEachEntrysOwnIdAndName) {
    PhonemeMap map;
    ASSERT_EQ(LoadPhonemeMap(map), S_OK);
    map[0].id = 42;
    map[0].name = "a<b\"c&d";
    map[1][MouthParameter::MouthDownturn] = -0.04f;
    const std::string path = (dir_.Path() / "ids.xml").string();
    ASSERT_EQ(SavePhonemeMap(map, path), S_OK);
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("<MAPPINGS><PHONEME phoneme=\"a&lt;b&quot;c&amp;d\" id=\"42\">"), std::string::npos);
    EXPECT_NE(text.find("<MouthDownturn>-0.0</MouthDownturn></PHONEME><PHONEME phoneme=\"word boundry\""),
              std::string::npos);
}

TEST_F(PhonemeMapFileTest, AMissingAttributeEndsTheLoadQuietly) {
    for (const std::string bad : {"phoneme=\"b\"", "id=\"17\"", "ID=\"17\" phoneme=\"b\""}) {
        SCOPED_TRACE(bad);
        const std::string text = MapFile(Phoneme("phoneme=\"aa\" id=\"10\"", AllParameters("5")) +
                                         Phoneme(bad, AllParameters("6")) +
                                         Phoneme("phoneme=\"m\" id=\"32\"", AllParameters("7")));
        PhonemeMap map = SentinelMap();
        EXPECT_NE(LoadPhonemeMap(map, dir_.Write("attr.xml", text)), S_OK);
        EXPECT_EQ(map[9][MouthParameter::MouthWidth], 5.0f);  // read before the failure: kept
        EXPECT_EQ(map[31].name, "untouched");                 // after it: never read
    }
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeMapFileTest, AnIdOutsideTheMapEndsTheLoadWithoutWritingAnywhere) {
    for (const std::string id : {"0", "50", "-1", "abc", "", "99999999999999", "4294967306"}) {
        SCOPED_TRACE(id);
        PhonemeMap map = SentinelMap();
        const std::string text = MapFile(Phoneme("phoneme=\"q\" id=\"" + id + "\"", AllParameters("1")));
        EXPECT_NE(LoadPhonemeMap(map, dir_.Write("id.xml", text)), S_OK);
        EXPECT_EQ(map, SentinelMap());
    }
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeMapFileTest, AMissingParameterIsReportedAndKeepsWhatWasRead) {
    // MouthUpturn (third field) is missing; the first two fields are set before the failure.
    std::string children;
    for (MouthParameter p : kMouthParameterFileOrder) {
        if (p != MouthParameter::MouthUpturn)
            children += std::string("<") + InfoOf(p).element + ">4</" + InfoOf(p).element + ">";
    }
    PhonemeMap map = SentinelMap();
    EXPECT_NE(LoadPhonemeMap(map, dir_.Write("missing.xml", MapFile(Phoneme("phoneme=\"ih\" id=\"27\"", children)))),
              S_OK);
    EXPECT_EQ(prompts_.Texts(), std::vector<std::string>{"There was an error mapping the phoneme map!"});
    EXPECT_EQ(prompts_.Messages()[0].caption, "Lipsmith");
    EXPECT_EQ(prompts_.Messages()[0].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(map[26].name, "ih");
    EXPECT_EQ(map[26].id, 27);
    EXPECT_EQ(map[26][MouthParameter::MouthWidth], 4.0f);
    EXPECT_EQ(map[26][MouthParameter::MouthOpen], 4.0f);
    EXPECT_EQ(map[26][MouthParameter::MouthUpturn], -7.0f);

    // A comment alone is content, so the element is read and its parameters are missing.
    prompts_.Clear();
    EXPECT_NE(LoadPhonemeMap(map, dir_.Write("comment.xml", MapFile(Phoneme("phoneme=\"x\" id=\"3\"", "<!--x-->")))),
              S_OK);
    EXPECT_EQ(prompts_.Texts().size(), 1u);
}

TEST_F(PhonemeMapFileTest, NumbersTooBigForTheMapEndTheLoad) {
    for (const std::string value : {"1e999", "-1e999", "1e39", "-3.5e38"}) {
        SCOPED_TRACE(value);
        PhonemeMap map = SentinelMap();
        EXPECT_NE(LoadPhonemeMap(map, dir_.Write("huge.xml", MapFile(Phoneme("phoneme=\"x\" id=\"5\"",
                                                                             AllParameters(value))))),
                  S_OK);
    }
    PhonemeMap map = SentinelMap();
    ASSERT_EQ(LoadPhonemeMap(map, dir_.Write("big.xml", MapFile(Phoneme("phoneme=\"x\" id=\"5\"",
                                                                       AllParameters("3e38"))))),
              S_OK);
    EXPECT_EQ(map[4][MouthParameter::MouthOpen], 3e38f);
}

// Hex, infinity and not-a-number are not numbers in a map file: like any
// other letters they load as 0.0, or as the digits in front of them.
TEST_F(PhonemeMapFileTest, HexInfinityAndNanLoadAsTheirDecimalPrefix) {
    const std::vector<std::pair<std::string, float>> cases = {
        {"nan", 0.0f}, {"-inf", 0.0f}, {"Infinity", 0.0f}, {"0x1A", 0.0f}, {"0x1p4", 0.0f}, {"7nan", 7.0f}};
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        PhonemeMap map = SentinelMap();
        ASSERT_EQ(LoadPhonemeMap(map, dir_.Write("letters.xml", MapFile(Phoneme("phoneme=\"x\" id=\"5\"",
                                                                                AllParameters(value))))),
                  S_OK);
        for (MouthParameter p : kMouthParameterFileOrder) EXPECT_EQ(map[4][p], expected);
    }
}

TEST_F(PhonemeMapFileTest, MalformedFilesFailQuietlyAndChangeNothing) {
    std::string garbage(1 << 16, '\0');
    unsigned seed = 99;
    for (char& c : garbage) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    std::string tenMegabytes = "<MAPPINGS>" + Phoneme("phoneme=\"q\" id=\"1\"", AllParameters("1"));
    while (tenMegabytes.size() < 10'000'000) tenMegabytes += "<PHONEME phoneme=\"z\" id=\"48\"><MouthWidth>";
    const std::vector<std::string> files = {
        dir_.Write("text.xml", "this is not XML at all"),
        dir_.Write("garbage.xml", garbage),
        dir_.Write("empty.xml", ""),
        dir_.Write("two-roots.xml", "<MAPPINGS/><MAPPINGS/>"),
        dir_.Write("ten-mb.xml", tenMegabytes),
        (dir_.Path() / "does-not-exist.xml").string(),
        dir_.Path().string(),
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        PhonemeMap map = SentinelMap();
        EXPECT_NE(LoadPhonemeMap(map, file), S_OK);
        EXPECT_EQ(map, SentinelMap());
    }
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeMapFileTest, ASaveThatCannotBeWrittenFailsQuietly) {
    PhonemeMap map;
    ASSERT_EQ(LoadPhonemeMap(map), S_OK);
    EXPECT_NE(SavePhonemeMap(map, (dir_.Path() / "no folder" / "map.xml").string()), S_OK);
    EXPECT_NE(SavePhonemeMap(map, ""), S_OK);
    const std::string existing = dir_.Write("keep.xml", "previous");
    EXPECT_NE(SavePhonemeMap(map, dir_.Path().string()), S_OK);  // a folder is no file
    EXPECT_EQ(ReadFile(existing), "previous");
    EXPECT_TRUE(prompts_.Messages().empty());
}

}  // namespace
}  // namespace lipsmith
