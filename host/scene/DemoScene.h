// The built-in demo scene: node "Head" with one speech controller per
// channel 1 to 14, its child "Jaw" with a "Mouth Open" controller, and node
// "Narrator" with the ten mouth channels; 30 frames per second.
#pragma once
#include <string>

#include "Interface.h"

namespace lipsmith {

// Replaces ip's scene by the demo scene. The speech controller class must be
// known to the host (Lipsmith.dlc loaded); otherwise answers false with a message.
bool BuildDemoScene(Interface& ip, std::string* error);

}  // namespace lipsmith
