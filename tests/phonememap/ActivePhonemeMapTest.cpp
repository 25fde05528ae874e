#include "ActivePhonemeMap.h"

#include <gtest/gtest.h>

#include "MapTestSupport.h"
#include "PhonemeMapFile.h"
#include "ScriptedPrompts.h"
#include "Settings.h"

namespace lipsmith {
namespace {

using namespace lipsmith::testing;

class ActivePhonemeMapTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadPhonemeMap(builtIn_), S_OK); }
    void SetMapFile(const std::string& path) {
        RegKey key;
        ASSERT_EQ(key.Create(kSettingsHive, kSettingsKey, store_), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString(kMapFileValue, path), ERROR_SUCCESS);
    }

    TempDir dir_;
    RegistryStore store_{(dir_.Path() / "registry").string()};
    ScriptedPrompts prompts_;
    ScopedPrompts usePrompts_{prompts_};
    PhonemeMap builtIn_;
};

TEST_F(ActivePhonemeMapTest, WithoutMapFileTheBuiltInMapIsUsed) {
    PhonemeMap map = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(map, store_), S_OK);
    EXPECT_EQ(map, builtIn_);
    EXPECT_TRUE(prompts_.Messages().empty());
    EXPECT_EQ(store_.OpenKey(kSettingsHive, kSettingsKey), ERROR_SUCCESS);  // created on demand

    SetMapFile("");  // an empty name is no file
    map = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(map, store_), S_OK);
    EXPECT_EQ(map, builtIn_);
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(ActivePhonemeMapTest, TheMapFileIsLoadedWhenItLoads) {
    PhonemeMap custom = builtIn_;
    custom[9][MouthParameter::MouthWidth] = 12.0f;
    const std::string path = (dir_.Path() / "custom map.xml").string();
    ASSERT_EQ(SavePhonemeMap(custom, path), S_OK);
    SetMapFile(path);
    PhonemeMap map = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(map, store_), S_OK);
    EXPECT_EQ(map, custom);
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(ActivePhonemeMapTest, AMapFileThatFailsRevertsToTheBuiltInMapWithOneWarning) {
    const std::string missing = (dir_.Path() / "gone.xml").string();
    SetMapFile(missing);
    PhonemeMap map = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(map, store_), S_OK);
    EXPECT_EQ(map, builtIn_);
    ASSERT_EQ(prompts_.Messages().size(), 1u);
    EXPECT_EQ(prompts_.Messages()[0].text,
              "Failed to open default phoneme map file '" + missing + "'. Reverting to default settings.");
    EXPECT_EQ(prompts_.Messages()[0].caption, "Lipsmith");
    EXPECT_EQ(prompts_.Messages()[0].type, MB_OK | MB_ICONWARNING);

    // A file that fails part way: its mapping error, then the warning; no trace of it stays.
    prompts_.Clear();
    const std::string broken = dir_.Write("broken%s.xml", "<MAPPINGS><PHONEME phoneme=\"aa\" id=\"10\">"
                                                          "<MouthWidth>99</MouthWidth></PHONEME></MAPPINGS>");
    SetMapFile(broken);
    map = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(map, store_), S_OK);
    EXPECT_EQ(map, builtIn_);
    EXPECT_EQ(prompts_.Texts(),
              (std::vector<std::string>{"There was an error mapping the phoneme map!",
                                        "Failed to open default phoneme map file '" + broken +
                                            "'. Reverting to default settings."}));
}

TEST_F(ActivePhonemeMapTest, ASettingsKeyThatCannotBeCreatedStopsTheStartUp) {
    dir_.Write("not a folder", "x");
    RegistryStore unwritable((dir_.Path() / "not a folder" / "registry").string());
    PhonemeMap map = SentinelMap();
    EXPECT_NE(FillActivePhonemeMap(map, unwritable), S_OK);
    EXPECT_EQ(map, SentinelMap());
    ASSERT_EQ(prompts_.Messages().size(), 1u);
    EXPECT_EQ(prompts_.Messages()[0].text, "Internal Error 8765.");
    EXPECT_EQ(prompts_.Messages()[0].type, MB_OK | MB_ICONERROR);
}

}  // namespace
}  // namespace lipsmith
