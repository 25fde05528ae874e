#include "Reference.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "Hold.h"
#include "RefLinker.h"

namespace {

std::vector<ReferenceMaker*>& GlobalMakers() {
    // Never destroyed: plug-ins unregister from their own static destructors at exit.
    static auto* makers = new std::vector<ReferenceMaker*>();
    return *makers;
}

template <class T>
bool EraseOne(std::vector<T*>& v, const T* p) {
    return RefLinker::EraseOne(v, p);
}

// Messages travel along references, which never form loops; the limit only
// guards the stack against a graph damaged some other way.
constexpr int kMaxNotifyDepth = 256;
thread_local int notifyDepth = 0;

// Objects whose destruction has left the most derived class: their own
// operations are gone, so messages and reference clean-up pass them by.
// Kept here rather than in the object so the SDK's class layout stays as is;
// never freed, since objects held by statics die after every other static.
struct DyingList {
    std::mutex mutex;
    std::vector<const ReferenceMaker*> makers;
    std::atomic<std::size_t> count{0};
};
DyingList& Dying() {
    static DyingList* const list = new DyingList;
    return *list;
}
bool IsDying(const ReferenceMaker* maker) {
    DyingList& d = Dying();
    if (d.count.load(std::memory_order_acquire) == 0) return false;
    std::lock_guard guard(d.mutex);
    return std::find(d.makers.begin(), d.makers.end(), maker) != d.makers.end();
}
// Marks an object dying for the rest of its destruction.
void MarkDying(const ReferenceMaker* maker) {
    DyingList& d = Dying();
    std::lock_guard guard(d.mutex);
    if (std::find(d.makers.begin(), d.makers.end(), maker) != d.makers.end()) return;
    d.makers.push_back(maker);
    d.count.store(d.makers.size(), std::memory_order_release);
}
void Forget(const ReferenceMaker* maker) {
    DyingList& d = Dying();
    std::lock_guard guard(d.mutex);
    d.makers.erase(std::remove(d.makers.begin(), d.makers.end(), maker), d.makers.end());
    d.count.store(d.makers.size(), std::memory_order_release);
}

}  // namespace

ReferenceMaker::~ReferenceMaker() {
    // Our own SetReference cannot run any more; only the targets' side is
    // undone. Targets are freed one at a time: those not yet freed still list
    // this object, so freeing one can never delete another under our feet;
    // a target that sends a message meanwhile must not reach this object.
    MarkDying(this);
    while (!held_.empty()) {
        ReferenceTarget* t = held_.back();
        while (EraseOne(held_, t)) EraseOne(t->dependents_, static_cast<ReferenceMaker*>(this));
        t->RefDeleted();
        t->MaybeAutoDelete();
    }
    Forget(this);
}

bool ReferenceMaker::WouldLoop(RefTargetHandle target) const {
    if (!target) return false;
    std::vector<const ReferenceMaker*> stack{target};
    std::vector<const ReferenceMaker*> seen;
    while (!stack.empty()) {
        const ReferenceMaker* m = stack.back();
        stack.pop_back();
        if (m == this) return true;
        if (std::find(seen.begin(), seen.end(), m) != seen.end()) continue;
        seen.push_back(m);
        for (ReferenceTarget* t : m->held_) stack.push_back(t);
    }
    return false;
}

RefResult ReferenceMaker::MakeRefByID(Interval, int which, RefTargetHandle htarget) {
    return ReplaceReference(which, htarget, TRUE);
}

RefResult ReferenceMaker::ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld) {
    if (which < 0 || which >= NumRefs()) return REF_FAIL;
    ReferenceTarget* old = GetReference(which);
    if (old == newtarg) return REF_SUCCEED;
    if (newtarg && WouldLoop(newtarg)) return REF_FAIL;
    if (newtarg) RefLinker::Link(this, newtarg);
    SetReference(which, newtarg);
    if (old) {
        RefLinker::Unlink(this, old);
        old->RefDeleted();
        if (delOld) old->MaybeAutoDelete();
    }
    return REF_SUCCEED;
}

RefResult ReferenceMaker::DeleteReference(int which) {
    if (which < 0 || which >= NumRefs()) return REF_FAIL;
    return ReplaceReference(which, nullptr, TRUE);
}

RefResult ReferenceMaker::DeleteAllRefsFromMe() {
    for (int i = 0; i < NumRefs(); ++i) {
        if (GetReference(i)) DeleteReference(i);
    }
    return REF_SUCCEED;
}

