// The voices the script editor's tag menu offers: the installed voices of
// the platform's own vendor, in enumeration order. Menu item n (from 0) has
// the command identifier kVoiceCommandBase + n; the tag menu keeps the names
// in the same order to map a command back to its voice.
#pragma once
#include <string>
#include <vector>

namespace lipsmith {

inline constexpr int kVoiceCommandBase = 61440;

std::vector<std::string> VoiceMenuNames();

}  // namespace lipsmith
