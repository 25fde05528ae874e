#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "BezierFloat.h"
#include "ChunkStream.h"
#include "TestObjects.h"

using lipsmith::BezierFloatControl;

namespace {

std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "/hostcore_" + std::to_string(::getpid()) + "_" + name;
}

std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A float track of a class no plug-in provides.
class ForeignControl : public BezierFloatControl {
public:
    Class_ID ClassID() override { return Class_ID(0x12345678, 0x9ABCDEF0); }
};

// A float track whose data cannot be written.
class FailingControl : public BezierFloatControl {
public:
    IOResult Save(ISave*) override { return IO_ERROR; }
};

IBezFloatKey Key(TimeValue t, float v) { return MakeKey(t, v); }

// Head (two tracks sharing one controller) > Jaw (keys); Narrator; a sound.
void BuildScene(Interface& ip) {
    ip.ResetScene();
    ip.SetFrameRate(25);
    ip.SetTime(480);
    INode* head = ip.CreateNode("Head");
    Control* shared = NewDefaultFloatController();
    head->AddTrack("Left", shared);
    head->AddTrack("Right", shared);
    head->AddTrack("Empty");
    INode* jaw = ip.CreateNode("Jaw \"lower\"", head);
    Control* keys = NewDefaultFloatController();
    IKeyControl* ikc = GetKeyControlInterface(keys);
    for (int i = 0; i < 50; ++i) {
        IBezFloatKey k = Key(i * 160, static_cast<float>(i) / 10.0f);
        ikc->AppendKey(&k);
    }
    keys->SetORT(ORT_OSCILLATE, ORT_AFTER);
    jaw->AddTrack("Mouth Open", keys);
    ip.CreateNode("Narrator");
    SoundObj* snd = NewDefaultSoundObj();
    GetWaveSoundInterface(snd)->SetSoundFileName("/nowhere/dialogue.wav");
    GetWaveSoundInterface(snd)->SetStartTime(320);
    ip.SetSoundObject(snd);
}

class SceneFileTest : public ::testing::Test {
protected:
    void SetUp() override { BuildScene(ip); }
    void TearDown() override {
        std::remove(path.c_str());
        ip.ResetScene();
    }
    Interface& ip = *GetCOREInterface();
    std::string path = TempPath("scene.lsc");
    std::string error;
};

}  // namespace

TEST_F(SceneFileTest, SavedSceneLoadsBackTheSame) {
    ASSERT_TRUE(lipsmith::SaveScene(ip, path, &error)) << error;
    ip.ResetScene();
    ASSERT_TRUE(lipsmith::LoadScene(ip, path, &error)) << error;
    EXPECT_EQ(ip.GetFrameRate(), 25);
    EXPECT_EQ(ip.GetTime(), 480);
    INode* root = ip.GetRootNode();
    ASSERT_EQ(root->NumberOfChildren(), 2);
    INode* head = root->GetChildNode(0);
    EXPECT_STREQ(head->GetName(), "Head");
    ASSERT_EQ(head->NumTracks(), 3);
    EXPECT_STREQ(head->TrackName(1), "Right");
    EXPECT_EQ(head->GetTrackController(0), head->GetTrackController(1));  // still shared
    EXPECT_EQ(head->GetTrackController(2), nullptr);
    INode* jaw = head->GetChildNode(0);
    EXPECT_STREQ(jaw->GetName(), "Jaw \"lower\"");
    Control* keys = jaw->GetTrackController(0);
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(GetKeyControlInterface(keys)->GetNumKeys(), 50);
    EXPECT_EQ(keys->GetORT(ORT_AFTER), ORT_OSCILLATE);
    EXPECT_FLOAT_EQ(ValueAt(keys, 160 * 7), 0.7f);
    EXPECT_STREQ(root->GetChildNode(1)->GetName(), "Narrator");
    IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
    EXPECT_EQ(ws->GetSoundFileName(), "/nowhere/dialogue.wav");
    EXPECT_EQ(ws->GetStartTime(), 320);
}

