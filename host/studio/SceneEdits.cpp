#include "SceneEdits.h"

#include <cstdio>

namespace lipsmith::studio {
namespace {

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

}  // namespace

std::string UniqueNodeName(Interface& ip, const std::string& base) {
    if (!ip.GetINodeByName(base.c_str())) return base;
    for (int i = 1;; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%02d", i);
        const std::string name = base + suffix;
        if (!ip.GetINodeByName(name.c_str())) return name;
    }
}

std::string UniqueTrackName(INode* node, const std::string& base) {
    if (!node || node->FindTrack(base.c_str()) < 0) return base;
    for (int i = 2;; ++i) {
        const std::string name = base + " " + std::to_string(i);
        if (node->FindTrack(name.c_str()) < 0) return name;
    }
}

EditResult AddNode(Interface& ip, INode* parent, const std::string& name, INode** made) {
    if (Blank(name)) return EditResult::Fail("A node needs a name.");
    if (parent && !NodeInScene(ip.GetRootNode(), parent)) return EditResult::Fail("The parent node is gone.");
    INode* node = ip.CreateNode(name.c_str(), parent);
    if (made) *made = node;
    SetSaveRequiredFlag(TRUE);
    return {};
}

EditResult RenameNode(INode* node, const std::string& name) {
    if (!node) return EditResult::Fail("No node is selected.");
    if (Blank(name)) return EditResult::Fail("A node needs a name.");
    if (name == node->GetName()) return {};
    node->SetName(name.c_str());
    SetSaveRequiredFlag(TRUE);
    return {};
}

EditResult DeleteNode(Interface& ip, INode* node) {
    // Only a node found in the scene is looked at: the pointer may be stale.
    if (!NodeInScene(ip.GetRootNode(), node) || node == ip.GetRootNode())
        return EditResult::Fail("No node is selected.");
    ip.DeleteNode(node);
    SetSaveRequiredFlag(TRUE);
    return {};
}

EditResult AddFloatTrack(INode* node, const std::string& name) {
    if (!node) return EditResult::Fail("No node is selected.");
    if (Blank(name)) return EditResult::Fail("A track needs a name.");
    if (node->FindTrack(name.c_str()) >= 0) return EditResult::Fail("The node has a track named '" + name + "' already.");
    node->AddTrack(name.c_str(), NewDefaultFloatController());
    SetSaveRequiredFlag(TRUE);
    return {};
}

EditResult AssignController(INode* node, int track, ClassDesc* desc) {
    if (!node || track < 0 || track >= node->NumTracks()) return EditResult::Fail("No track is selected.");
    if (!desc || desc->SuperClassID() != CTRL_FLOAT_CLASS_ID)
        return EditResult::Fail("Only float controllers can be assigned to a float track.");
    auto* made = static_cast<ReferenceTarget*>(desc->Create(FALSE));
    if (!made) return EditResult::Fail(std::string("The class '") + desc->ClassName() + "' made no controller.");
    if (made->SuperClassID() != CTRL_FLOAT_CLASS_ID) {
        made->DeleteThis();
        return EditResult::Fail(std::string("The class '") + desc->ClassName() + "' made no float controller.");
    }
    auto* controller = static_cast<Control*>(made);
    if (!node->AssignController(track, controller)) {
        controller->DeleteThis();
        return EditResult::Fail("The controller cannot be assigned to this track.");
    }
    SetSaveRequiredFlag(TRUE);
    return {};
}

std::vector<ClassDesc*> FloatControllerClasses() {
    std::vector<ClassDesc*> classes;
    const ClassDirectory& dir = ClassDirectory::Get();
    for (int i = 0; i < dir.Count(); ++i) {
        ClassDesc* cd = dir[i];
        if (cd->SuperClassID() == CTRL_FLOAT_CLASS_ID && (cd->IsPublic() || cd->ClassID() == BEZIER_FLOAT_CLASS_ID))
            classes.push_back(cd);
    }
    return classes;
}

bool NodeInScene(INode* root, const INode* node) {
    if (!root || !node) return false;
    if (root == node) return true;
    for (int i = 0; i < root->NumberOfChildren(); ++i) {
        if (NodeInScene(root->GetChildNode(i), node)) return true;
    }
    return false;
}

}  // namespace lipsmith::studio
