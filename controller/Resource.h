// The string table of Lipsmith.dlc.
#pragma once

namespace lipsmith {

inline constexpr int IDS_LIBDESCRIPTION = 1;
inline constexpr int IDS_CATEGORY = 2;  // not in the table: the class has no category
inline constexpr int IDS_CLASS_NAME = 3;
inline constexpr int IDS_PARAMS = 4;
inline constexpr int IDS_SPEECH_CONTROLLER_VERSION = 5;

// The string with the id, or nullptr when the table has none.
const char* GetControllerString(int id);

}  // namespace lipsmith
