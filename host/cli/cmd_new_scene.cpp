#include "Commands.h"

namespace lipsmith::cli {
// Placeholder until the scene host lands.
int RunNewScene(const Args&) { return UsageError("new-scene is not built yet"); }
int RunDump(const Args&) { return UsageError("dump is not built yet"); }
}  // namespace lipsmith::cli
