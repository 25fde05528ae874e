// The scene's speech controllers, keys and notes as JSON:
// {"fps":…, "ticksPerFrame":…, "nodes":[{"name":…, "parent":…,
//  "controllers":[{"track":…, "channel":…, "active":…, "scalars":[14 ints],
//  "keys":[{"t":…, "v":…, "flags":…, "inLen":…, "outLen":…}],
//  "notes":[{"t":…, "text":…}]}]}]}
#pragma once
#include <functional>
#include <string>

#include "Interface.h"

namespace lipsmith {

class SpeechController;

// Visits the speech controllers in a node's animation tree in the order the
// speaker index finds them: each sub-animatable in index order, its own
// sub-animatables first. `track` is the name the controller has in its parent.
void ForEachSpeechController(INode* node,
                             const std::function<void(const std::string& track, SpeechController* c)>& visit);

// A JSON string literal (quoted, escaped; bytes that are not UTF-8 are taken as Latin-1).
std::string JsonString(const std::string& text);
// The shortest text that reads back as the same float; null for NaN and infinities.
std::string JsonFloat(float v);

// The whole document, nodes depth first from the root (the root itself left out).
std::string SceneToJson(Interface& ip);

}  // namespace lipsmith
