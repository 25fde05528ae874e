#include <gtest/gtest.h>

#include <cmath>

#include "DemoScene.h"
#include "SceneJson.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

class HostSceneTest : public ::testing::Test {
protected:
    void SetUp() override { ClassDirectory::Get().AddClass(GetSpeechControllerDesc()); }
    void TearDown() override {
        GetCOREInterface()->ResetScene();
        ClassDirectory::Get().RemoveClass(GetSpeechControllerDesc());
    }
    Interface& ip = *GetCOREInterface();
};

}  // namespace

TEST(Json, StringsAreEscaped) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(JsonString("a\nb\tc\r\x01"), "\"a\\nb\\tc\\r\\u0001\"");
    EXPECT_EQ(JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");  // UTF-8 passes through
    EXPECT_EQ(JsonString("caf\xE9"), "\"caf\\u00e9\"");       // a lone Latin-1 byte
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\"");  // no surrogates
    EXPECT_EQ(JsonString(std::string("a\0b", 3)), "\"a\\u0000b\"");
}

TEST(Json, FloatsAreShortAndExact) {
    EXPECT_EQ(JsonFloat(0.25f), "0.25");
    EXPECT_EQ(JsonFloat(1.5f), "1.5");
    EXPECT_EQ(JsonFloat(0.1f), "0.1");
    EXPECT_EQ(JsonFloat(-3.0f), "-3");
    EXPECT_EQ(JsonFloat(std::nanf("")), "null");
    EXPECT_EQ(JsonFloat(INFINITY), "null");
}

TEST_F(HostSceneTest, DemoSceneHasTheRigOfTheCommandLine) {
    std::string error;
    ASSERT_TRUE(BuildDemoScene(ip, &error)) << error;
    EXPECT_EQ(ip.GetFrameRate(), 30);
    INode* head = ip.GetINodeByName("Head");
    INode* jaw = ip.GetINodeByName("Jaw");
    INode* narrator = ip.GetINodeByName("Narrator");
    ASSERT_TRUE(head && jaw && narrator);
    EXPECT_EQ(jaw->GetParentNode(), head);
    EXPECT_EQ(head->NumTracks(), 14);
    for (int i = 0; i < 14; ++i) {
        SpeechController* c = AsSpeechController(head->SubAnim(i));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->channel, i + 1);
        EXPECT_STREQ(head->TrackName(i), ChannelName(i + 1));
    }
    ASSERT_EQ(jaw->NumTracks(), 1);
    EXPECT_STREQ(jaw->TrackName(0), "Mouth Open");
    EXPECT_EQ(AsSpeechController(jaw->SubAnim(0))->channel, 2);
    EXPECT_EQ(narrator->NumTracks(), 10);
}

TEST_F(HostSceneTest, JsonListsNodesDepthFirstWithKeysAndNotes) {
    std::string error;
    ASSERT_TRUE(BuildDemoScene(ip, &error));
    SpeechController* open = AsSpeechController(ip.GetINodeByName("Jaw")->SubAnim(0));
    float v = 0.5f;
    open->SetFirstKeyFlag(1);
    open->SetValueLocalTime(160, &v);
    open->AddNote(160, "aa \"open\"");
    open->ScalarOf(2) = 80;
    const std::string json = SceneToJson(ip);
    EXPECT_EQ(json.rfind("{\n  \"fps\": 30,\n  \"ticksPerFrame\": 160,", 0), 0u);
    EXPECT_EQ(Count(json, "\"channel\": "), 25);
    EXPECT_EQ(Count(json, "\"parent\": null"), 2);
    EXPECT_EQ(Count(json, "\"parent\": \"Head\""), 1);
    EXPECT_LT(json.find("\"name\": \"Head\""), json.find("\"name\": \"Jaw\""));
    EXPECT_LT(json.find("\"name\": \"Jaw\""), json.find("\"name\": \"Narrator\""));
    EXPECT_NE(json.find("{\"t\": 160, \"v\": 0.5, \"flags\": 5744, \"inLen\": 0.25, \"outLen\": 0.25}"),
              std::string::npos);
    EXPECT_NE(json.find("{\"t\": 160, \"text\": \"aa \\\"open\\\"\"}"), std::string::npos);
    EXPECT_NE(json.find("\"scalars\": [100, 80, 100"), std::string::npos);
    ip.ResetScene();
    EXPECT_EQ(SceneToJson(ip), "{\n  \"fps\": 30,\n  \"ticksPerFrame\": 160,\n  \"nodes\": []\n}\n");
}

TEST_F(HostSceneTest, ControllersAreFoundInnerFirstInSubAnimOrder) {
    INode* n = ip.CreateNode("Rig");
    auto* outer = new SpeechController();
    auto* inner = new SpeechController();
    inner->channel = 9;
    outer->ReplaceReference(kKeyTrackRef, inner);  // a speech controller driving another one
    n->AddTrack("Plain", NewDefaultFloatController());
    n->AddTrack("Outer", outer);
    std::vector<std::string> found;
    ForEachSpeechController(n, [&](const std::string& track, SpeechController* c) {
        found.push_back(track + ":" + std::to_string(c->channel));
    });
    EXPECT_EQ(found, (std::vector<std::string>{"Mouth Width:9", "Outer:1"}));
}
