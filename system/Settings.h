// Where the utility keeps its settings: string values under one key of the
// current user's registry hive.
#pragma once
#include <cstddef>

#include "Registry.h"

namespace lipsmith {

inline constexpr Hive kSettingsHive = Hive::CurrentUser;
inline constexpr const char* kSettingsKey = "Software\\Tarnwick Works\\Lipsmith";
// Full path of the script editor's wave output file; absent: no file chosen.
inline constexpr const char* kWaveFileValue = "WaveFile";
// Full path of the default phoneme map file; absent: the built-in map.
inline constexpr const char* kMapFileValue = "MapFile";
// "WaveFile" is read into a buffer of this many bytes.
inline constexpr std::size_t kWaveFileMaxBytes = 260;

}  // namespace lipsmith
