#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "../hostcore/TestObjects.h"
#include "ChunkStream.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

std::vector<std::uint8_t> SaveController(SpeechController* c) {
    ChunkWriter w;
    w.BeginChunk(0x0001);
    EXPECT_EQ(c->Save(&w), IO_OK);
    w.EndChunk();
    return w.Bytes();
}

// A chunk list of (id, payload bytes) wrapped in one outer chunk.
std::vector<std::uint8_t> ChunkList(const std::vector<std::pair<USHORT, std::vector<std::uint8_t>>>& chunks) {
    ChunkWriter w;
    w.BeginChunk(0x0001);
    for (const auto& [id, data] : chunks) {
        ULONG n;
        w.BeginChunk(id);
        if (!data.empty()) w.Write(data.data(), static_cast<ULONG>(data.size()), &n);
        w.EndChunk();
    }
    w.EndChunk();
    return w.Bytes();
}

std::vector<std::uint8_t> Int(std::int32_t v) {
    std::vector<std::uint8_t> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
}

IOResult LoadInto(SpeechController* c, const std::vector<std::uint8_t>& bytes) {
    ChunkReader r(bytes.data(), 0, bytes.size());
    EXPECT_EQ(r.OpenChunk(), IO_OK);
    return c->Load(&r);
}

struct Fresh {
    Fresh() : c(new SpeechController(TRUE)) {}
    ~Fresh() { c->DeleteThis(); }
    SpeechController* c;
};

}  // namespace

TEST(Persistence, NoteDataFirstThenSeventeenChunksInTheirOrder) {
    auto* c = new SpeechController();
    c->channel = 9;
    c->active = 0;
    for (int ch = 1; ch <= 14; ++ch) c->ScalarOf(ch) = ch * 10;
    c->AddNote(5, "aa");
    auto bytes = SaveController(c);
    c->DeleteThis();
    ChunkReader r(bytes.data(), 0, bytes.size());
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    std::vector<USHORT> ids;
    std::vector<std::int32_t> values;
    while (r.OpenChunk() == IO_OK) {
        ids.push_back(r.CurChunkID());
        if (r.CurChunkID() >= 0x0863 && r.CurChunkID() <= 0x0873) {
            EXPECT_EQ(r.CurChunkLength(), 4u);
            std::int32_t v;
            ULONG n;
            r.Read(&v, 4, &n);
            values.push_back(v);
        }
        r.CloseChunk();
    }
    ASSERT_EQ(ids.size(), 18u);
    EXPECT_TRUE(ids[0] < 0x0863 || ids[0] > 0x0873);  // the note track's own data
    const std::vector<USHORT> order = {0x0863, 0x0864, 0x0865, 0x0866, 0x0868, 0x0869, 0x086A, 0x086B, 0x086C,
                                       0x0867, 0x086D, 0x086E, 0x086F, 0x0870, 0x0871, 0x0872, 0x0873};
    EXPECT_EQ(std::vector<USHORT>(ids.begin() + 1, ids.end()), order);
    const std::vector<std::int32_t> expected = {1, 9, 20, 10, 40, 50, 60, 70, 80, 30, 90, 0, 100, 110, 120, 130, 140};
    EXPECT_EQ(values, expected);
}

TEST(Persistence, NewControllerLoadsBackWithDefaultsAndNeverValidity) {
    auto* c = new SpeechController();
    auto bytes = SaveController(c);
    c->DeleteThis();
    Fresh f;
    ASSERT_EQ(LoadInto(f.c, bytes), IO_OK);
    EXPECT_EQ(f.c->channel, 1);
    EXPECT_EQ(f.c->active, 1);
    for (int s : f.c->scalar) EXPECT_EQ(s, 100);
    EXPECT_EQ(f.c->validity, NEVER);
    EXPECT_EQ(f.c->GetReference(0), nullptr);  // the host restores the tracks
}

TEST(Persistence, PartialAndUnknownChunks) {
    Fresh only;
    ASSERT_EQ(LoadInto(only.c, ChunkList({{0x0864, Int(11)}})), IO_OK);
    EXPECT_EQ(only.c->channel, 11);
    EXPECT_EQ(only.c->active, 1);
    EXPECT_EQ(only.c->ScalarOf(11), 100);

    Fresh mixed;
    ASSERT_EQ(LoadInto(mixed.c, ChunkList({{0x0865, Int(-40)}, {0x4242, Int(7)}, {0x086E, Int(0)}})), IO_OK);
    EXPECT_EQ(mixed.c->ScalarOf(2), -40);
    EXPECT_EQ(mixed.c->active, 0);

    Fresh odd;  // channels are taken as stored
    ASSERT_EQ(LoadInto(odd.c, ChunkList({{0x0864, Int(99)}})), IO_OK);
    EXPECT_EQ(odd.c->channel, 99);
    EXPECT_EQ(odd.c->SubAnimName(1), "This should not happen...");
}

TEST(Persistence, ReadErrorStopsLoadingAfterTheFailingChunk) {
    Fresh f;
    auto bytes = ChunkList({{0x0864, Int(4)}, {0x0865, {1, 2}}, {0x0866, Int(5)}});
    EXPECT_EQ(LoadInto(f.c, bytes), IO_ERROR);
    EXPECT_EQ(f.c->channel, 4);         // read before
    EXPECT_EQ(f.c->ScalarOf(2), 100);   // the short chunk
    EXPECT_EQ(f.c->ScalarOf(1), 100);   // after it
}

