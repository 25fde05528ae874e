// The studio's scene document and explorer edits, through the host core and
// with the user's answers scripted.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "SceneDocument.h"
#include "SceneEdits.h"
#include "SceneFile.h"
#include "ScriptedPrompts.h"
#include "SpeechController.h"
#include "SpeechRig.h"

using namespace lipsmith;
using namespace lipsmith::studio;

namespace {

class Document : public ::testing::Test {
protected:
    void SetUp() override {
        ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
        ip.ResetScene();
        SetSaveRequiredFlag(FALSE);
    }
    void TearDown() override {
        ip.ResetScene();
        SetSaveRequiredFlag(FALSE);
        for (const std::string& p : made) std::remove(p.c_str());
    }
    std::string Path(const std::string& name) {
        made.push_back(::testing::TempDir() + "/doc_" + std::to_string(::getpid()) + "_" + name);
        return made.back();
    }
    Interface& ip = *GetCOREInterface();
    ScriptedPrompts prompts;
    ScopedPrompts use{prompts};
    std::vector<std::string> made;
};

SpeechController* Speech(INode* node, ChannelId ch, float value) {
    auto* c = new SpeechController();
    c->channel = ch;
    node->AddTrack(ChannelName(ch), c);
    c->SetValueLocalTime(0, &value);
    return c;
}

}  // namespace

