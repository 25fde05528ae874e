#include "Plugins.h"

#include "ClassDesc.h"
#include "SpeechController.h"

namespace lipsmith {

bool LoadControllerPlugins(std::string* error) {
    const std::string dir = PluginDirectory();
    std::vector<std::string> errors;
    LoadPluginsFrom(dir, {".dlc"}, &errors);
    if (ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID)) return true;
    if (error) {
        *error = "The speech controller plug-in Lipsmith.dlc was not found in '" + dir + "'.";
        for (const std::string& e : errors) *error += "\n" + e;
    }
    return false;
}

}  // namespace lipsmith
