#include "SpeakerIndex.h"

#include <algorithm>

#include "Node.h"
#include "SpeechController.h"

namespace lipsmith {

namespace {

// Each sub-animatable in index order: its own sub-animatables first, then itself.
void CollectControllers(Animatable* anim, std::vector<SpeechController*>& found, int depth) {
    if (!anim || depth > 64) return;  // a deeper tree is a loop, not a rig
    for (int i = 0; i < anim->NumSubs(); ++i) {
        Animatable* sub = anim->SubAnim(i);
        if (!sub) continue;
        CollectControllers(sub, found, depth + 1);
        if (SpeechController* c = AsSpeechController(sub)) {
            if (std::find(found.begin(), found.end(), c) == found.end()) found.push_back(c);
        }
    }
}

}  // namespace

void SpeakerIndex::Build(INode* root) {
    Clear();
    if (!root) return;
    std::vector<INode*> stack{root};
    while (!stack.empty()) {
        INode* node = stack.back();
        stack.pop_back();
        std::vector<SpeechController*> controllers;
        CollectControllers(node, controllers, 0);
        if (!controllers.empty()) {
            entries_.push_back(SpeakerEntry{0, node, std::move(controllers)});
            byNode_[node] = &entries_.back();
        }
        for (int i = node->NumberOfChildren() - 1; i >= 0; --i) {
            if (INode* child = node->GetChildNode(i)) stack.push_back(child);
        }
    }
}

void SpeakerIndex::Clear() {
    entries_.clear();
    byNode_.clear();
}

SpeakerEntry* SpeakerIndex::FindByName(const std::string& name) {
    for (SpeakerEntry& e : entries_) {
        if (e.node && name == e.node->GetName()) return &e;
    }
    return nullptr;
}

SpeakerEntry* SpeakerIndex::FindByNode(const INode* node) {
    auto it = byNode_.find(node);
    return it == byNode_.end() ? nullptr : it->second;
}

std::vector<SpeakerEntry*> SpeakerIndex::ActorTargets(const std::string& name) {
    std::vector<SpeakerEntry*> targets;
    SpeakerEntry* first = FindByName(name);
    if (!first) return targets;
    targets.push_back(first);
    std::vector<INode*> stack;
    for (int i = first->node->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(first->node->GetChildNode(i));
    while (!stack.empty()) {
        INode* node = stack.back();
        stack.pop_back();
        if (!node) continue;
        if (SpeakerEntry* e = FindByNode(node)) {
            if (std::find(targets.begin(), targets.end(), e) == targets.end()) targets.push_back(e);
        }
        for (int i = node->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(node->GetChildNode(i));
    }
    return targets;
}

bool SpeakerIndex::RemoveController(const SpeechController* controller) {
    bool found = false;
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto& cs = it->controllers;
        const auto before = cs.size();
        cs.erase(std::remove(cs.begin(), cs.end(), controller), cs.end());
        found = found || cs.size() != before;
        if (cs.empty()) {
            byNode_.erase(it->node);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    return found;
}

void SpeakerIndex::ResetDone() {
    for (SpeakerEntry& e : entries_) e.done = 0;
}

}  // namespace lipsmith
