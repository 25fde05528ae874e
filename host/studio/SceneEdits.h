// What the scene explorer changes in the scene: nodes added, renamed and
// deleted, float tracks added, controller classes assigned to tracks. Each
// edit checks its input and answers a message instead of changing anything
// when it cannot be done.
#pragma once
#include <string>
#include <vector>

#include "ClassDesc.h"
#include "Interface.h"

namespace lipsmith::studio {

struct EditResult {
    bool ok = true;
    std::string error;  // why not, for the user
    explicit operator bool() const { return ok; }
    static EditResult Fail(std::string why) { return {false, std::move(why)}; }
};

// A name no node has yet: base, or base followed by 01, 02...
std::string UniqueNodeName(Interface& ip, const std::string& base);
// A track name the node does not use yet.
std::string UniqueTrackName(INode* node, const std::string& base);

EditResult AddNode(Interface& ip, INode* parent, const std::string& name, INode** made = nullptr);
EditResult RenameNode(INode* node, const std::string& name);
EditResult DeleteNode(Interface& ip, INode* node);
// Adds a float track with a new Bezier float controller.
EditResult AddFloatTrack(INode* node, const std::string& name);
// Puts a new controller of the class into the track, replacing the one there.
EditResult AssignController(INode* node, int track, ClassDesc* desc);

// Float controller classes the user may assign: the public ones and the
// host's default Bezier float.
std::vector<ClassDesc*> FloatControllerClasses();

// Whether node is still part of the scene below root.
bool NodeInScene(INode* root, const INode* node);

}  // namespace lipsmith::studio
