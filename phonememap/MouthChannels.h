// A phoneme's mouth parameters as the face model takes them: in the order
// of the speech channels they feed (channel 1 first), so a picture of the
// mouth shows what the keys of that phoneme will do to a face.
#pragma once
#include <array>

#include "PhonemeSet.h"

namespace lipsmith {

using MouthChannels = std::array<float, kMouthParameterCount>;

// The ten parameters (in the order of a map entry's fields) by channel.
inline MouthChannels MouthChannelsOf(const std::array<float, kMouthParameterCount>& parameters) {
    MouthChannels channels{};
    for (const MouthParameterInfo& info : kMouthParameters)
        channels[static_cast<std::size_t>(info.channel - 1)] = parameters[static_cast<std::size_t>(info.parameter)];
    return channels;
}

// A resting mouth with one parameter at `value`: what that number does alone.
inline MouthChannels MouthChannelsOfOne(MouthParameter p, float value) {
    std::array<float, kMouthParameterCount> parameters{};
    parameters[static_cast<std::size_t>(p)] = value;
    return MouthChannelsOf(parameters);
}

}  // namespace lipsmith
