// The phoneme map editor's logic: whole-number boxes over the working copy,
// loading and saving map files, the default map file setting, and what each
// way of closing leaves in the active map.
#include "PhonemeSlg.h"

#include <gtest/gtest.h>

#include "MapTestSupport.h"
#include "PhonemeMapFile.h"
#include "ScriptedPrompts.h"
#include "Settings.h"
#include "ActivePhonemeMap.h"

namespace lipsmith {
namespace {

using namespace lipsmith::testing;

constexpr int kAa = 9;  // index of "aa"
constexpr int kOw = 34;  // index of "ow"

class PhonemeSlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadPhonemeMap(builtIn_), S_OK);
        active_ = builtIn_;
    }
    std::optional<std::string> MapFileSetting() {
        RegKey key;
        std::string value;
        if (key.Open(kSettingsHive, kSettingsKey, store_) != ERROR_SUCCESS) return std::nullopt;
        if (key.QueryString(kMapFileValue, value) != ERROR_SUCCESS) return std::nullopt;
        return value;
    }
    void SetMapFile(const std::string& path) {
        RegKey key;
        ASSERT_EQ(key.Create(kSettingsHive, kSettingsKey, store_), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString(kMapFileValue, path), ERROR_SUCCESS);
    }
    // A map file like the built-in map, with one value changed.
    std::string CustomFile(const std::string& name, int index, MouthParameter p, float value) {
        PhonemeMap map = builtIn_;
        map[static_cast<std::size_t>(index)][p] = value;
        const std::string path = (dir_.Path() / name).string();
        EXPECT_EQ(SavePhonemeMap(map, path), S_OK);
        return path;
    }
    PhonemeSlg& Open() {
        slg_ = std::make_unique<PhonemeSlg>(active_, store_);
        slg_->Open();
        return *slg_;
    }

    TempDir dir_;
    RegistryStore store_{(dir_.Path() / "registry").string()};
    ScriptedPrompts prompts_;
    ScopedPrompts usePrompts_{prompts_};
    PhonemeMap builtIn_;
    PhonemeMap active_;
    std::unique_ptr<PhonemeSlg> slg_;
};

TEST_F(PhonemeSlgTest, SelectingShowsWholeNumbersAndKeepsThemWithoutMarkingModified) {
    active_[kAa][MouthParameter::MouthOpen] = 12.75f;
    active_[kAa][MouthParameter::LipTension] = 12.25f;
    active_[kAa][MouthParameter::MouthWidth] = 1e30f;
    PhonemeSlg& slg = Open();
    EXPECT_FALSE(slg.Selected());
    EXPECT_EQ(slg.BoxValue(MouthParameter::MouthOpen), 0);
    EXPECT_EQ(slg.Symbols()[kAa], "aa");
    EXPECT_EQ(slg.Symbols()[2], "word boundry");

    slg.SelectPhoneme(kAa);
    EXPECT_EQ(slg.BoxValue(MouthParameter::MouthOpen), 13);
    EXPECT_EQ(slg.BoxValue(MouthParameter::LipTension), 12);
    EXPECT_EQ(slg.BoxValue(MouthParameter::MouthWidth), INT_MAX);  // never an overflowed number
    EXPECT_EQ(slg.WorkingCopy()[kAa][MouthParameter::MouthOpen], 13.0f);
    EXPECT_EQ(slg.WorkingCopy()[kAa][MouthParameter::LipTension], 12.0f);
    EXPECT_FALSE(slg.Modified());
    // Only the working copy: the active map keeps its value.
    EXPECT_EQ(active_[kAa][MouthParameter::MouthOpen], 12.75f);
    // Other phonemes are untouched until shown.
    EXPECT_EQ(slg.WorkingCopy()[kOw], active_[kOw]);
}

TEST_F(PhonemeSlgTest, EditingABoxStoresItsWholeNumberOrZeroWhenCleared) {
    PhonemeSlg& slg = Open();
    slg.EditBox(MouthParameter::MouthOpen, "55");  // no phoneme yet: nothing is stored
    EXPECT_FALSE(slg.Modified());
    EXPECT_EQ(slg.WorkingCopy(), active_);

    slg.SelectPhoneme(kOw);
    slg.EditBox(MouthParameter::MouthOpen, "");
    EXPECT_EQ(slg.WorkingCopy()[kOw][MouthParameter::MouthOpen], 0.0f);
    EXPECT_TRUE(slg.Modified());
    slg.EditBox(MouthParameter::LowerLipPullback, "81");
    EXPECT_EQ(slg.WorkingCopy()[kOw][MouthParameter::LowerLipPullback], 81.0f);
    EXPECT_EQ(slg.SelectedParameters()[static_cast<int>(MouthParameter::LowerLipPullback)], 81.0f);
    EXPECT_EQ(active_, builtIn_);
}

