#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "TestObjects.h"

namespace {

struct Recorder : TimeChangeCallback {
    std::vector<TimeValue> seen;
    Interface* unregisterFrom = nullptr;
    void TimeChanged(TimeValue t) override {
        seen.push_back(t);
        if (unregisterFrom) unregisterFrom->UnRegisterTimeChangeCallback(this);
    }
};

// A mono 16-bit wave file of `seconds` at 22050 Hz.
std::string WriteWave(double seconds) {
    const std::uint32_t rate = 22050, bytes = static_cast<std::uint32_t>(seconds * rate) * 2;
    std::string path = ::testing::TempDir() + "/hostcore_" + std::to_string(::getpid()) + ".wav";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    auto u32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    std::vector<char> zeros(bytes, 0);
    std::fwrite(zeros.data(), 1, zeros.size(), f);
    std::fclose(f);
    return path;
}

}  // namespace

TEST(Interface, OneInterfaceWithARootNodeAndDefaults) {
    Interface* ip = GetCOREInterface();
    ASSERT_EQ(ip, GetCOREInterface());
    ip->ResetScene();
    ASSERT_NE(ip->GetRootNode(), nullptr);
    EXPECT_TRUE(ip->GetRootNode()->IsRootNode());
    EXPECT_EQ(ip->GetFrameRate(), 30);
    EXPECT_EQ(ip->GetTicksPerFrame(), 160);
    EXPECT_TRUE(ip->SetFrameRate(25));
    EXPECT_EQ(ip->GetTicksPerFrame(), 192);
    EXPECT_FALSE(ip->SetFrameRate(0));
    EXPECT_FALSE(ip->SetTicksPerFrame(5000));
    EXPECT_EQ(ip->GetTicksPerFrame(), 192);
    ip->ResetScene();
    EXPECT_EQ(ip->GetFrameRate(), 30);
    EXPECT_NE(std::string(ip->GetDir(APP_MAXROOT_DIR)), "");
    EXPECT_EQ(std::string(ip->GetDir(99)), "");
    SetSaveRequiredFlag(TRUE);
    EXPECT_TRUE(GetSaveRequiredFlag());
    SetSaveRequiredFlag(FALSE);
}

TEST(Interface, TimeChangeCallbacksHearChangesOnly) {
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    Recorder a, b;
    ip.RegisterTimeChangeCallback(&a);
    ip.RegisterTimeChangeCallback(&b);
    b.unregisterFrom = &ip;  // leaves during its first call
    ip.SetTime(480);
    ip.SetTime(480);
    ip.SetTime(960);
    ip.UnRegisterTimeChangeCallback(&a);
    ip.SetTime(0);
    EXPECT_EQ(a.seen, (std::vector<TimeValue>{480, 960}));
    EXPECT_EQ(b.seen, (std::vector<TimeValue>{480}));
}

TEST(Interface, NodesFormATreeThatRefusesLoops) {
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* head = ip.CreateNode("Head");
    INode* jaw = ip.CreateNode("Jaw", head);
    INode* lip = ip.CreateNode("Lip", jaw);
    EXPECT_EQ(jaw->GetParentNode(), head);
    EXPECT_FALSE(lip->AttachChild(head));
    EXPECT_FALSE(head->AttachChild(ip.GetRootNode()));
    EXPECT_TRUE(ip.GetRootNode()->AttachChild(lip));
    EXPECT_EQ(jaw->NumberOfChildren(), 0);
    EXPECT_EQ(ip.GetINodeByName("Lip"), lip);
    EXPECT_EQ(ip.GetINodeByName("Nobody"), nullptr);
    TestListener global;
    RegisterGlobalReference(&global);
    head->SetName("Face");
    UnRegisterGlobalReference(&global);
    EXPECT_EQ(global.Count(REFMSG_NODE_NAMECHANGE), 1);
    ip.DeleteNode(head);
    EXPECT_EQ(ip.GetRootNode()->NumberOfChildren(), 1);
}

TEST(Interface, TracksTakeFloatControllersAndAnnounceReplacement) {
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* n = ip.CreateNode("Head");
    int track = n->AddTrack("Mouth Open", NewDefaultFloatController());
    EXPECT_EQ(n->NumSubs(), 1);
    EXPECT_EQ(n->SubAnimName(track), "Mouth Open");
    EXPECT_EQ(n->FindTrack("Mouth Open"), 0);
    TestListener global;
    RegisterGlobalReference(&global);
    EXPECT_TRUE(n->AssignController(track, NewDefaultFloatController()));
    Control* spare = NewDefaultFloatController();
    EXPECT_FALSE(n->AssignController(5, spare));  // no such track: the caller keeps it
    spare->DeleteThis();
    UnRegisterGlobalReference(&global);
    EXPECT_EQ(global.Count(REFMSG_CONTROLREF_CHANGE), 1);
    ip.ResetScene();
}

TEST(Interface, NotificationsByCode) {
    Interface& ip = *GetCOREInterface();
    static int calls;
    calls = 0;
    auto proc = [](void* param, NotifyInfo* info) { calls += *static_cast<int*>(param) * info->intcode; };
    int weight = 1;
    ip.RegisterNotification(proc, &weight, NOTIFY_FILE_PRE_OPEN);
    ip.RegisterNotification(proc, &weight, NOTIFY_FILE_PRE_OPEN);
    ip.BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    ip.BroadcastNotification(NOTIFY_SCENE_NODES_CHANGED);
    ip.UnRegisterNotification(proc, &weight, NOTIFY_FILE_PRE_OPEN);
    ip.BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    EXPECT_EQ(calls, NOTIFY_FILE_PRE_OPEN);
}

TEST(Sound, WaveSoundLastsAsLongAsItsFile) {
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
    ASSERT_NE(ws, nullptr);
    EXPECT_EQ(ws->GetSoundFileName(), "");
    EXPECT_EQ(ws->GetStartTime(), ws->GetEndTime());
    const std::string wav = WriteWave(1.5);
    SoundObj* snd = NewDefaultSoundObj();
    IWaveSound* w2 = GetWaveSoundInterface(snd);
    EXPECT_TRUE(w2->SetSoundFileName(wav));
    w2->SetStartTime(960);
    EXPECT_EQ(w2->GetEndTime(), 960 + 7200);
    ip.SetSoundObject(snd);
    EXPECT_EQ(ip.GetSoundObject(), snd);
    EXPECT_FALSE(w2->SetSoundFileName(wav + ".missing"));
    EXPECT_EQ(w2->GetSoundFileName(), wav + ".missing");
    EXPECT_EQ(w2->GetEndTime(), 960);
    ip.SetSoundObject(nullptr);  // back to an empty default one
    EXPECT_NE(GetWaveSoundInterface(ip.GetSoundObject()), nullptr);
    std::remove(wav.c_str());
}
