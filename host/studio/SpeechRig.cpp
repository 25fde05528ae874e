#include "SpeechRig.h"

#include "SpeechController.h"

namespace lipsmith::studio {
namespace {

void Collect(INode* node, TimeValue t, RigValues& rig, int depth) {
    if (!node || depth > 64) return;
    for (int i = 0; i < node->NumTracks(); ++i) {
        SpeechController* c = AsSpeechController(node->GetTrackController(i));
        if (!c || !IsValidChannel(c->channel)) continue;
        const std::size_t slot = static_cast<std::size_t>(c->channel - 1);
        if (rig.present[slot]) continue;
        float v = 0.0f;
        Interval valid = FOREVER;
        c->GetValue(t, &v, valid);
        rig.values[slot] = v;
        rig.present[slot] = true;
        ++rig.controllers;
    }
    for (int i = 0; i < node->NumberOfChildren(); ++i) Collect(node->GetChildNode(i), t, rig, depth + 1);
}

bool Speaks(INode* node) {
    for (int i = 0; i < node->NumTracks(); ++i) {
        if (AsSpeechController(node->GetTrackController(i))) return true;
    }
    return false;
}

}  // namespace

RigValues EvaluateRig(INode* node, TimeValue t) {
    RigValues rig;
    Collect(node, t, rig, 0);
    return rig;
}

INode* FirstSpeakingNode(INode* root) {
    if (!root) return nullptr;
    for (int i = 0; i < root->NumberOfChildren(); ++i) {
        INode* child = root->GetChildNode(i);
        if (Speaks(child)) return child;
        if (INode* below = FirstSpeakingNode(child)) return below;
    }
    return nullptr;
}

}  // namespace lipsmith::studio