TEST_F(PhonemeSlgTest, OpeningReloadsTheDefaultFileOrSaysWhyItCannot) {
    const std::string path = CustomFile("default.xml", kOw, MouthParameter::MouthOpen, 77.0f);
    SetMapFile(path);
    PhonemeSlg& slg = Open();
    EXPECT_EQ(slg.CurrentFile(), path);
    EXPECT_EQ(slg.DefaultFile(), path);
    EXPECT_EQ(slg.CurrentFileBox(), path);
    EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 77.0f);
    // The working copy was taken before the reload.
    EXPECT_EQ(slg.WorkingCopy()[kOw][MouthParameter::MouthOpen], 70.0f);

    // A default file that breaks half way leaves the active map whole.
    const std::string broken = dir_.Write(
        "broken.xml",
        "<MAPPINGS><PHONEME phoneme=\"aa\" id=\"10\"><MouthWidth>1</MouthWidth><MouthPuckered>1</MouthPuckered>"
        "<MouthOpen>1</MouthOpen><LowerLipPullback>1</LowerLipPullback><MouthUpturn>1</MouthUpturn>"
        "<TeethUpperVisible>1</TeethUpperVisible><TeethLowerVisible>1</TeethLowerVisible>"
        "<TonguePosition>1</TonguePosition><LipTension>1</LipTension><MouthDownturn>1</MouthDownturn></PHONEME>"
        "<PHONEME phoneme=\"ae\"/></MAPPINGS>");
    SetMapFile(broken);
    const PhonemeMap before = active_;
    PhonemeSlg& again = Open();
    EXPECT_EQ(active_, before);
    EXPECT_EQ(again.CurrentFile(), "");
    EXPECT_EQ(again.DefaultFile(), "");
    EXPECT_EQ(again.CurrentFileBox(), "Error loading " + broken +
                                          ". Using defaults. \r\nLoad a new file or press 'Reset Defaults'.");
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeSlgTest, LoadReplacesTheActiveMapAndTheWorkingCopyOnlyWhenTheFileLoads) {
    PhonemeSlg& slg = Open();
    slg.SelectPhoneme(kOw);
    slg.EditBox(MouthParameter::MouthOpen, "5");

    prompts_.QueueFileResult(dir_.Write("bad.xml", "<MAPPINGS><PHONEME id=\"10\"/>"));
    slg.Load();
    ASSERT_EQ(prompts_.Texts(), std::vector<std::string>{kMsgMapLoadFailed});
    EXPECT_EQ(prompts_.Messages()[0].type, MB_OK | MB_ICONWARNING);
    const RecordedFileDialog open = prompts_.FileDialogs()[0];
    EXPECT_FALSE(open.request.save);
    EXPECT_EQ(open.request.filter, "Phoneme File(*.xml)|*.xml||");
    EXPECT_EQ(open.request.defaultExtension, "XML");
    EXPECT_EQ(open.request.initialName, "*.xml");
    EXPECT_TRUE(open.request.hideReadOnly);
    EXPECT_EQ(active_, builtIn_);
    EXPECT_TRUE(slg.Modified());
    EXPECT_EQ(slg.WorkingCopy()[kOw][MouthParameter::MouthOpen], 5.0f);

    const std::string path = CustomFile("other.xml", kOw, MouthParameter::MouthOpen, 33.4f);
    prompts_.QueueFileResult(path);
    slg.Load();
    EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 33.4f);
    EXPECT_EQ(slg.CurrentFile(), path);
    EXPECT_EQ(slg.CurrentFileBox(), path);
    EXPECT_EQ(slg.DefaultFile(), "");
    EXPECT_FALSE(slg.Modified());
    // The shown phoneme is shown again, in whole numbers.
    EXPECT_EQ(slg.BoxValue(MouthParameter::MouthOpen), 33);
    EXPECT_EQ(slg.WorkingCopy()[kOw][MouthParameter::MouthOpen], 33.0f);
}

