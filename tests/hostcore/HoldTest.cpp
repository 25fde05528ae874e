#include <gtest/gtest.h>

#include <string>

#include "TestObjects.h"

namespace {

// Records what happens to it in a shared log.
class LogRestore : public RestoreObj {
public:
    LogRestore(std::string name, std::string& log, const void* subject = nullptr)
        : name_(std::move(name)), log_(log), subject_(subject) {}
    ~LogRestore() override { log_ += "~" + name_ + " "; }
    void Restore(int isUndo) override { log_ += (isUndo ? "undo:" : "cancel:") + name_ + " "; }
    void Redo() override { log_ += "redo:" + name_ + " "; }
    void EndHold() override { log_ += "end:" + name_ + " "; }
    const void* Subject() override { return subject_; }

private:
    std::string name_;
    std::string& log_;
    const void* subject_;
};

class HoldTest : public ::testing::Test {
protected:
    void TearDown() override { theHold.ClearUndo(); }
    std::string log;
};

}  // namespace

TEST_F(HoldTest, AcceptedHoldUndoesInReverseAndRedoesInOrder) {
    EXPECT_FALSE(theHold.Holding());
    theHold.Put(new LogRestore("lost", log));  // no hold: deleted at once
    EXPECT_EQ(log, "~lost ");
    log.clear();
    theHold.Begin();
    EXPECT_TRUE(theHold.Holding());
    theHold.Put(new LogRestore("a", log));
    theHold.Put(new LogRestore("b", log));
    theHold.Accept("Speech to Anim");
    EXPECT_EQ(log, "end:a end:b ");
    EXPECT_EQ(theHold.UndoName(), "Speech to Anim");
    log.clear();
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(log, "undo:b undo:a ");
    EXPECT_FALSE(theHold.CanUndo());
    log.clear();
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(log, "redo:a redo:b ");
    EXPECT_FALSE(theHold.Redo());
}

TEST_F(HoldTest, CancelRestoresOnlyTheInnerHold) {
    theHold.Begin();
    theHold.Put(new LogRestore("outer", log));
    theHold.Begin();
    theHold.Put(new LogRestore("inner", log));
    theHold.Cancel();
    EXPECT_EQ(log, "cancel:inner ~inner ");
    EXPECT_TRUE(theHold.Holding());
    theHold.Accept("outer");
    EXPECT_TRUE(theHold.CanUndo());
}

TEST_F(HoldTest, SuspendedOrEmptyHoldsRecordNothing) {
    theHold.Begin();
    theHold.Suspend();
    EXPECT_FALSE(theHold.Holding());
    theHold.Put(new LogRestore("x", log));
    theHold.Resume();
    theHold.Accept("nothing");
    EXPECT_FALSE(theHold.CanUndo());
    EXPECT_FALSE(theHold.Undo());
}

TEST_F(HoldTest, NewStepClearsRedoAndLevelsAreLimited) {
    theHold.SetUndoLevels(2);
    for (const char* n : {"1", "2", "3"}) {
        theHold.Begin();
        theHold.Put(new LogRestore(n, log));
        theHold.Accept(n);
    }
    EXPECT_NE(log.find("~1 "), std::string::npos);  // oldest step dropped
    theHold.Undo();
    EXPECT_TRUE(theHold.CanRedo());
    theHold.Begin();
    theHold.Put(new LogRestore("4", log));
    theHold.Accept("4");
    EXPECT_FALSE(theHold.CanRedo());
    theHold.SetUndoLevels(20);
}

TEST_F(HoldTest, RecordsOfADeletedObjectAreDropped) {
    int subject = 0;
    theHold.Begin();
    theHold.Put(new LogRestore("keep", log));
    theHold.Put(new LogRestore("drop", log, &subject));
    theHold.Accept("step");
    theHold.ForgetSubject(&subject);
    log.clear();
    theHold.Undo();
    EXPECT_EQ(log, "undo:keep ");
}

TEST_F(HoldTest, NoteTrackChangesUndoAsOneRecord) {
    auto* nt = static_cast<DefNoteTrack*>(NewDefaultNoteTrack());
    nt->AddNewKey(10, 0);
    theHold.Begin();
    nt->AddNewKey(20, 0);
    nt->AddNewKey(5, 0);
    nt->DeleteTime(Interval(10, 10), 0x1C00);
    theHold.Accept("notes");
    EXPECT_EQ(nt->keys.Count(), 2);
    theHold.Undo();
    ASSERT_EQ(nt->keys.Count(), 1);
    EXPECT_EQ(nt->GetKeyTime(0), 10);
    theHold.Redo();
    EXPECT_EQ(nt->keys.Count(), 2);
    nt->DeleteThis();                // its records go with it
    EXPECT_TRUE(theHold.Undo());     // the step stays, without the deleted track's record
}
