#include "Node.h"

#include <algorithm>

#include "ChunkIO.h"

namespace {
constexpr USHORT kNameChunk = 0x0100;
constexpr USHORT kTrackChunk = 0x0110;  // one per track: its name
constexpr USHORT kRootChunk = 0x0120;
}  // namespace

INode::INode() = default;

INode::~INode() {
    if (parent_) {
        auto& sib = parent_->children_;
        sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
        parent_ = nullptr;
    }
    std::vector<INode*> children;
    children.swap(children_);
    for (INode* c : children) {
        c->parent_ = nullptr;
        c->DeleteThis();
    }
}

void INode::SetName(const char* name) {
    name_ = name ? name : "";
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
}

INode* INode::GetChildNode(int i) const {
    if (i < 0 || i >= NumberOfChildren()) return nullptr;
    return children_[static_cast<std::size_t>(i)];
}

bool INode::IsDescendantOf(const INode* other) const {
    for (const INode* n = this; n; n = n->parent_) {
        if (n == other) return true;
    }
    return false;
}

BOOL INode::AttachChild(INode* child, int) {
    if (!child || child->isRoot_ || IsDescendantOf(child)) return FALSE;
    if (child->parent_ == this) return TRUE;
    if (child->parent_) child->Detach(0);
    children_.push_back(child);
    child->parent_ = this;
    child->NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_LINK);
    return TRUE;
}

void INode::Detach(TimeValue, int) {
    if (!parent_) return;
    auto& sib = parent_->children_;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
    parent_ = nullptr;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_LINK);
}

int INode::AddTrack(const char* name, Control* controller) {
    tracks_.push_back({name ? name : "", nullptr});
    int index = NumTracks() - 1;
    if (controller) ReplaceReference(index, controller);  // a loop leaves the track empty
    return index;
}

const char* INode::TrackName(int i) const {
    if (i < 0 || i >= NumTracks()) return "";
    return tracks_[static_cast<std::size_t>(i)].name.c_str();
}

int INode::FindTrack(const char* name) const {
    for (int i = 0; i < NumTracks(); ++i) {
        if (tracks_[static_cast<std::size_t>(i)].name == (name ? name : "")) return i;
    }
    return -1;
}

Control* INode::GetTrackController(int i) const {
    if (i < 0 || i >= NumTracks()) return nullptr;
    return tracks_[static_cast<std::size_t>(i)].controller;
}

BOOL INode::AssignController(int track, Control* controller) {
    if (track < 0 || track >= NumTracks()) return FALSE;
    Control* old = GetTrackController(track);
    if (old && controller && old != controller) controller->Copy(old);
    if (ReplaceReference(track, controller) != REF_SUCCEED) return FALSE;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CONTROLREF_CHANGE);
    return TRUE;
}

RefTargetHandle INode::GetReference(int i) { return GetTrackController(i); }

void INode::SetReference(int i, RefTargetHandle rtarg) {
    if (i < 0 || i >= NumTracks()) return;
    // Tracks hold float controllers only.
    Control* c = rtarg && rtarg->SuperClassID() == CTRL_FLOAT_CLASS_ID ? static_cast<Control*>(rtarg) : nullptr;
    tracks_[static_cast<std::size_t>(i)].controller = c;
}

TSTR INode::SubAnimName(int i) { return TrackName(i); }

IOResult INode::Save(ISave* isave) {
    IOResult r = lipsmith::WriteStringChunk(isave, kNameChunk, name_);
    for (const Track& t : tracks_) {
        if (r == IO_OK) r = lipsmith::WriteStringChunk(isave, kTrackChunk, t.name);
    }
    if (r == IO_OK) r = lipsmith::WriteValueChunk(isave, kRootChunk, static_cast<int>(isRoot_));
    return r;
}

IOResult INode::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        IOResult r = IO_OK;
        switch (iload->CurChunkID()) {
            case kNameChunk: r = iload->ReadCStringChunk(name_); break;
            case kTrackChunk: {
                Track t;
                r = iload->ReadCStringChunk(t.name);
                tracks_.push_back(t);
                break;
            }
            case kRootChunk: {
                int root = 0;
                r = lipsmith::ReadValue(iload, root);
                isRoot_ = root != 0;
                break;
            }
            default: break;
        }
        iload->CloseChunk();
        if (r != IO_OK) return r;
    }
    return res == IO_END ? IO_OK : res;
}
