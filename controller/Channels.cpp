#include "Channels.h"

namespace lipsmith {
namespace {

// The numbering is part of the scene format.
constexpr ChannelInfo kChannels[kNumChannels] = {
    {1, "Mouth Width", ChannelKind::Mouth, "MouthWidth", 104},
    {2, "Mouth Open", ChannelKind::Mouth, "MouthOpen", 105},
    {3, "Lower Lip Pullback", ChannelKind::Mouth, "LowerLipPullback", 106},
    {4, "Mouth Upturn", ChannelKind::Mouth, "MouthUpturn", 107},
    {5, "Upper Teeth Exposed", ChannelKind::Mouth, "TeethUpperVisible", 108},
    {6, "Lower Teeth Exposed", ChannelKind::Mouth, "TeethLowerVisible", 109},
    {7, "Tongue Position", ChannelKind::Mouth, "TonguePosition", 110},
    {8, "Lip Tension", ChannelKind::Mouth, "LipTension", 111},
    {9, "Mouth Downturn", ChannelKind::Mouth, "MouthDownturn", 112},
    {10, "Mouth Puckered", ChannelKind::Mouth, "MouthPuckered", 113},
    {11, "Left Eye Blink", ChannelKind::Eye, nullptr, 114},
    {12, "Right Eye Blink", ChannelKind::Eye, nullptr, 115},
    {13, "Left Eye Brow", ChannelKind::Eye, nullptr, 116},
    {14, "Right Eye Brow", ChannelKind::Eye, nullptr, 117},
};

}  // namespace

const ChannelInfo* FindChannel(ChannelId id) {
    return IsValidChannel(id) ? &kChannels[id - 1] : nullptr;
}

const char* ChannelName(ChannelId id) {
    const ChannelInfo* c = FindChannel(id);
    return c ? c->displayName : nullptr;
}

}  // namespace lipsmith
