// The speech channels of a node at a time: the values of its speech
// controllers, which is what the face preview shows.
#pragma once
#include <array>

#include "FacePose.h"
#include "Node.h"

namespace lipsmith::studio {

struct RigValues {
    face::ChannelValues values{};
    std::array<bool, face::kChannels> present{};
    int controllers = 0;  // speech controllers that gave a value
};

// Each channel's value comes from the first speech controller following it,
// on the node's own tracks first and then on its descendants' (a head whose
// jaw carries "Mouth Open"). Channels without a controller stay 0.
RigValues EvaluateRig(INode* node, TimeValue t);

// The first node, depth first, that carries speech controllers; none if no node does.
INode* FirstSpeakingNode(INode* root);

}  // namespace lipsmith::studio
