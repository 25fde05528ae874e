// Both halves of one reference: the maker's list of held targets and the
// target's list of dependents. Used where the host sets references itself
// (ReplaceReference, scene loading).
#pragma once
#include <algorithm>

#include "Reference.h"

struct RefLinker {
    static void Link(ReferenceMaker* maker, ReferenceTarget* target) {
        maker->held_.push_back(target);
        target->dependents_.push_back(maker);
    }
    static void Unlink(ReferenceMaker* maker, ReferenceTarget* target) {
        EraseOne(maker->held_, target);
        EraseOne(target->dependents_, maker);
    }
    template <class T>
    static bool EraseOne(std::vector<T*>& v, const T* p) {
        auto it = std::find(v.begin(), v.end(), p);
        if (it == v.end()) return false;
        v.erase(it);
        return true;
    }
};
