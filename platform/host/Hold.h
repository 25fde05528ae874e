// Undo: while a hold is open, objects put restore records into it; accepting
// the hold makes it one undo step with a name, cancelling it restores what it
// recorded. The host drives undo and redo of the accepted steps.
#pragma once
#include <vector>

#include "HostApi.h"

class HOST_API RestoreObj {
public:
    virtual ~RestoreObj();
    // Puts back the state from before the change; isUndo is TRUE for an undo
    // (save what redo needs first) and FALSE when a hold is cancelled.
    virtual void Restore(int isUndo) = 0;
    virtual void Redo() = 0;
    virtual int Size() { return 1; }
    // The hold this record belongs to was accepted.
    virtual void EndHold() {}
    virtual TSTR Description() { return TSTR("---"); }
    // The object the record restores, if any: its records are dropped when it is deleted.
    virtual const void* Subject() { return nullptr; }
};

class HOST_API Hold {
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    // Opens a hold (holds nest; the outermost Accept makes the undo step).
    void Begin();
    // TRUE while a hold is open and not suspended, and no undo or redo runs.
    int Holding() const;
    // Takes the record into the open hold; without one it is deleted.
    void Put(RestoreObj* rob);
    void Accept(const char* name);
    // Restores everything recorded since the matching Begin and discards it.
    void Cancel();
    void Suspend() { ++suspended_; }
    void Resume() { if (suspended_ > 0) --suspended_; }
    int IsSuspended() const { return suspended_ > 0; }
    // TRUE while an undo, redo or cancel restores records.
    int RestoreOrRedoing() const { return restoring_; }
    int HoldLevel() const { return static_cast<int>(marks_.size()); }

    // The undo and redo stacks of accepted holds.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    TSTR UndoName() const;
    TSTR RedoName() const;
    void SetUndoLevels(int levels);
    int GetUndoLevels() const { return levels_; }
    // Forgets every undo and redo step (a new or loaded scene).
    void ClearUndo();
    // Drops the records about subject (it is being deleted).
    void ForgetSubject(const void* subject);

    // Changes at every Begin, Accept, Cancel, Undo and Redo: an object that
    // remembers the stamp of its last record knows whether this hold has one.
    unsigned Stamp() const { return stamp_; }

private:
    struct Step {
        TSTR name;
        std::vector<RestoreObj*> records;
    };
    static void Free(Step& s);

    std::vector<RestoreObj*> open_;   // records of the open hold
    std::vector<std::size_t> marks_;  // open_.size() at each Begin
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    int suspended_ = 0;
    int restoring_ = 0;
    int levels_ = 20;
    unsigned stamp_ = 1;
};

HOST_API extern Hold theHold;