TEST_F(PhonemeSlgTest, SaveWithoutAFileAsksForOneAndAFailedSaveKeepsTheEdits) {
    PhonemeSlg& slg = Open();
    slg.SelectPhoneme(kOw);
    slg.EditBox(MouthParameter::MouthOpen, "64");
    EXPECT_FALSE(slg.Save());  // the save dialog, cancelled
    ASSERT_EQ(prompts_.FileDialogs().size(), 1u);
    EXPECT_TRUE(prompts_.FileDialogs()[0].request.save);
    EXPECT_TRUE(prompts_.FileDialogs()[0].request.overwritePrompt);
    EXPECT_TRUE(slg.Modified());

    const std::string unwritable = (dir_.Path() / "no such folder" / "map.xml").string();
    prompts_.QueueFileResult(unwritable);
    EXPECT_FALSE(slg.Save());
    EXPECT_EQ(prompts_.Texts(), std::vector<std::string>{"The phoneme map could not be saved to '" + unwritable + "'."});
    EXPECT_TRUE(slg.Modified());
    EXPECT_EQ(slg.CurrentFile(), "");

    const std::string path = (dir_.Path() / "saved.xml").string();
    prompts_.QueueFileResult(path);
    EXPECT_TRUE(slg.Save());
    EXPECT_EQ(slg.CurrentFile(), path);
    EXPECT_FALSE(slg.Modified());
    PhonemeMap read = builtIn_;
    ASSERT_EQ(LoadPhonemeMap(read, path), S_OK);
    EXPECT_EQ(read[kOw][MouthParameter::MouthOpen], 64.0f);
    // "&Save" with a file writes there without asking.
    slg.EditBox(MouthParameter::MouthOpen, "65");
    EXPECT_TRUE(slg.Save());
    EXPECT_EQ(prompts_.FileDialogs().size(), 3u);
}

TEST_F(PhonemeSlgTest, SetAsDefaultWithoutAFileAsksToSaveFirstAndCancelLeavesTheSetting) {
    const std::string previous = CustomFile("previous.xml", kOw, MouthParameter::MouthOpen, 71.0f);
    SetMapFile(previous);
    PhonemeSlg& slg = Open();
    slg.ResetDefaults();  // no file now, and no setting
    SetMapFile(previous);
    slg.SetAsDefault();
    EXPECT_EQ(prompts_.Texts(), std::vector<std::string>{kMsgSaveBeforeDefault});
    EXPECT_EQ(prompts_.Messages()[0].type, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(prompts_.FileDialogs().size(), 1u);
    EXPECT_EQ(MapFileSetting(), previous);
    EXPECT_EQ(slg.DefaultFile(), "");
}

TEST_F(PhonemeSlgTest, SetAsDefaultWritesTheSettingAndReloadsTheActiveMapFromTheFile) {
    PhonemeSlg& slg = Open();
    slg.SelectPhoneme(kOw);
    slg.EditBox(MouthParameter::MouthOpen, "90");
    const std::string path = (dir_.Path() / "mine.xml").string();
    prompts_.QueueFileResult(path);
    slg.SetAsDefault();  // saves first: the edit is in the file
    EXPECT_EQ(MapFileSetting(), path);
    EXPECT_EQ(slg.DefaultFile(), path);
    EXPECT_EQ(slg.CurrentFileBox(), path);
    EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 90.0f);

    // With a file, unsaved edits stay out of the active map.
    slg.EditBox(MouthParameter::MouthOpen, "10");
    slg.SetAsDefault();
    EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 90.0f);
    EXPECT_TRUE(slg.Modified());

    // The next start-up of the editor uses the file.
    PhonemeMap next = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(next, store_), S_OK);
    EXPECT_EQ(next[kOw][MouthParameter::MouthOpen], 90.0f);
}

TEST_F(PhonemeSlgTest, ResetDefaultsForgetsTheDefaultFileForThisAndTheNextStartUp) {
    const std::string path = CustomFile("default.xml", kOw, MouthParameter::MouthOpen, 77.0f);
    SetMapFile(path);
    PhonemeSlg& slg = Open();
    slg.SelectPhoneme(kOw);
    slg.EditBox(MouthParameter::MouthOpen, "3");
    slg.ResetDefaults();
    EXPECT_EQ(MapFileSetting(), std::nullopt);
    EXPECT_EQ(slg.CurrentFile(), "");
    EXPECT_EQ(slg.DefaultFile(), "");
    EXPECT_EQ(slg.CurrentFileBox(), "");
    EXPECT_EQ(active_, builtIn_);
    EXPECT_EQ(slg.BoxValue(MouthParameter::MouthOpen), 70);
    EXPECT_TRUE(slg.Modified());  // the mark keeps its state

    PhonemeMap next = SentinelMap();
    EXPECT_EQ(FillActivePhonemeMap(next, store_), S_OK);
    EXPECT_EQ(next, builtIn_);
}

