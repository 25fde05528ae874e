// The script editor's actors tree without its window: one item per scene node
// that carries speech controllers (in the order of the SpeakerIndex), each
// with one item per controller, labelled and pictured as the tree shows them.
#pragma once
#include <string>
#include <vector>

class INode;

namespace lipsmith {

class SpeakerIndex;
class SpeechController;

// The tree's image list.
enum class ActorImage { Node = 0, InactiveController = 1, ActiveController = 2 };

struct ActorItem {
    std::string label;
    ActorImage image = ActorImage::Node;
    INode* node = nullptr;                    // node items
    SpeechController* controller = nullptr;   // controller items
    std::vector<ActorItem> children;          // a node's controllers
};

class ActorTree {
public:
    // Refills from the index (which the caller has just rebuilt).
    void Fill(const SpeakerIndex& index);
    void Clear() { items_.clear(); }
    const std::vector<ActorItem>& Items() const { return items_; }

    // A controller's channel changed: its item takes the label of the new
    // channel (mouth channels only; an eye channel keeps the old label).
    bool RelabelController(const SpeechController* controller);
    // A node was renamed: its item takes the new name.
    bool RelabelNode(const INode* node);
    // A controller went away: its item goes, and a node item left without
    // controllers with it.
    bool RemoveController(const SpeechController* controller);
    // Double-click on a controller item: the controller's active flag flips,
    // the picture follows and the scene needs saving. False for other items.
    bool ToggleActive(SpeechController* controller);

    // The node item that holds the controller, or the node's own item.
    const ActorItem* FindNode(const INode* node) const;
    const ActorItem* FindController(const SpeechController* controller) const;

private:
    ActorItem* Find(const SpeechController* controller);
    std::vector<ActorItem> items_;
};

// The label a relabelled controller item gets for a mouth channel (1..10);
// nullptr for other channels.
const char* ActorTreeChannelLabel(int channel);

}  // namespace lipsmith
