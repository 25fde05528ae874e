// The rows of a track view, walked from the scene's root node: each node,
// its float tracks (the controllers in them), their sub-animatables (a
// speech controller's note track and key track) and the child nodes. Rows
// are rebuilt from the scene whenever it may have changed; a row's object is
// only used after such a walk has found it alive.
#pragma once
#include <string>
#include <vector>

#include "Node.h"

namespace lipsmith::trackview {

enum class RowKind {
    Node,     // a scene node
    Track,    // a node's float track; anim is its controller (none when empty)
    SubAnim,  // a sub-animatable of a controller
};

struct TrackRow {
    RowKind kind = RowKind::Node;
    Animatable* anim = nullptr;
    INode* node = nullptr;  // the node the row belongs to
    int parent = -1;        // index of the parent row
    int depth = 0;
    std::string label;
    bool hasChildren = false;
};

// Every row below root (the root itself is not shown), parents before
// children, in display order.
std::vector<TrackRow> BuildTrackRows(INode* root);

// Whether two walks found the same rows (same objects, kinds and parents);
// labels may differ.
bool SameRows(const std::vector<TrackRow>& a, const std::vector<TrackRow>& b);

// How many lines a row is high: what its object asks for (GetTrackVSpace),
// at least 1 and at most kMaxRowLines.
inline constexpr int kMaxRowLines = 8;
int RowLines(const TrackRow& row, int lineHeight);

}  // namespace lipsmith::trackview
