// References between scene objects. A reference maker holds numbered
// references to targets; each target knows its dependents and sends them
// messages. A target whose last reference goes away deletes itself, so the
// scene owns its objects through references.
#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "Animatable.h"
#include "SaveLoad.h"

class ReferenceTarget;
class RemapDir;
using RefTargetHandle = ReferenceTarget*;
using PartID = std::uint64_t;
using RefMessage = std::uint32_t;

enum RefResult { REF_FAIL = 0, REF_SUCCEED = 1, REF_DONTCARE = 2, REF_STOP = 3, REF_INVALID = 4 };

inline constexpr SClass_ID NOTIFY_ALL = 0xFFFFFFF0u;
inline constexpr PartID PART_ALL = 0xFFFFFFFFu;

inline constexpr RefMessage REFMSG_TARGET_DELETED = 0x00000020;
inline constexpr RefMessage REFMSG_CHANGE = 0x00000050;
inline constexpr RefMessage REFMSG_NODE_NAMECHANGE = 0x00000180;
inline constexpr RefMessage REFMSG_CONTROLREF_CHANGE = 0x000001A0;
inline constexpr RefMessage REFMSG_NODE_LINK = 0x000001B0;
inline constexpr RefMessage REFMSG_SUBANIM_STRUCTURE_CHANGED = 0x00000250;
inline constexpr RefMessage REFMSG_USER = 0x00010000;

class HOST_API ReferenceMaker : public Animatable {
public:
    ReferenceMaker() = default;
    // Lets go of every reference still held (targets left without
    // dependents delete themselves).
    ~ReferenceMaker() override;

    virtual int NumRefs() { return 0; }
    virtual RefTargetHandle GetReference(int /*i*/) { return nullptr; }
    // Stores a reference. The host calls it; plug-ins call MakeRefByID or
    // ReplaceReference, which also register the dependency.
    virtual void SetReference(int /*i*/, RefTargetHandle /*rtarg*/) {}
    virtual RefResult NotifyRefChanged(Interval /*changeInt*/, RefTargetHandle /*hTarget*/,
                                       PartID& /*partID*/, RefMessage /*message*/) {
        return REF_SUCCEED;
    }
    virtual IOResult Save(ISave* /*isave*/) { return IO_OK; }
    virtual IOResult Load(ILoad* /*iload*/) { return IO_OK; }
    virtual BOOL IsRefTarget() { return FALSE; }

    RefResult MakeRefByID(Interval refInterval, int which, RefTargetHandle htarget);
    // Points reference `which` at newtarg (may be none). The old target is
    // told (RefDeleted) and, with delOld, deleted once nothing refers to it.
    // Fails for an index outside NumRefs and for a reference that would
    // close a loop.
    RefResult ReplaceReference(int which, RefTargetHandle newtarg, BOOL delOld = TRUE);
    RefResult DeleteReference(int which);
    RefResult DeleteAllRefsFromMe();
    // Whether a reference from this object to target would close a loop.
    bool WouldLoop(RefTargetHandle target) const;
    // Every target this object holds, once per reference.
    const std::vector<ReferenceTarget*>& HeldTargets() const { return held_; }

private:
    friend class ReferenceTarget;
    friend struct RefLinker;
    std::vector<ReferenceTarget*> held_;
};

class HOST_API ReferenceTarget : public ReferenceMaker {
public:
    ReferenceTarget() = default;
    // Clears the slots of dependents that still refer to this object.
    ~ReferenceTarget() override;

    BOOL IsRefTarget() override { return TRUE; }

    // Sends message to every dependent whose super class is sclass (or all
    // with NOTIFY_ALL) and, when propagate is set, on to their dependents.
    // Registered global reference makers of a matching super class hear it too.
    RefResult NotifyDependents(Interval changeInt, PartID partID, RefMessage message,
                               SClass_ID sclass = NOTIFY_ALL, BOOL propagate = TRUE,
                               RefTargetHandle hTarg = nullptr);

    // Called after a reference to this object was removed.
    virtual void RefDeleted() {}
    virtual ReferenceTarget* Clone(RemapDir& /*remap*/) { return nullptr; }

    // Tells the dependents that this object goes, clears their references
    // to it, then deletes it.
    void DeleteMe();
    // Deletes the object when no reference to it remains (and it is not locked).
    void MaybeAutoDelete();
    // A locked target stays when its last reference goes (nodes, the scene's sound).
    void LockAutoDelete(bool lock) { lockAutoDelete_ = lock; }

    const std::vector<ReferenceMaker*>& Dependents() const { return dependents_; }
    bool HasDependent(const ReferenceMaker* maker) const;

private:
    friend class ReferenceMaker;
    friend struct RefLinker;
    std::vector<ReferenceMaker*> dependents_;  // once per reference
    bool lockAutoDelete_ = false;
};

// Clone bookkeeping: each source object is cloned once, so shared targets
// stay shared in the copy.
class HOST_API RemapDir {
public:
    virtual ~RemapDir();
    virtual RefTargetHandle CloneRef(RefTargetHandle oldTarg);
    virtual RefTargetHandle FindMapping(RefTargetHandle from);
    virtual void AddEntry(RefTargetHandle from, RefTargetHandle to);

private:
    std::unordered_map<RefTargetHandle, RefTargetHandle> map_;
};

// Clones target and everything it refers to.
HOST_API RefTargetHandle CloneRefHierarchy(RefTargetHandle target);

// A global reference maker hears every reference message of the scene whose
// super class filter it matches.
HOST_API void RegisterGlobalReference(ReferenceMaker* maker);
HOST_API void UnRegisterGlobalReference(ReferenceMaker* maker);
