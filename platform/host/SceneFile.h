// Scene files (.lsc): the whole scene written through ISave and read back
// through ILoad and the class descriptors of the loaded plug-ins.
#pragma once
#include <string>

#include "Interface.h"

namespace lipsmith {

// Saves ip's scene to path through a temporary file that replaces path only
// when everything was written. On failure answers false with a message.
HOST_API bool SaveScene(Interface& ip, const std::string& path, std::string* error);
// Loads path in place of ip's scene. A file that cannot be read, is damaged,
// or names a class no loaded plug-in provides is refused with a message and
// leaves the current scene as it was.
HOST_API bool LoadScene(Interface& ip, const std::string& path, std::string* error);

}  // namespace lipsmith
