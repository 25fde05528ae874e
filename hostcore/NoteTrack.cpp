#include "NoteTrack.h"

#include <algorithm>

#include "ChunkIO.h"
#include "Hold.h"

namespace {

constexpr USHORT kNoteKeyChunk = 0x2500;  // one per note: time, flags, text

bool ByTime(const std::unique_ptr<NoteKey>& a, const std::unique_ptr<NoteKey>& b) {
    return a->time < b->time;
}

class NoteKeysRestore : public RestoreObj {
public:
    explicit NoteKeysRestore(DefNoteTrack* track) : track_(track), undo_(track->keys) {}
    void Restore(int isUndo) override {
        if (isUndo) redo_ = track_->keys;
        track_->keys = undo_;
        track_->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    }
    void Redo() override {
        track_->keys = redo_;
        track_->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    }
    int Size() override { return (undo_.Count() + redo_.Count()) * static_cast<int>(sizeof(NoteKey)) + 64; }
    TSTR Description() override { return "Note changes"; }
    const void* Subject() override { return track_; }

private:
    DefNoteTrack* track_;
    NoteKeyTab undo_, redo_;
};

}  // namespace

NoteTrack::~NoteTrack() = default;

NoteKeyTab::NoteKeyTab(const NoteKeyTab& o) { *this = o; }

NoteKeyTab& NoteKeyTab::operator=(const NoteKeyTab& o) {
    if (this == &o) return *this;
    std::vector<std::unique_ptr<NoteKey>> copy;
    copy.reserve(o.keys_.size());
    for (const auto& k : o.keys_) copy.push_back(std::make_unique<NoteKey>(*k));
    keys_.swap(copy);
    sortedPrefix_ = o.sortedPrefix_;
    return *this;
}

int NoteKeyTab::Append(NoteKey* key) {
    keys_.emplace_back(key);
    return Count() - 1;
}

void NoteKeyTab::Insert(int at, NoteKey* key) {
    at = std::clamp(at, 0, Count());
    keys_.insert(keys_.begin() + at, std::unique_ptr<NoteKey>(key));
    sortedPrefix_ = std::min(sortedPrefix_, static_cast<std::size_t>(at));
}

void NoteKeyTab::Delete(int start, int num) {
    if (start < 0 || num <= 0 || start >= Count()) return;
    int end = std::min(Count(), start + num);
    keys_.erase(keys_.begin() + start, keys_.begin() + end);
    sortedPrefix_ = std::min(sortedPrefix_, static_cast<std::size_t>(start));
}

bool NoteKeyTab::IsSorted() const {
    // Only the part after the known sorted prefix needs a look.
    std::size_t i = sortedPrefix_ > 0 ? sortedPrefix_ : 1;
    while (i < keys_.size() && keys_[i - 1]->time <= keys_[i]->time) ++i;
    sortedPrefix_ = std::min(i, keys_.size());
    return sortedPrefix_ == keys_.size();
}

void NoteKeyTab::KeysChanged() {
    if (!IsSorted()) std::stable_sort(keys_.begin(), keys_.end(), ByTime);
    sortedPrefix_ = keys_.size();
}

DefNoteTrack::DefNoteTrack() = default;
DefNoteTrack::~DefNoteTrack() = default;

void DefNoteTrack::HoldTrack() {
    if (theHold.Holding() && holdStamp_ != theHold.Stamp()) {
        holdStamp_ = theHold.Stamp();
        theHold.Put(new NoteKeysRestore(this));
    }
}

void DefNoteTrack::AddNewKey(TimeValue t, DWORD flags) {
    HoldTrack();
    // Behind every note at or before t; for a table in time order (and for
    // the usual note at the end) this is an append.
    const NoteKeyTab& table = keys;
    int at = table.Count();
    while (at > 0 && table[at - 1]->time > t) --at;
    keys.Insert(at, new NoteKey(t, TSTR(), flags));
}

TimeValue DefNoteTrack::GetKeyTime(int index) {
    const NoteKeyTab& table = keys;
    if (index < 0 || index >= table.Count()) return 0;
    return table[index]->time;
}

void DefNoteTrack::InsertTime(TimeValue ins, TimeValue amount) {
    if (amount == 0) return;
    const NoteKeyTab& table = keys;
    const bool sorted = table.IsSorted();
    bool held = false;
    for (int i = table.Count() - 1; i >= 0; --i) {
        if (table[i]->time < ins) {
            if (sorted) break;  // nothing earlier can follow
            continue;
        }
        if (!held) { HoldTrack(); held = true; }
        keys[i]->time = AddTicksClamped(table[i]->time, amount);
    }
}

void DefNoteTrack::DeleteTime(Interval iv, DWORD flags) {
    const TimeValue s = iv.Start(), e = iv.End();
    if (e < s || keys.Count() == 0) return;
    auto inside = [&](TimeValue t) {
        bool afterStart = (flags & TIME_INCLEFT) ? t >= s : t > s;
        bool beforeEnd = (flags & TIME_INCRIGHT) ? t <= e : t < e;
        return afterStart && beforeEnd;
    };
    const bool slide = !(flags & TIME_NOSLIDE);
    const NoteKeyTab& table = keys;
    const bool sorted = table.IsSorted();
    bool held = false;
    // Walk back from the end: in a sorted table the walk stops at the first
    // note before the interval, so edits at the end stay cheap.
    for (int i = table.Count() - 1; i >= 0; --i) {
        TimeValue t = table[i]->time;
        if (inside(t)) {
            if (!held) { HoldTrack(); held = true; }
            keys.Delete(i, 1);
        } else if (slide && t >= e) {
            if (!held) { HoldTrack(); held = true; }
            keys[i]->time = AddTicksClamped(t, static_cast<long long>(s) - e);
        } else if (sorted && t < s) {
            break;
        }
    }
}

ReferenceTarget* DefNoteTrack::Clone(RemapDir&) {
    auto* c = new DefNoteTrack();
    c->keys = keys;
    return c;
}

IOResult DefNoteTrack::Save(ISave* isave) {
    const NoteKeyTab& table = keys;
    for (int i = 0; i < table.Count(); ++i) {
        const NoteKey* k = table[i];
        ULONG n = 0;
        isave->BeginChunk(kNoteKeyChunk);
        IOResult r = isave->Write(&k->time, sizeof(k->time), &n);
        if (r == IO_OK) r = isave->Write(&k->flags, sizeof(k->flags), &n);
        if (r == IO_OK) r = isave->WriteCString(k->note.c_str());
        isave->EndChunk();
        if (r != IO_OK) return r;
    }
    return IO_OK;
}

IOResult DefNoteTrack::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        IOResult r = IO_OK;
        if (iload->CurChunkID() == kNoteKeyChunk) {
            auto key = std::make_unique<NoteKey>();
            r = lipsmith::ReadValue(iload, key->time);
            if (r == IO_OK) r = lipsmith::ReadValue(iload, key->flags);
            if (r == IO_OK) r = iload->ReadCStringChunk(key->note);
            if (r == IO_OK) keys.Append(key.release());
        }
        iload->CloseChunk();
        if (r != IO_OK) return r;
    }
    return res == IO_END ? IO_OK : res;
}

NoteTrack* NewDefaultNoteTrack() { return new DefNoteTrack(); }
