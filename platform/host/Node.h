// Scene nodes: a name, a place in the node tree, and named float tracks whose
// controllers are the node's references and sub-animatables.
#pragma once
#include <string>
#include <vector>

#include "Control.h"

class HOST_API INode : public ReferenceTarget {
public:
    INode();
    // Deletes the child nodes; controllers go with their last reference.
    ~INode() override;

    Class_ID ClassID() override { return NODE_CLASS_ID; }
    SClass_ID SuperClassID() override { return BASENODE_CLASS_ID; }
    void GetClassName(TSTR& s) override { s = "Node"; }
    void DeleteThis() override { delete this; }

    const char* GetName() const { return name_.c_str(); }
    // Renames and sends REFMSG_NODE_NAMECHANGE.
    void SetName(const char* name);

    INode* GetParentNode() const { return parent_; }
    int NumberOfChildren() const { return static_cast<int>(children_.size()); }
    INode* GetChildNode(int i) const;
    BOOL IsRootNode() const { return isRoot_; }
    void SetRootNode(bool root) { isRoot_ = root; }
    // Makes child the last child of this node, taking it from its old parent.
    // Refuses (FALSE) this node itself, one of its ancestors, and the root.
    BOOL AttachChild(INode* child, int keepTM = 1);
    // Takes the node out of its parent's children; the caller owns it then.
    void Detach(TimeValue t, int keepTM = 1);
    // Whether this node is `other` or lies below it.
    bool IsDescendantOf(const INode* other) const;

    // Float tracks. AddTrack answers the new track's index.
    int AddTrack(const char* name, Control* controller = nullptr);
    int NumTracks() const { return static_cast<int>(tracks_.size()); }
    const char* TrackName(int i) const;
    int FindTrack(const char* name) const;
    Control* GetTrackController(int i) const;
    // Replaces the track's controller (ReplaceReference, then
    // REFMSG_CONTROLREF_CHANGE to the scene). FALSE for a bad index or a loop.
    BOOL AssignController(int track, Control* controller);

    int NumRefs() override { return NumTracks(); }
    RefTargetHandle GetReference(int i) override;
    void SetReference(int i, RefTargetHandle rtarg) override;

    int NumSubs() override { return NumTracks(); }
    Animatable* SubAnim(int i) override { return GetTrackController(i); }
    TSTR SubAnimName(int i) override;

    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    struct Track {
        std::string name;
        Control* controller = nullptr;
    };
    std::string name_;
    INode* parent_ = nullptr;
    std::vector<INode*> children_;
    std::vector<Track> tracks_;
    bool isRoot_ = false;
};
