// The utility's shell and the script editor's core without windows: the
// reference messages that keep the actor list right, the editor's start-up
// steps and settings, the save prompt, modes, the In Frame lock and the
// actors tree's labels.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "ActivePhonemeMap.h"
#include "PhonemeMapFile.h"
#include "ScriptRtfReader.h"
#include "UtilityFixture.h"
#include "UtilityResource.h"
#include "UtilityPanel.h"
#include "VoiceList.h"

namespace lipsmith::testing {
namespace {

class UtilityCore : public ::testing::Test {
protected:
    void SetUp() override {
        ip.ResetScene();
        ip.SetFrameRate(30);
        SetSetting(kMapFileValue, "");
        SetSetting(kWaveFileValue, "");
        utility.SetWindows(nullptr);
        utility.SetEngineFactory([this](std::unique_ptr<ITTS>* out) {
            engine = new ReckonedEngine();
            engine->checkResult = recognizer;
            out->reset(engine);
            return S_OK;
        });
        head = ip.CreateNode("Head");
        mouth = AddController(head, 2);
        prompts.Clear();
    }
    void TearDown() override {
        panel.CloseUtility();
        utility.DestroyEditor();
        ip.ResetScene();
    }
    ScriptEditor& OpenEditor() {
        panel.OpenUtility(GetSpeechUtilityDesc());
        utility.PageInitialised();  // what the first page does without windows
        return *utility.Editor();
    }

    Interface& ip = *GetCOREInterface();
    SpeechUtility& utility = TheSpeechUtility();
    UtilityPanel panel{ip};
    ScriptedPrompts prompts;
    ScopedPrompts usePrompts{prompts};
    ReckonedEngine* engine = nullptr;
    HRESULT recognizer = S_OK;
    INode* head = nullptr;
    SpeechController* mouth = nullptr;
};

TEST_F(UtilityCore, DescriptorAndStringsAreThoseTheHostLists) {
    ClassDesc2* d = GetSpeechUtilityDesc();
    EXPECT_EQ(d->SuperClassID(), UTILITY_CLASS_ID);
    EXPECT_EQ(d->ClassID(), Class_ID(0x742CB5D5, 0x7EDD7E7E));
    EXPECT_STREQ(d->ClassName(), "Lipsmith");
    EXPECT_STREQ(d->Category(), "Tarnwick Works");
    EXPECT_STREQ(d->InternalName(), "Lipsmith");
    EXPECT_EQ(d->Create(FALSE), d->Create(TRUE));  // one static object
    EXPECT_EQ(d->Create(FALSE), static_cast<void*>(static_cast<UtilityObj*>(&utility)));
    EXPECT_EQ(std::string(GetUtilityString(IDS_LIBDESCRIPTION)).rfind("Lipsmith Utility Plugin. ", 0), 0u);
}

TEST_F(UtilityCore, TheEditorIsMadeOnceAndOutlivesClosingTheUtility) {
    ScriptEditor& first = OpenEditor();
    first.Dlg().SetColoredScript("<_ANIM_/>", true);
    panel.CloseUtility();
    EXPECT_FALSE(utility.IsOpen());
    ASSERT_EQ(utility.Editor(), &first);
    OpenEditor();
    EXPECT_EQ(utility.Editor(), &first);
    EXPECT_EQ(first.Script().Text(), "<_ANIM_/>");
    // Closing asked once (without Cancel) about the unsaved script.
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].type & 0xF, MB_YESNO);
}

TEST_F(UtilityCore, StartUpReadsTheSettingsAndListsTheActors) {
    SetSetting(kWaveFileValue, "/tmp/out.wav");
    ScriptEditor& e = OpenEditor();
    EXPECT_EQ(e.Session().waveOutputPath, "/tmp/out.wav");
    ASSERT_EQ(e.Actors().Items().size(), 1u);
    EXPECT_EQ(e.Actors().Items()[0].label, "Head");
    EXPECT_EQ(e.Actors().Items()[0].children[0].label, "Mouth Open");
    EXPECT_TRUE(prompts.Messages().empty());
    PhonemeMap builtIn{};
    ASSERT_EQ(LoadPhonemeMap(builtIn), S_OK);
    EXPECT_EQ(e.Session().ActiveMap(), builtIn);
}

TEST_F(UtilityCore, AMissingMapFileWarnsOnceAndTheBuiltInMapIsUsed) {
    SetSetting(kMapFileValue, "/no/such/map.xml");
    ScriptEditor& e = OpenEditor();
    ASSERT_EQ(prompts.Texts(), std::vector<std::string>{
                                   "Failed to open default phoneme map file '/no/such/map.xml'. Reverting to default settings."});
    EXPECT_EQ(prompts.Messages()[0].type & 0xF0, MB_ICONWARNING);
    PhonemeMap builtIn{};
    ASSERT_EQ(LoadPhonemeMap(builtIn), S_OK);
    EXPECT_EQ(e.Session().ActiveMap(), builtIn);
    panel.CloseUtility();
    OpenEditor();  // the same editor: no second warning
    EXPECT_EQ(prompts.Messages().size(), 1u);
}