TEST(Persistence, LoadedVersionIsWrittenByLaterSaves) {
    Fresh f;
    ASSERT_EQ(LoadInto(f.c, ChunkList({{0x0863, Int(3)}})), IO_OK);
    EXPECT_EQ(SpeechControllerSaveVersion(), 3);
    Fresh g;
    ASSERT_EQ(LoadInto(g.c, ChunkList({{0x0863, Int(1)}})), IO_OK);
    EXPECT_EQ(SpeechControllerSaveVersion(), 1);
}

TEST(Persistence, SceneRoundTripKeepsChannelDataKeysAndNotesButNotOutOfRangeTypes) {
    ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* head = ip.CreateNode("Head");
    auto* c = new SpeechController();
    c->channel = 12;
    c->active = 0;
    c->ScalarOf(12) = 75;
    c->ScalarOf(3) = -5;
    c->SetORT(ORT_LINEAR, ORT_AFTER);
    for (int i = 0; i < 20; ++i) {
        float v = static_cast<float>(i) / 20.0f;
        c->SetFirstKeyFlag(i == 0);
        c->SetValueLocalTime(i * 100, &v);
        c->AddNote(i * 100, i % 2 ? "aa" : "k");
    }
    head->AddTrack("Right Eye Blink", c);
    const std::string path = ::testing::TempDir() + "/controller_" + std::to_string(::getpid()) + ".lsc";
    std::string error;
    ASSERT_TRUE(SaveScene(ip, path, &error)) << error;
    ip.ResetScene();
    ASSERT_TRUE(LoadScene(ip, path, &error)) << error;
    std::remove(path.c_str());
    SpeechController* back = AsSpeechController(ip.GetINodeByName("Head")->SubAnim(0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->channel, 12);
    EXPECT_EQ(back->active, 0);
    EXPECT_EQ(back->ScalarOf(12), 75);
    EXPECT_EQ(back->ScalarOf(3), -5);
    EXPECT_EQ(back->validity, NEVER);
    EXPECT_EQ(back->GetORT(ORT_AFTER), ORT_CONSTANT);
    IKeyControl* ikc = GetKeyControlInterface(back->GetKeyTrack());
    ASSERT_EQ(ikc->GetNumKeys(), 20);
    IBezFloatKey k;
    ikc->GetKey(0, &k);
    EXPECT_EQ(k.flags, 0x04F0u);
    ikc->GetKey(19, &k);
    EXPECT_EQ(k.time, 1900);
    EXPECT_FLOAT_EQ(k.val, 0.95f);
    auto* nt = static_cast<DefNoteTrack*>(back->GetNoteTrack());
    ASSERT_EQ(nt->keys.Count(), 20);
    EXPECT_EQ(nt->keys[1]->note, "aa");
    Interval valid = FOREVER;
    float v;
    back->GetValue(500, &v, valid);
    EXPECT_EQ(valid, NEVER);
    ip.ResetScene();
    ClassDirectory::Get().RemoveClass(GetSpeechControllerDesc());
}

// A damaged scene can make one speech controller the key track of another
// that the node also holds. Freeing the node then frees the first, which lets
// go of the second while the node is half destroyed: the second's deletion
// message must not reach the node.
TEST(Persistence, AControllerHeldAsAnotherControllersKeyTrackIsFreedSafely) {
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* head = ip.CreateNode("Head");
    auto* inner = new SpeechController();
    inner->channel = 2;
    auto* outer = new SpeechController();
    outer->channel = 1;
    // The node lets go of its last track first: the outer controller.
    head->AddTrack("Inner", inner);
    head->AddTrack("Outer", outer);
    ASSERT_EQ(outer->ReplaceReference(kKeyTrackRef, inner), REF_SUCCEED);
    EXPECT_EQ(outer->GetKeyTrack(), inner);
    ip.ResetScene();  // no crash, no leak (the sanitizer build checks both)
    EXPECT_EQ(ip.GetINodeByName("Head"), nullptr);
}

TEST(Persistence, DamagedControllerScenesAreRefusedOrUsable) {
    ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* head = ip.CreateNode("Head");
    for (ChannelId ch = 1; ch <= 14; ++ch) {
        auto* c = new SpeechController();
        c->channel = ch;
        for (int i = 0; i < 5; ++i) {
            float v = 0.5f;
            c->SetValueLocalTime(i * 160, &v);
            c->AddNote(i * 160, "ow");
        }
        head->AddTrack(ChannelName(ch), c);
    }
    const std::string path = ::testing::TempDir() + "/controller_fuzz_" + std::to_string(::getpid()) + ".lsc";
    std::string error;
    ASSERT_TRUE(SaveScene(ip, path, &error)) << error;
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> good((std::istreambuf_iterator<char>(in)), {});
    std::mt19937 rng(99);
    for (int round = 0; round < 150; ++round) {
        auto bytes = good;
        for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips)
            bytes[rng() % bytes.size()] = static_cast<char>(rng());
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!LoadScene(ip, path, &error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        INode* n = ip.GetINodeByName("Head");
        for (int i = 0; n && i < n->NumSubs(); ++i) {
            if (SpeechController* c = AsSpeechController(n->SubAnim(i))) {
                float v = 0.3f;
                Interval valid;
                c->GetValue(100, &v, valid);
                c->SetValueLocalTime(2000, &v);
                c->AddNote(2000, "x");
                c->DeleteTimeBoth(0, 100);
                c->ScaleTimeRange(0, 1000, 0.5f);
                (void)c->SubAnimName(1);
            }
        }
    }
    std::remove(path.c_str());
    ip.ResetScene();
    ClassDirectory::Get().RemoveClass(GetSpeechControllerDesc());
}
