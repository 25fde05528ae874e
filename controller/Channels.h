// The fourteen speech channels a controller can follow.
#pragma once
#include <cstdint>

namespace lipsmith {

using ChannelId = std::int32_t;

inline constexpr ChannelId kFirstChannel = 1;
inline constexpr ChannelId kLastChannel = 14;
inline constexpr ChannelId kLastMouthChannel = 10;
inline constexpr int kNumChannels = 14;

enum class ChannelKind { Mouth, Eye };

struct ChannelInfo {
    ChannelId id;
    const char* displayName;
    ChannelKind kind;
    const char* mapParameter;  // phoneme map element; nullptr for eye channels
    int bitmapResource;
};

// The channel's row of the table; nullptr outside 1 to 14.
const ChannelInfo* FindChannel(ChannelId id);
// The display name; nullptr outside 1 to 14.
const char* ChannelName(ChannelId id);
inline constexpr bool IsValidChannel(ChannelId id) { return id >= kFirstChannel && id <= kLastChannel; }
inline constexpr bool IsMouthChannel(ChannelId id) { return id >= kFirstChannel && id <= kLastMouthChannel; }
inline constexpr bool IsEyeChannel(ChannelId id) { return id > kLastMouthChannel && id <= kLastChannel; }

}  // namespace lipsmith