TEST_F(UtilityCore, AnEngineThatCannotStartSaysSoAndStopsTheStartUp) {
    SetSetting(kWaveFileValue, "/tmp/out.wav");
    utility.SetEngineFactory([](std::unique_ptr<ITTS>*) { return CO_E_SERVER_EXEC_FAILURE; });
    ScriptEditor& e = OpenEditor();
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to start speech engine. Please reinstall Lipsmith."});
    EXPECT_TRUE(e.Actors().Items().empty());
    EXPECT_TRUE(e.Session().waveOutputPath.empty());
    EXPECT_FALSE(e.SwitchMode(EditorMode::Phrase));  // no engine, no recognizer
}

TEST_F(UtilityCore, ReferenceMessagesKeepTheActorListRight) {
    ScriptEditor& e = OpenEditor();
    // A new controller placed on a track: created, then the node's
    // reference changes, and the list is rebuilt.
    SpeechController* width = AddController(head, 1);
    ASSERT_NE(e.Actors().FindController(width), nullptr);
    // Channel change relabels (with the tree's own labels for 5 to 7).
    width->channel = 6;
    PartID part = reinterpret_cast<std::uintptr_t>(width);
    utility.NotifyRefChanged(FOREVER, width, part, REFMSG_SPEECH_CHANNEL);
    EXPECT_EQ(e.Actors().FindController(width)->label, "Teeth Lower Visible");
    width->channel = 12;
    utility.NotifyRefChanged(FOREVER, width, part, REFMSG_SPEECH_CHANNEL);
    EXPECT_EQ(e.Actors().FindController(width)->label, "Teeth Lower Visible");
    // Renaming the node.
    head->SetName("Face");
    EXPECT_EQ(e.Actors().Items()[0].label, "Face");
    EXPECT_NE(e.Session().Speakers().FindByName("Face"), nullptr);
    // Deleting a controller takes it out of the tree and the index at once.
    head->AssignController(head->FindTrack("Mouth Width"), nullptr);
    EXPECT_EQ(e.Actors().FindController(width), nullptr);
    ASSERT_EQ(e.Session().Speakers().Size(), 1u);
    EXPECT_EQ(e.Session().Speakers().Entries().front().controllers.size(), 1u);
    // A node that loses its last controller leaves the tree.
    head->AssignController(head->FindTrack("Mouth Open"), nullptr);
    EXPECT_TRUE(e.Actors().Items().empty());
    EXPECT_TRUE(e.Session().Speakers().Empty());
}

TEST_F(UtilityCore, AClonedControllerIsListedOnceItIsInTheScene) {
    ScriptEditor& e = OpenEditor();
    INode* jaw = ip.CreateNode("Jaw");
    auto* copy = static_cast<SpeechController*>(CloneRefHierarchy(mouth));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(e.Actors().Items().size(), 1u);  // not placed yet
    jaw->AddTrack("Mouth Open", nullptr);
    jaw->AssignController(0, copy);
    ASSERT_EQ(e.Actors().Items().size(), 2u);
    EXPECT_EQ(e.Actors().Items()[1].label, "Jaw");
}

TEST_F(UtilityCore, NotificationsCloseTheUtilityAndRebuildTheList) {
    ScriptEditor& e = OpenEditor();
    INode* other = ip.CreateNode("Narrator");
    AddController(other, 1);
    ip.BroadcastNotification(NOTIFY_SCENE_NODES_CHANGED);
    EXPECT_EQ(e.Actors().Items().size(), 2u);
    ip.BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    EXPECT_FALSE(utility.IsOpen());
    EXPECT_EQ(panel.OpenObject(), nullptr);
}

TEST_F(UtilityCore, DoubleClickTogglesAControllerAndTheSceneNeedsSaving) {
    ScriptEditor& e = OpenEditor();
    SetSaveRequiredFlag(FALSE);
    ASSERT_TRUE(e.ToggleActive(mouth));
    EXPECT_EQ(mouth->active, 0);
    EXPECT_EQ(e.Actors().FindController(mouth)->image, ActorImage::InactiveController);
    EXPECT_TRUE(GetSaveRequiredFlag());
    ASSERT_TRUE(e.ToggleActive(mouth));
    EXPECT_EQ(e.Actors().FindController(mouth)->image, ActorImage::ActiveController);
}

