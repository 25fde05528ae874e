// The phoneme map the script editor starts with.
#pragma once
#include "PhonemeMap.h"
#include "Registry.h"
#include "Result.h"

namespace lipsmith {

inline constexpr const char* kMsgSettingsKeyFailed = "Internal Error 8765.";
inline constexpr const char* kMsgMapFileReverting =
    "Failed to open default phoneme map file '%s'. Reverting to default settings.";
inline constexpr const char* kMsgNoPhonemeTable = "Failed to obtain phoneme table.";

// Opens (or creates) the settings key and fills `map`: from the file named by
// "MapFile" when it is set, falling back with a warning to the built-in map
// when that file does not load; from the built-in map otherwise. Returns S_OK,
// or a failure (after its message) when the key cannot be created or no map
// could be loaded; the caller then skips the rest of its start-up.
HRESULT FillActivePhonemeMap(PhonemeMap& map, RegistryStore& store = RegistryStore::Default());

}  // namespace lipsmith
