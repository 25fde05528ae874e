// Gives this module's speech controllers their Qt windows. A plug-in calls
// it once when it is loaded; windows are made only when a host with a
// running QApplication asks for one with a parent window.
#pragma once

namespace lipsmith {

void InstallControllerWindows();

}  // namespace lipsmith
