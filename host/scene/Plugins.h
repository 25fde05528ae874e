// Plug-in loading for the host programs.
#pragma once
#include <string>
#include <vector>

namespace lipsmith {

// Loads the controller plug-ins (*.dlc) from the plug-in folder (beside the
// program, or $LIPSMITH_PLUGIN_DIR). Answers false with a message when the
// speech controller class is not available afterwards.
bool LoadControllerPlugins(std::string* error);

}  // namespace lipsmith