TEST_F(Document, ADamagedSceneShowsTheLoadersMessageAndKeepsTheCurrentOne) {
    ip.CreateNode("Keep Me");
    const std::string good = Path("good.lsc");
    SceneDocument doc(ip);
    ASSERT_TRUE(doc.SaveTo(good));
    EXPECT_EQ(doc.Path(), good);

    const std::string damaged = Path("damaged.lsc");
    std::string bytes;
    {
        std::FILE* f = std::fopen(good.c_str(), "rb");
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
        std::fclose(f);
    }
    bytes.resize(bytes.size() / 2);  // cut in the middle
    std::FILE* f = std::fopen(damaged.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    EXPECT_FALSE(doc.Open(damaged));
    ASSERT_EQ(prompts.Messages().size(), 1u);
    std::string loaderMessage;
    {
        Interface other;
        EXPECT_FALSE(LoadScene(other, damaged, &loaderMessage));
    }
    EXPECT_EQ(prompts.Messages()[0].text, loaderMessage);
    EXPECT_EQ(prompts.Messages()[0].caption, "Lipsmith");
    EXPECT_NE(ip.GetINodeByName("Keep Me"), nullptr);
    EXPECT_EQ(doc.Path(), good);
}

TEST_F(Document, UnsavedChangesAreAskedAboutBeforeTheyGo) {
    SceneDocument doc(ip);
    EXPECT_TRUE(doc.New());  // nothing to ask
    EXPECT_TRUE(prompts.Messages().empty());
    EXPECT_EQ(doc.Title(), "Untitled - Lipsmith Studio");

    ASSERT_TRUE(AddNode(ip, nullptr, "Head"));
    EXPECT_EQ(doc.Title(), "Untitled* - Lipsmith Studio");
    prompts.QueueAnswer(IDCANCEL);
    EXPECT_FALSE(doc.New());
    EXPECT_NE(ip.GetINodeByName("Head"), nullptr);
    EXPECT_EQ(prompts.Texts().back(), "Save changes to Untitled?");

    prompts.QueueAnswer(IDYES);              // save ...
    prompts.QueueFileResult(std::nullopt);   // ... but cancel the file dialog: nothing is lost
    EXPECT_FALSE(doc.New());
    EXPECT_NE(ip.GetINodeByName("Head"), nullptr);

    const std::string path = Path("saved.lsc");
    prompts.QueueAnswer(IDYES);
    prompts.QueueFileResult(path);
    EXPECT_TRUE(doc.New());
    EXPECT_EQ(ip.GetINodeByName("Head"), nullptr);
    Interface reread;
    std::string error;
    ASSERT_TRUE(LoadScene(reread, path, &error)) << error;
    EXPECT_NE(reread.GetINodeByName("Head"), nullptr);

    ASSERT_TRUE(AddNode(ip, nullptr, "Scratch"));
    prompts.QueueAnswer(IDNO);
    EXPECT_TRUE(doc.New());
    EXPECT_EQ(ip.GetINodeByName("Scratch"), nullptr);
}

TEST_F(Document, ASaveThatFailsSaysSoAndLeavesTheFileAlone) {
    SceneDocument doc(ip);
    ip.CreateNode("Head");
    EXPECT_FALSE(doc.SaveTo("/nonexistent-folder/scene.lsc"));
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_NE(prompts.Messages()[0].text.find("Cannot save the scene to '/nonexistent-folder/scene.lsc'"),
              std::string::npos);
    EXPECT_EQ(doc.Path(), "");
}

TEST_F(Document, ExplorerEditsRefuseWhatCannotBeDone) {
    INode* head = nullptr;
    ASSERT_TRUE(AddNode(ip, nullptr, "Head", &head));
    EXPECT_EQ(UniqueNodeName(ip, "Head"), "Head01");
    EXPECT_EQ(UniqueNodeName(ip, "Jaw"), "Jaw");
    EXPECT_FALSE(AddNode(ip, nullptr, "  "));
    EXPECT_FALSE(RenameNode(head, ""));
    EXPECT_TRUE(RenameNode(head, "Face"));
    EXPECT_STREQ(head->GetName(), "Face");

    ASSERT_TRUE(AddFloatTrack(head, "Smile"));
    EXPECT_EQ(AddFloatTrack(head, "Smile").error, "The node has a track named 'Smile' already.");
    EXPECT_EQ(UniqueTrackName(head, "Smile"), "Smile 2");

    ClassDesc* speech = ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID);
    ASSERT_TRUE(AssignController(head, 0, speech));
    EXPECT_NE(AsSpeechController(head->GetTrackController(0)), nullptr);
    EXPECT_FALSE(AssignController(head, 5, speech));
    ClassDesc* node = ClassDirectory::Get().FindClass(BASENODE_CLASS_ID, NODE_CLASS_ID);
    EXPECT_FALSE(AssignController(head, 0, node));
    EXPECT_NE(AsSpeechController(head->GetTrackController(0)), nullptr);  // unchanged

    const std::vector<ClassDesc*> classes = FloatControllerClasses();
    EXPECT_NE(std::find(classes.begin(), classes.end(), speech), classes.end());
    EXPECT_NE(std::find(classes.begin(), classes.end(),
                        ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, BEZIER_FLOAT_CLASS_ID)),
              classes.end());

    INode* jaw = nullptr;
    ASSERT_TRUE(AddNode(ip, head, "Jaw", &jaw));
    ASSERT_TRUE(DeleteNode(ip, head));
    EXPECT_FALSE(NodeInScene(ip.GetRootNode(), jaw));
    EXPECT_FALSE(DeleteNode(ip, head));  // gone already
    EXPECT_FALSE(AddNode(ip, head, "Orphan"));
}

TEST_F(Document, TheRigTakesEachChannelFromTheFirstControllerOnTheNodeThenBelowIt) {
    INode* head = ip.CreateNode("Head");
    INode* jaw = ip.CreateNode("Jaw", head);
    Speech(head, 1, 40.0f);
    Speech(jaw, 2, 70.0f);   // the jaw opens the mouth
    Speech(jaw, 1, 99.0f);   // the head's own width comes first
    SpeechController* blink = Speech(head, 11, 1.0f);
    blink->ScalarOf(11) = 50;
    head->AddTrack("Other", NewDefaultFloatController());
    const RigValues rig = EvaluateRig(head, 0);
    EXPECT_EQ(rig.controllers, 3);
    EXPECT_FLOAT_EQ(rig.values[0], 40.0f);
    EXPECT_FLOAT_EQ(rig.values[1], 70.0f);
    EXPECT_FLOAT_EQ(rig.values[10], 0.5f);  // the scalar applies
    EXPECT_FALSE(rig.present[13]);
    EXPECT_EQ(FirstSpeakingNode(ip.GetRootNode()), head);
    EXPECT_EQ(EvaluateRig(nullptr, 0).controllers, 0);
}
