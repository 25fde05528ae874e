// The utility's Qt windows, for the plug-in's glue (this header names no Qt).
#pragma once
#include <functional>

namespace lipsmith {

class UtilityWindows;

// The one Qt implementation of the utility's windows. `onQuit` runs when the
// Qt application is about to end (the utility lets its editor go then, while
// Qt is still there to close its windows).
UtilityWindows* QtUtilityWindows(std::function<void()> onQuit);

}  // namespace lipsmith
