// Note tracks: texts at times, shown in the track view.
#pragma once
#include <memory>
#include <vector>

#include "Reference.h"

class HOST_API NoteTrack : public ReferenceTarget {
public:
    ~NoteTrack() override;
    SClass_ID SuperClassID() override { return NOTETRACK_CLASS_ID; }
    // Adds an empty note at t, after any notes at the same time.
    virtual void AddNewKey(TimeValue t, DWORD flags) = 0;
};

class NoteKey {
public:
    NoteKey() = default;
    NoteKey(TimeValue t, const TSTR& n, DWORD f = 0) : time(t), note(n), flags(f) {}
    TimeValue time = 0;
    TSTR note;
    DWORD flags = 0;
};

// The key table of a note track, open to direct edits of times and texts.
// It remembers how many leading keys are known to be in time order; handing
// out key i for editing forgets that knowledge from i on, so checking the
// order after edits at the end of a long table is cheap.
class HOST_API NoteKeyTab {
public:
    NoteKeyTab() = default;
    NoteKeyTab(const NoteKeyTab& o);
    NoteKeyTab& operator=(const NoteKeyTab& o);
    NoteKeyTab(NoteKeyTab&&) noexcept = default;
    NoteKeyTab& operator=(NoteKeyTab&&) noexcept = default;

    int Count() const { return static_cast<int>(keys_.size()); }
    // Key i for editing.
    NoteKey* operator[](int i) {
        if (static_cast<std::size_t>(i) < sortedPrefix_) sortedPrefix_ = static_cast<std::size_t>(i);
        return keys_[static_cast<std::size_t>(i)].get();
    }
    const NoteKey* operator[](int i) const { return keys_[static_cast<std::size_t>(i)].get(); }
    // Takes ownership; answers the index.
    int Append(NoteKey* key);
    void Insert(int at, NoteKey* key);
    void Delete(int start, int num);
    void ZeroCount() { keys_.clear(); sortedPrefix_ = 0; }
    // Re-sorts the table by time after direct edits (equal times keep their order).
    void KeysChanged();
    bool IsSorted() const;

private:
    std::vector<std::unique_ptr<NoteKey>> keys_;
    mutable std::size_t sortedPrefix_ = 0;
};

// The host's default note track.
class HOST_API DefNoteTrack : public NoteTrack {
public:
    DefNoteTrack();
    ~DefNoteTrack() override;

    Class_ID ClassID() override { return DEF_NOTETRACK_CLASS_ID; }
    void GetClassName(TSTR& s) override { s = "Note Track"; }
    void DeleteThis() override { delete this; }

    void AddNewKey(TimeValue t, DWORD flags) override;
    int NumKeys() override { return keys.Count(); }
    TimeValue GetKeyTime(int index) override;
    // Note tracks do not widen a controller's key range.
    Interval GetTimeRange(DWORD) override { return NEVER; }
    void InsertTime(TimeValue ins, TimeValue amount) override;
    void DeleteTime(Interval iv, DWORD flags) override;
    // Records the whole table for undo, once per hold.
    void HoldTrack();

    ReferenceTarget* Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    NoteKeyTab keys;

private:
    unsigned holdStamp_ = 0;
};

HOST_API NoteTrack* NewDefaultNoteTrack();
