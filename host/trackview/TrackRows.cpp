#include "TrackRows.h"

#include <algorithm>

namespace lipsmith::trackview {
namespace {

// Sub-animatable graphs are trees in practice; the limit guards against a
// plug-in that lists an ancestor as its own sub-animatable.
constexpr int kMaxDepth = 32;

void AddSubAnims(std::vector<TrackRow>& rows, int parent, INode* node, Animatable* anim, int depth) {
    if (!anim || depth > kMaxDepth) return;
    const int n = anim->NumSubs();
    for (int i = 0; i < n; ++i) {
        Animatable* sub = anim->SubAnim(i);
        if (!sub) continue;
        rows[static_cast<std::size_t>(parent)].hasChildren = true;
        rows.push_back({RowKind::SubAnim, sub, node, parent, depth, anim->SubAnimName(i), false});
        AddSubAnims(rows, static_cast<int>(rows.size()) - 1, node, sub, depth + 1);
    }
}

void AddNode(std::vector<TrackRow>& rows, int parent, INode* node, int depth) {
    if (depth > kMaxDepth) return;
    rows.push_back({RowKind::Node, node, node, parent, depth, node->GetName(), false});
    const int self = static_cast<int>(rows.size()) - 1;
    for (int i = 0; i < node->NumTracks(); ++i) {
        rows[static_cast<std::size_t>(self)].hasChildren = true;
        Control* c = node->GetTrackController(i);
        rows.push_back({RowKind::Track, c, node, self, depth + 1, node->TrackName(i), false});
        AddSubAnims(rows, static_cast<int>(rows.size()) - 1, node, c, depth + 2);
    }
    for (int i = 0; i < node->NumberOfChildren(); ++i) {
        rows[static_cast<std::size_t>(self)].hasChildren = true;
        AddNode(rows, self, node->GetChildNode(i), depth + 1);
    }
}

}  // namespace

std::vector<TrackRow> BuildTrackRows(INode* root) {
    std::vector<TrackRow> rows;
    if (!root) return rows;
    for (int i = 0; i < root->NumberOfChildren(); ++i) AddNode(rows, -1, root->GetChildNode(i), 0);
    return rows;
}

bool SameRows(const std::vector<TrackRow>& a, const std::vector<TrackRow>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TrackRow& x, const TrackRow& y) {
        return x.kind == y.kind && x.anim == y.anim && x.node == y.node && x.parent == y.parent;
    });
}

int RowLines(const TrackRow& row, int lineHeight) {
    if (!row.anim) return 1;
    return std::clamp(row.anim->GetTrackVSpace(lineHeight), 1, kMaxRowLines);
}

}  // namespace lipsmith::trackview
