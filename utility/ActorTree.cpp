#include "ActorTree.h"

#include <algorithm>

#include "Interface.h"
#include "SpeakerIndex.h"
#include "SpeechController.h"

namespace lipsmith {

namespace {

ActorImage ImageOf(const SpeechController* c) {
    return c->active ? ActorImage::ActiveController : ActorImage::InactiveController;
}

}  // namespace

const char* ActorTreeChannelLabel(int channel) {
    // Channels 5 to 7 read differently here than in the channel table.
    static const char* const kLabels[] = {"Mouth Width",         "Mouth Open",          "Lower Lip Pullback",
                                          "Mouth Upturn",        "Teeth Upper Visible", "Teeth Lower Visible",
                                          "Tongue Pos",          "Lip Tension",         "Mouth Downturn",
                                          "Mouth Puckered"};
    return channel >= 1 && channel <= 10 ? kLabels[channel - 1] : nullptr;
}

void ActorTree::Fill(const SpeakerIndex& index) {
    items_.clear();
    for (const SpeakerEntry& entry : index.Entries()) {
        ActorItem item;
        item.label = entry.node ? entry.node->GetName() : "";
        item.image = ActorImage::Node;
        item.node = entry.node;
        for (SpeechController* c : entry.controllers) {
            ActorItem child;
            child.label = c->SubAnimName(1);
            child.image = ImageOf(c);
            child.controller = c;
            item.children.push_back(std::move(child));
        }
        items_.push_back(std::move(item));
    }
}

ActorItem* ActorTree::Find(const SpeechController* controller) {
    for (ActorItem& item : items_)
        for (ActorItem& child : item.children)
            if (child.controller == controller) return &child;
    return nullptr;
}

const ActorItem* ActorTree::FindController(const SpeechController* controller) const {
    return const_cast<ActorTree*>(this)->Find(controller);
}

const ActorItem* ActorTree::FindNode(const INode* node) const {
    for (const ActorItem& item : items_)
        if (item.node == node) return &item;
    return nullptr;
}

bool ActorTree::RelabelController(const SpeechController* controller) {
    ActorItem* item = Find(controller);
    if (!item) return false;
    if (const char* label = ActorTreeChannelLabel(controller->channel)) item->label = label;
    return true;
}

bool ActorTree::RelabelNode(const INode* node) {
    for (ActorItem& item : items_) {
        if (item.node != node) continue;
        item.label = node->GetName();
        return true;
    }
    return false;
}

bool ActorTree::RemoveController(const SpeechController* controller) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        auto& children = it->children;
        auto child = std::find_if(children.begin(), children.end(),
                                  [&](const ActorItem& c) { return c.controller == controller; });
        if (child == children.end()) continue;
        children.erase(child);
        if (children.empty()) items_.erase(it);
        return true;
    }
    return false;
}

bool ActorTree::ToggleActive(SpeechController* controller) {
    ActorItem* item = Find(controller);
    if (!item) return false;
    controller->active = controller->active ? 0 : 1;
    item->image = ImageOf(controller);
    SetSaveRequiredFlag(TRUE);
    return true;
}

}  // namespace lipsmith
