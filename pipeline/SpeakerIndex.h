// The scene nodes that carry speech controllers, each with its controllers
// in the order they were found, and the rule that picks an actor's targets.
#pragma once
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

class INode;

namespace lipsmith {

class SpeechController;

struct SpeakerEntry {
    int done = 0;  // "Delete keys after in frame" treated it in this run
    INode* node = nullptr;
    std::vector<SpeechController*> controllers;
};

class SpeakerIndex {
public:
    // Rebuilds from the root: nodes depth first (a node before its children),
    // each node's animation tree searched sub-animatable by sub-animatable,
    // deeper ones first. Nodes without speech controllers get no entry.
    void Build(INode* root);
    void Clear();

    bool Empty() const { return entries_.empty(); }
    std::size_t Size() const { return entries_.size(); }
    std::list<SpeakerEntry>& Entries() { return entries_; }
    const std::list<SpeakerEntry>& Entries() const { return entries_; }

    // The first entry whose node has exactly this name; none when no node has.
    SpeakerEntry* FindByName(const std::string& name);
    SpeakerEntry* FindByNode(const INode* node);

    // The entry named `name`, then the entries of its node's descendants
    // (depth first, each once). Empty when no entry has the name.
    std::vector<SpeakerEntry*> ActorTargets(const std::string& name);

    // A deleted controller leaves its entry; an entry left without
    // controllers goes. True when the controller was in the index.
    bool RemoveController(const SpeechController* controller);

    void ResetDone();

private:
    std::list<SpeakerEntry> entries_;
    std::unordered_map<const INode*, SpeakerEntry*> byNode_;
};

}  // namespace lipsmith