TEST_F(SceneFileTest, FailedSaveKeepsThePreviousFile) {
    ASSERT_TRUE(lipsmith::SaveScene(ip, path, &error));
    const auto before = ReadBytes(path);
    ip.CreateNode("Broken")->AddTrack("x", new FailingControl());
    EXPECT_FALSE(lipsmith::SaveScene(ip, path, &error));
    EXPECT_NE(error.find("could not be written"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_FALSE(lipsmith::SaveScene(ip, "/nonexistent-dir/x.lsc", &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.lsc"), std::string::npos);
}

TEST_F(SceneFileTest, UnknownClassIsRefusedByName) {
    ip.CreateNode("Other")->AddTrack("x", new ForeignControl());
    ASSERT_TRUE(lipsmith::SaveScene(ip, path, &error));
    INode* rootBefore = ip.GetRootNode();
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("0x12345678, 0x9ABCDEF0"), std::string::npos) << error;
    EXPECT_EQ(ip.GetRootNode(), rootBefore);  // the open scene stays
}

TEST_F(SceneFileTest, NotASceneOrMissingFileIsRefused) {
    WriteBytes(path, {'h', 'e', 'l', 'l', 'o', '!', '!', '!', '!'});
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("not a Lipsmith scene file"), std::string::npos) << error;
    EXPECT_FALSE(lipsmith::LoadScene(ip, path + ".none", &error));
    EXPECT_NE(error.find("Cannot open"), std::string::npos) << error;
    std::vector<char> future = {'L', 'S', 'C', 'N', 9, 0, 0, 0};
    WriteBytes(path, future);
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("format version 9"), std::string::npos) << error;
}

TEST_F(SceneFileTest, WrongChunkSizesAreDamage) {
    ASSERT_TRUE(lipsmith::SaveScene(ip, path, &error));
    auto bytes = ReadBytes(path);
    // The scene information chunk comes first after the 8-byte header.
    auto info = bytes;
    info[10] = 3;  // length 3 instead of 20
    WriteBytes(path, info);
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    auto huge = bytes;
    huge[13] = 0x10;  // the first object claims megabytes
    huge[14] = 0x7F;
    WriteBytes(path, huge);
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("claims"), std::string::npos) << error;
    bytes.resize(bytes.size() - 3);
    WriteBytes(path, bytes);
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
}

TEST_F(SceneFileTest, ReferenceLoopsAreDamage) {
    // Two nodes whose tracks refer to each other.
    lipsmith::ChunkWriter w;
    w.WriteRaw("LSCN", 4);
    std::uint32_t version = 1;
    w.WriteRaw(&version, 4);
    std::int32_t info[5] = {160, 0, 0, 100, 2};
    ULONG n;
    w.BeginChunk(0x0001);
    w.Write(info, sizeof info, &n);
    w.EndChunk();
    for (int i = 0; i < 2; ++i) {
        w.BeginChunk(0x0010);
        std::uint32_t cls[3] = {BASENODE_CLASS_ID, 1, 0};
        w.BeginChunk(0x0011);
        w.Write(cls, sizeof cls, &n);
        w.EndChunk();
        w.BeginChunk(0x0012);
        w.BeginChunk(0x0110);
        w.WriteCString("track");
        w.EndChunk();
        w.EndChunk();
        std::int32_t refs[2] = {1, 1 - i};
        w.BeginChunk(0x0013);
        w.Write(refs, sizeof refs, &n);
        w.EndChunk();
        w.EndChunk();
    }
    std::int32_t root = 0;
    w.BeginChunk(0x0020);
    w.Write(&root, 4, &n);
    w.EndChunk();
    const auto& b = w.Bytes();
    WriteBytes(path, std::vector<char>(b.begin(), b.end()));
    EXPECT_FALSE(lipsmith::LoadScene(ip, path, &error));
    EXPECT_NE(error.find("loop"), std::string::npos) << error;
}

TEST_F(SceneFileTest, CorruptedFilesNeverCrash) {
    ASSERT_TRUE(lipsmith::SaveScene(ip, path, &error));
    const auto good = ReadBytes(path);
    std::mt19937 rng(1234);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        auto bytes = good;
        if (round % 3 == 0) {
            bytes.resize(rng() % bytes.size());
        } else {
            for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0; --flips) {
                bytes[rng() % bytes.size()] = static_cast<char>(rng());
            }
        }
        WriteBytes(path, bytes);
        error.clear();
        if (!lipsmith::LoadScene(ip, path, &error)) {
            ++refused;
            EXPECT_FALSE(error.empty());
            continue;
        }
        // Whatever loaded must be usable: walk the tree and evaluate every track.
        std::vector<INode*> nodes{ip.GetRootNode()};
        while (!nodes.empty()) {
            INode* n = nodes.back();
            nodes.pop_back();
            for (int i = 0; i < n->NumberOfChildren(); ++i) nodes.push_back(n->GetChildNode(i));
            for (int i = 0; i < n->NumTracks(); ++i) {
                if (Control* c = n->GetTrackController(i)) {
                    for (TimeValue t : {-100, 0, 777, 100000}) ValueAt(c, t);
                }
            }
        }
    }
    EXPECT_GT(refused, 100);
}
