// Small reference makers and targets for the host core tests.
#pragma once
#include <string>
#include <vector>

#include "HostSdk.h"

struct HeardMessage {
    ReferenceTarget* from;
    PartID part;
    RefMessage message;
};

// A target that can also refer to others, counts its deletions and records
// what it hears.
class TestTarget : public ReferenceTarget {
public:
    explicit TestTarget(int numRefs = 2, SClass_ID sclass = REF_TARGET_CLASS_ID, int* deleted = nullptr)
        : refs_(static_cast<std::size_t>(numRefs), nullptr), sclass_(sclass), deleted_(deleted) {}
    ~TestTarget() override {
        if (deleted_) ++*deleted_;
    }
    SClass_ID SuperClassID() override { return sclass_; }
    int NumRefs() override { return static_cast<int>(refs_.size()); }
    RefTargetHandle GetReference(int i) override { return refs_[static_cast<std::size_t>(i)]; }
    void SetReference(int i, RefTargetHandle t) override { refs_[static_cast<std::size_t>(i)] = t; }
    RefResult NotifyRefChanged(Interval, RefTargetHandle from, PartID& part, RefMessage msg) override {
        heard.push_back({from, part, msg});
        return answer;
    }
    void RefDeleted() override { ++refDeletedCalls; }

    std::vector<HeardMessage> heard;
    RefResult answer = REF_SUCCEED;
    int refDeletedCalls = 0;

private:
    std::vector<RefTargetHandle> refs_;
    SClass_ID sclass_;
    int* deleted_;
};

// A listener that is only a maker (like a utility).
class TestListener : public ReferenceMaker {
public:
    explicit TestListener(SClass_ID sclass = UTILITY_CLASS_ID) : sclass_(sclass) {}
    SClass_ID SuperClassID() override { return sclass_; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int) override { return ref_; }
    void SetReference(int, RefTargetHandle t) override { ref_ = t; }
    RefResult NotifyRefChanged(Interval, RefTargetHandle from, PartID& part, RefMessage msg) override {
        heard.push_back({from, part, msg});
        return REF_SUCCEED;
    }
    int Count(RefMessage msg) const {
        int n = 0;
        for (const HeardMessage& h : heard) n += h.message == msg;
        return n;
    }
    std::vector<HeardMessage> heard;

private:
    SClass_ID sclass_;
    RefTargetHandle ref_ = nullptr;
};

// A key made the way the speech controller makes them.
inline IBezFloatKey MakeKey(TimeValue t, float v, DWORD flags = 0x16F0, float inLen = 0.25f, float outLen = 0.25f) {
    IBezFloatKey k;
    k.time = t;
    k.val = v;
    k.flags = flags;
    k.inLength = inLen;
    k.outLength = outLen;
    return k;
}

inline float ValueAt(Control* c, TimeValue t) {
    float v = 0.0f;
    Interval valid = FOREVER;
    c->GetValue(t, &v, valid);
    return v;
}
