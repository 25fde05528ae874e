// Undo and redo of a run's sound with the real speech server: the session
// runs in this process on the demo rig, as the editor runs it.
#include <gtest/gtest.h>

#include "DemoScene.h"
#include "E2ESupport.h"
#include "FileUtil.h"
#include "Hold.h"
#include "KeyControl.h"
#include "Plugins.h"
#include "ScriptDlg.h"
#include "ScriptedPrompts.h"
#include "SpeechController.h"
#include "SpeechSession.h"

namespace lipsmith::e2e {
namespace {

std::vector<TimeValue> KeyTimes(const char* nodeName, int track) {
    std::vector<TimeValue> out;
    INode* node = GetCOREInterface()->GetINodeByName(nodeName);
    auto* c = AsSpeechController(node->GetTrackController(track));
    IKeyControl* ikc = GetKeyControlInterface(c->GetKeyTrack());
    for (int i = 0; ikc && i < ikc->GetNumKeys(); ++i) {
        IBezFloatKey k;
        ikc->GetKey(i, &k);
        out.push_back(k.time);
    }
    return out;
}

class UndoEndToEnd : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        ASSERT_EQ(RunProgram({LIPSMITH_TTS_PROGRAM, "-RegServer"}).status, 0);
        std::string error;
        ASSERT_TRUE(LoadControllerPlugins(&error)) << error;
        ASSERT_TRUE(BuildDemoScene(ip, &error)) << error;
        session = std::make_unique<SpeechSession>(editor, ip);
        ASSERT_EQ(session->Start(), S_OK) << ::testing::PrintToString(prompts.Texts());
        session->waveOutputPath = Path("out.wav");
        session->options.generateScratchTrack = true;
    }
    void TearDown() override {
        session.reset();
        theHold.ClearUndo();
        ip.ResetScene();
        EndToEnd::TearDown();
    }
    void Run(const std::string& text) {
        editor.SetColoredScript(AnimScript({{"Head", text}}), false);
        session->SpeechToAnimRun();
        ASSERT_EQ(editor.Output().errorCount, 0) << editor.Output().Text();
    }

    Interface& ip = *GetCOREInterface();
    ScriptedPrompts prompts;
    ScopedPrompts usePrompts{prompts};
    ScriptDlg editor;
    std::unique_ptr<SpeechSession> session;
};

TEST_F(UndoEndToEnd, UndoRestoresThePreviousWaveAndRedoTheMergedOne) {
    Run("The first line.");
    const std::string previous = ReadFile(Path("out.wav"));
    ASSERT_GT(previous.size(), 1000u);
    const std::vector<TimeValue> keysBefore = KeyTimes("Head", 0);

    session->options.enableUndo = true;
    session->options.inFrame = 30;
    editor.replaceMode = 0;
    Run("And a second one.");
    const std::string merged = ReadFile(Path("out.wav"));
    ASSERT_GT(merged.size(), previous.size());
    ASSERT_FALSE(session->undoWaveFile.empty());
    EXPECT_EQ(DirectoryOf(session->undoWaveFile), dir);
    const std::vector<TimeValue> keysAfter = KeyTimes("Head", 0);
    ASSERT_NE(keysAfter, keysBefore);

    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(ReadFile(Path("out.wav")), previous);
    IWaveSound* sound = GetWaveSoundInterface(ip.GetSoundObject());
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->GetSoundFileName(), Path("out.wav"));
    EXPECT_EQ(sound->GetStartTime(), 0);
    EXPECT_EQ(KeyTimes("Head", 0), keysBefore);

    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(ReadFile(Path("out.wav")), merged);
    EXPECT_EQ(KeyTimes("Head", 0), keysAfter);
    sound = GetWaveSoundInterface(ip.GetSoundObject());
    EXPECT_EQ(sound->GetSoundFileName(), Path("out.wav"));
    EXPECT_EQ(sound->GetStartTime(), 0);
}

}  // namespace
}  // namespace lipsmith::e2e