ReferenceTarget::~ReferenceTarget() {
    MarkDying(this);
    theHold.ForgetSubject(this);
    std::vector<ReferenceMaker*> deps;
    deps.swap(dependents_);
    for (ReferenceMaker* d : deps) {
        EraseOne(d->held_, static_cast<ReferenceTarget*>(this));
        if (IsDying(d)) continue;  // its slots are gone with it
        for (int i = 0; i < d->NumRefs(); ++i) {
            if (d->GetReference(i) == this) {
                d->SetReference(i, nullptr);
                break;
            }
        }
    }
}

bool ReferenceTarget::HasDependent(const ReferenceMaker* maker) const {
    return std::find(dependents_.begin(), dependents_.end(), maker) != dependents_.end();
}

RefResult ReferenceTarget::NotifyDependents(Interval changeInt, PartID partID, RefMessage message,
                                            SClass_ID sclass, BOOL propagate, RefTargetHandle hTarg) {
    if (notifyDepth >= kMaxNotifyDepth) return REF_FAIL;
    ++notifyDepth;
    RefTargetHandle from = hTarg ? hTarg : this;
    // Handlers may add or drop references, so walk a copy and re-check each.
    std::vector<ReferenceMaker*> deps;
    for (ReferenceMaker* d : dependents_) {
        if (std::find(deps.begin(), deps.end(), d) == deps.end()) deps.push_back(d);
    }
    for (ReferenceMaker* d : deps) {
        if (!HasDependent(d) || IsDying(d)) continue;
        if (sclass != NOTIFY_ALL && d->SuperClassID() != sclass) continue;
        PartID part = partID;
        RefResult r = d->NotifyRefChanged(changeInt, from, part, message);
        if (r == REF_STOP || !propagate || !d->IsRefTarget()) continue;
        if (!HasDependent(d)) continue;
        static_cast<ReferenceTarget*>(d)->NotifyDependents(changeInt, part, message, sclass, propagate);
    }
    std::vector<ReferenceMaker*> globals = GlobalMakers();
    for (ReferenceMaker* g : globals) {
        if (std::find(deps.begin(), deps.end(), g) != deps.end()) continue;
        if (std::find(GlobalMakers().begin(), GlobalMakers().end(), g) == GlobalMakers().end()) continue;
        if (IsDying(g) || (sclass != NOTIFY_ALL && g->SuperClassID() != sclass)) continue;
        PartID part = partID;
        g->NotifyRefChanged(changeInt, from, part, message);
    }
    --notifyDepth;
    return REF_SUCCEED;
}

void ReferenceTarget::DeleteMe() {
    std::vector<ReferenceMaker*> deps = dependents_;
    for (ReferenceMaker* d : deps) {
        if (!HasDependent(d) || IsDying(d)) continue;
        PartID part = PART_ALL;
        d->NotifyRefChanged(FOREVER, this, part, REFMSG_TARGET_DELETED);
    }
    // Clear the remaining references without letting this object delete
    // itself halfway (the last one would trigger MaybeAutoDelete).
    lockAutoDelete_ = true;
    while (!dependents_.empty()) {
        ReferenceMaker* d = dependents_.front();
        bool cleared = false;
        for (int i = 0; !IsDying(d) && i < d->NumRefs() && !cleared; ++i) {
            if (d->GetReference(i) == this) {
                d->ReplaceReference(i, nullptr, FALSE);
                cleared = true;
            }
        }
        if (!cleared) RefLinker::Unlink(d, this);
    }
    DeleteThis();
}

void ReferenceTarget::MaybeAutoDelete() {
    if (dependents_.empty() && !lockAutoDelete_) DeleteThis();
}

RemapDir::~RemapDir() = default;

RefTargetHandle RemapDir::FindMapping(RefTargetHandle from) {
    auto it = map_.find(from);
    return it == map_.end() ? nullptr : it->second;
}

void RemapDir::AddEntry(RefTargetHandle from, RefTargetHandle to) { map_[from] = to; }

RefTargetHandle RemapDir::CloneRef(RefTargetHandle oldTarg) {
    if (!oldTarg) return nullptr;
    if (RefTargetHandle m = FindMapping(oldTarg)) return m;
    RefTargetHandle copy = oldTarg->Clone(*this);
    if (copy) AddEntry(oldTarg, copy);
    return copy;
}

RefTargetHandle CloneRefHierarchy(RefTargetHandle target) {
    RemapDir remap;
    return remap.CloneRef(target);
}

void RegisterGlobalReference(ReferenceMaker* maker) {
    auto& g = GlobalMakers();
    if (maker && std::find(g.begin(), g.end(), maker) == g.end()) g.push_back(maker);
}

void UnRegisterGlobalReference(ReferenceMaker* maker) { EraseOne(GlobalMakers(), maker); }