TEST_F(UtilityCore, SavePromptAsksOnlyForAModifiedScriptAndCancelStops) {
    ScriptEditor& e = OpenEditor();
    EXPECT_TRUE(e.SavePrompt(true));
    EXPECT_TRUE(prompts.Messages().empty());
    e.Script().TypeText("x");
    prompts.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(e.SavePrompt(true));
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "Do you wish to save changes to Untitled");
    EXPECT_EQ(prompts.Messages()[0].caption, "Lipsmith");
    EXPECT_EQ(prompts.Messages()[0].type, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    EXPECT_TRUE(e.Script().IsModified());
    prompts.QueueAnswer(IDNO);
    EXPECT_TRUE(e.SavePrompt(true));
    EXPECT_FALSE(e.Script().IsModified());
}

TEST_F(UtilityCore, SavingWritesTheFileAndAFailedSaveKeepsTheEditor) {
    ScriptEditor& e = OpenEditor();
    const std::string dir = ::testing::TempDir() + "utility_save";
    std::filesystem::create_directories(dir);
    e.Script().TypeText("<_ANIM_>ä\\</_ANIM_>");
    prompts.QueueAnswer(IDYES);
    prompts.QueueFileResult(dir + "/s.txt");
    EXPECT_TRUE(e.SavePrompt(true));
    EXPECT_EQ(e.Title(), dir + "/s.txt");
    EXPECT_FALSE(e.Script().IsModified());
    std::ifstream in(dir + "/s.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "<_ANIM_>ä\\</_ANIM_>");
    // Yes, then a save that cannot be written: the prompt counts as cancelled.
    e.Script().TypeText("!");
    e.Dlg().scriptPath = dir + "/missing/folder/s.txt";
    prompts.QueueAnswer(IDYES);
    EXPECT_FALSE(e.SavePrompt(true));
    EXPECT_TRUE(e.Script().IsModified());
    EXPECT_EQ(prompts.Messages().back().type & 0xF0, MB_ICONERROR);
    std::filesystem::remove_all(dir);
}

TEST_F(UtilityCore, LoadingColoursTheScriptAndClearsTheModifiedMark) {
    ScriptEditor& e = OpenEditor();
    const std::string path = ::testing::TempDir() + "utility_load.txt";
    std::ofstream(path) << "<actor node=\"a\\b\">Hi</actor>";
    prompts.QueueFileResult(path);
    ASSERT_TRUE(e.Load());
    EXPECT_EQ(e.Script().Text(), "<actor node=\"a\\b\">Hi</actor>");  // the backslash stays
    EXPECT_FALSE(e.Script().IsModified());
    EXPECT_EQ(e.Title(), path);
    EXPECT_EQ(e.Script().Runs(), ColorizedText(e.Script().Text()).colors.size() ? RunsOf(ColorizedText(e.Script().Text()).colors)
                                                                              : std::vector<ColorRun>{});
    EXPECT_EQ(e.Script().Colors()[13], TextColor::Red);  // inside the value
    EXPECT_EQ(e.Script().Colors()[0], TextColor::Blue);
    EXPECT_EQ(e.Script().Colors()[19], TextColor::Black);  // "Hi"
    // The request asked for script files.
    EXPECT_EQ(prompts.FileDialogs()[0].request.filter, "Lipsmith Script(*.txt)|*.txt||");
    EXPECT_TRUE(prompts.FileDialogs()[0].request.hideReadOnly);
    std::filesystem::remove(path);
}

TEST_F(UtilityCore, LockedInFrameFollowsTheTimeSliderRoundedHalfUp) {
    ScriptEditor& e = OpenEditor();
    ip.SetTicksPerFrame(160);
    ip.SetTime(250);
    e.SetInFrameLock(true);
    EXPECT_EQ(e.InFrame(), 2u);  // 250 / 160 = 1.56
    ip.SetTime(239);
    EXPECT_EQ(e.InFrame(), 1u);
    e.SetInFrameLock(false);
    ip.SetTime(800);
    EXPECT_EQ(e.InFrame(), 1u);
}

TEST_F(UtilityCore, PhraseModeForcesTheTwoBoxesAndGivesThemBack) {
    ScriptEditor& e = OpenEditor();
    e.SetOption(&RunOptions::enableUndo, false);
    e.SetOption(&RunOptions::generateScratchTrack, false);
    ASSERT_TRUE(e.SwitchMode(EditorMode::Phrase));
    EXPECT_TRUE(e.Options().enableUndo);
    EXPECT_TRUE(e.Options().generateScratchTrack);
    e.SetOption(&RunOptions::enableUndo, false);  // greyed: no effect
    EXPECT_TRUE(e.Options().enableUndo);
    ASSERT_TRUE(e.SwitchMode(EditorMode::TextToSpeech));
    EXPECT_FALSE(e.Options().enableUndo);
    EXPECT_FALSE(e.Options().generateScratchTrack);
}

TEST_F(UtilityCore, WithoutARecognizerTheModeStays) {
    recognizer = REGDB_E_CLASSNOTREG;
    ScriptEditor& e = OpenEditor();
    EXPECT_FALSE(e.SwitchMode(EditorMode::Phrase));
    EXPECT_EQ(e.Mode(), EditorMode::TextToSpeech);
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text.rfind("Failed to start speech recognition engine, mode cannot change.", 0), 0u);
    EXPECT_EQ(prompts.Messages()[0].type & 0xF0, MB_ICONERROR);
}