TEST_F(PhonemeSlgTest, ClosingAfterAnEditAsksAndEachAnswerDoesWhatItSays) {
    const std::string path = CustomFile("default.xml", kOw, MouthParameter::MouthOpen, 77.0f);
    SetMapFile(path);
    {
        PhonemeSlg& slg = Open();
        const PhonemeMap before = active_;
        slg.SelectPhoneme(kOw);
        slg.EditBox(MouthParameter::MouthOpen, "12");
        prompts_.QueueAnswer(IDCANCEL);
        EXPECT_FALSE(slg.Close());
        EXPECT_EQ(prompts_.Texts(), std::vector<std::string>{kMsgMapSaveChanges});
        EXPECT_EQ(prompts_.Messages()[0].type, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
        EXPECT_TRUE(slg.Modified());
        EXPECT_EQ(slg.WorkingCopy()[kOw][MouthParameter::MouthOpen], 12.0f);

        prompts_.QueueAnswer(IDNO);
        EXPECT_TRUE(slg.Close());
        EXPECT_EQ(active_, before);
    }
    {
        // Yes, saved into the default file: the edits are the active map.
        prompts_.Clear();
        PhonemeSlg& slg = Open();
        slg.SelectPhoneme(kOw);
        slg.EditBox(MouthParameter::MouthOpen, "13");
        prompts_.QueueAnswer(IDYES);
        EXPECT_TRUE(slg.Close());
        EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 13.0f);
        EXPECT_EQ(prompts_.Texts().size(), 1u);
    }
    {
        // Yes into another file: asked whether it becomes the default.
        prompts_.Clear();
        PhonemeSlg& slg = Open();
        slg.SelectPhoneme(kOw);
        slg.EditBox(MouthParameter::MouthOpen, "14");
        const std::string other = (dir_.Path() / "other.xml").string();
        prompts_.QueueFileResult(other);
        EXPECT_TRUE(slg.SaveAs());
        slg.EditBox(MouthParameter::MouthOpen, "15");
        prompts_.QueueAnswer(IDYES);  // save
        prompts_.QueueAnswer(IDNO);   // not the default
        EXPECT_TRUE(slg.Close());
        EXPECT_EQ(prompts_.Texts(), (std::vector<std::string>{kMsgMapSaveChanges, kMsgAnotherDefault}));
        EXPECT_EQ(prompts_.Messages()[1].type, MB_YESNO | MB_ICONEXCLAMATION);
        EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 13.0f);
        EXPECT_EQ(MapFileSetting(), path);
    }
}

TEST_F(PhonemeSlgTest, ClosingWithAnotherFileThanTheDefaultOffersToMakeItTheDefault) {
    PhonemeSlg& slg = Open();
    const std::string path = CustomFile("loaded.xml", kOw, MouthParameter::MouthOpen, 44.0f);
    prompts_.QueueFileResult(path);
    slg.Load();
    active_ = builtIn_;  // as if something else had set the active map back
    prompts_.QueueAnswer(IDYES);
    EXPECT_TRUE(slg.Close());
    EXPECT_EQ(prompts_.Texts(), std::vector<std::string>{kMsgAnotherDefault});
    EXPECT_EQ(MapFileSetting(), path);
    EXPECT_EQ(active_[kOw][MouthParameter::MouthOpen], 44.0f);

    // Nothing loaded, nothing edited, no default: closes without a word.
    prompts_.Clear();
    PhonemeSlg& plain = Open();
    plain.ResetDefaults();
    EXPECT_TRUE(plain.Close());
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(PhonemeSlgTest, NoSettingsKeyIsReportedAndTheEditorStillWorks) {
    // A store whose file is a folder cannot hold the key (the store says
    // so first).
    RegistryStore broken((dir_.Path()).string());
    PhonemeSlg slg(active_, broken);
    slg.Open();
    ASSERT_FALSE(prompts_.Messages().empty());
    EXPECT_EQ(prompts_.Messages().back().text, kMsgMapSettingsKeyFailed);
    EXPECT_EQ(prompts_.Messages().back().type, MB_OK | MB_ICONERROR);
    slg.SelectPhoneme(kOw);
    EXPECT_EQ(slg.BoxValue(MouthParameter::MouthOpen), 70);
}

}  // namespace
}  // namespace lipsmith
