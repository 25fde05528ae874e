#include <gtest/gtest.h>

#include "ChunkStream.h"
#include "TestObjects.h"

namespace {

std::vector<TimeValue> Times(DefNoteTrack* nt) {
    std::vector<TimeValue> out;
    for (int i = 0; i < nt->NumKeys(); ++i) out.push_back(nt->GetKeyTime(i));
    return out;
}

struct Notes {
    Notes() : nt(static_cast<DefNoteTrack*>(NewDefaultNoteTrack())) {}
    ~Notes() { nt->DeleteThis(); }
    DefNoteTrack* nt;
};

}  // namespace

TEST(NoteTrack, NewKeysGoBehindEqualAndEarlierTimes) {
    Notes n;
    n.nt->AddNewKey(100, 0);
    n.nt->AddNewKey(50, 0);
    n.nt->AddNewKey(100, 0);
    n.nt->keys[2]->note = "second at 100";
    EXPECT_EQ(Times(n.nt), (std::vector<TimeValue>{50, 100, 100}));
    EXPECT_EQ(n.nt->keys[2]->note, "second at 100");
    EXPECT_TRUE(n.nt->GetTimeRange(TIMERANGE_ALL).Empty());  // notes widen no range
}

TEST(NoteTrack, KeysChangedSortsStablyAfterDirectEdits) {
    Notes n;
    for (int t : {10, 20, 30}) n.nt->AddNewKey(t, 0);
    n.nt->keys[0]->note = "a";
    n.nt->keys[1]->note = "b";
    n.nt->keys[2]->note = "c";
    n.nt->keys[2]->time = 10;  // edited in place: now out of order
    EXPECT_FALSE(n.nt->keys.IsSorted());
    n.nt->keys.KeysChanged();
    EXPECT_EQ(n.nt->keys[0]->note, "a");
    EXPECT_EQ(n.nt->keys[1]->note, "c");
    EXPECT_TRUE(n.nt->keys.IsSorted());
}

TEST(NoteTrack, TimeEditsOnSortedAndUnsortedTables) {
    Notes n;
    for (int t : {0, 100, 200, 300}) n.nt->AddNewKey(t, 0);
    n.nt->InsertTime(100, 10);
    EXPECT_EQ(Times(n.nt), (std::vector<TimeValue>{0, 110, 210, 310}));
    n.nt->DeleteTime(Interval(110, 210), 0x1C00);
    EXPECT_EQ(Times(n.nt), (std::vector<TimeValue>{0, 310}));
    // A note appended out of order must still be found by later edits.
    n.nt->AddNewKey(400, 0);
    n.nt->keys[2]->time = 5;
    n.nt->DeleteTime(Interval(5, 5), 0x1C00);
    EXPECT_EQ(Times(n.nt), (std::vector<TimeValue>{0, 310}));
    n.nt->DeleteTime(Interval(0, 100), TIME_INCLEFT);  // slides later notes back
    EXPECT_EQ(Times(n.nt), (std::vector<TimeValue>{210}));
}

TEST(NoteTrack, SaveAndLoadKeepTextsTimesAndOrder) {
    Notes n;
    n.nt->AddNewKey(30, 0);
    n.nt->keys[0]->note = "aa";
    n.nt->AddNewKey(31, 0);
    n.nt->keys[1]->note = "";
    n.nt->keys[1]->time = 7;  // kept out of order
    lipsmith::ChunkWriter w;
    w.BeginChunk(1);
    ASSERT_EQ(n.nt->Save(&w), IO_OK);
    w.EndChunk();
    lipsmith::ChunkReader r(w.Bytes().data(), 0, w.Bytes().size());
    ASSERT_EQ(r.OpenChunk(), IO_OK);
    Notes back;
    ASSERT_EQ(back.nt->Load(&r), IO_OK);
    EXPECT_EQ(Times(back.nt), (std::vector<TimeValue>{30, 7}));
    EXPECT_EQ(back.nt->keys[0]->note, "aa");
}