TEST_F(UtilityCore, AnInFrameWhoseStartTickDoesNotFitIsRefused) {
    ScriptEditor& e = OpenEditor();
    e.Session().waveOutputPath = ::testing::TempDir() + "never.wav";
    e.Dlg().SetColoredScript("<_ANIM_><actor node=\"Head\">Hi</actor></_ANIM_>", false);
    e.SetInFrame(100000000);
    e.RunCommand();
    EXPECT_TRUE(engine->speaks.empty());
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_NE(prompts.Messages()[0].text.find("out of range"), std::string::npos);
}

TEST_F(UtilityCore, ARunFromTheEditorKeysTheActorAndIsOneUndoStep) {
    ScriptEditor& e = OpenEditor();
    e.Session().waveOutputPath = ::testing::TempDir() + "run.wav";
    e.SetOption(&RunOptions::generateScratchTrack, false);
    e.SetOption(&RunOptions::enableUndo, true);
    e.Dlg().SetColoredScript("<_ANIM_><actor node=\"Head\">Hi</actor></_ANIM_>", false);
    engine->Say("Hi", {PhonemeEvent(2, 100), PhonemeEvent(3, 100)});
    theHold.ClearUndo();
    e.RunCommand();
    EXPECT_FALSE(e.Running());
    IKeyControl* keys = GetKeyControlInterface(mouth->GetKeyTrack());
    ASSERT_NE(keys, nullptr);
    EXPECT_GT(keys->GetNumKeys(), 0);
    EXPECT_EQ(theHold.UndoName(), "Speech to Anim");
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(keys->GetNumKeys(), 0);
}

TEST_F(UtilityCore, AScriptRepairedByTheParserGoesBackIntoTheEditor) {
    ScriptEditor& e = OpenEditor();
    e.Session().waveOutputPath = ::testing::TempDir() + "run.wav";
    e.Dlg().SetColoredScript("<actor node=\"Head\">Hi</actor>", false);
    e.RunCommand();
    EXPECT_EQ(e.Script().Text().rfind("<_ANIM_>", 0), 0u);
}

TEST_F(UtilityCore, ReplaceAllIsOneStepAndStopsAtTheEnd) {
    ScriptEditor& e = OpenEditor();
    e.Dlg().SetColoredScript("a <b x=\"a\"> a", false);
    e.Script().SetSelection(0, 0);
    FindOptions o;
    EXPECT_EQ(e.ReplaceAll("a", "aa", o), 3);  // the replacement holds the text: no endless loop
    EXPECT_EQ(e.Script().Text(), "aa <b x=\"aa\"> aa");
    EXPECT_EQ(e.Script().Colors()[9], TextColor::Red);  // kept the value's colour
    ASSERT_TRUE(e.Script().Undo());
    EXPECT_EQ(e.Script().Text(), "a <b x=\"a\"> a");
}

TEST(EditorLayout, HidingTheTreeGivesItsWidthToTheScript) {
    const EditorLayout shown = LayOutEditor(800, 500, 160, true);
    const EditorLayout hidden = LayOutEditor(800, 500, 160, false);
    EXPECT_EQ(shown.actors, (LayoutRect{800 - 160 - 13, 23, 160, 500 - 198}));
    EXPECT_EQ(shown.outputGroup, (LayoutRect{7, 325, 787, 125}));
    EXPECT_EQ(shown.script.width, 800 - 160 - 39);
    EXPECT_EQ(hidden.script.width, 800 - 26);
    EXPECT_EQ(hidden.script.x, shown.script.x);
    EXPECT_LT(shown.position.y + shown.position.height, shown.outputGroup.y);
    EXPECT_EQ(shown.keyCreation.width, 440);
}

TEST(VoiceList, OffersTheInstalledVoicesOfThePlatformVendor) {
    const std::vector<std::string> names = VoiceMenuNames();
    ASSERT_FALSE(names.empty()) << "no espeak-ng voices installed";
    EXPECT_NE(std::find(names.begin(), names.end(), "English (America)"), names.end());
}

}  // namespace
}  // namespace lipsmith::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string dir = ::testing::TempDir() + "lipsmith_utility.XXXXXX";
    if (!::mkdtemp(dir.data())) return 1;
    ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}
