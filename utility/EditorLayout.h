// Where the script editor's controls go for a given client size: the script
// and the actors tree share the upper part, the Parser Output pane spans the
// width above the options, which keep their sizes along the bottom edge.
#pragma once

namespace lipsmith {

struct LayoutRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const LayoutRect&) const = default;
};

struct EditorLayout {
    LayoutRect scriptGroup, script, position;
    LayoutRect actorsGroup, actors;  // empty when the tree is hidden
    LayoutRect outputGroup, output;
    LayoutRect keyCreation, parse, close;
};

inline constexpr int kDefaultTreeWidth = 180;
inline constexpr int kHiddenTreeWidth = -13;  // the tree's width in the rules while it is hidden
inline constexpr int kPositionFieldHeight = 20;
inline constexpr int kKeyCreationWidth = 440;
inline constexpr int kKeyCreationHeight = 47;
inline constexpr int kButtonWidth = 84;
inline constexpr int kButtonHeight = 24;

// Client width and height, the tree's width, whether the tree shows.
EditorLayout LayOutEditor(int width, int height, int treeWidth, bool treeVisible);

// The smallest client size at which nothing overlaps.
inline constexpr int kMinEditorWidth = 95 + kKeyCreationWidth + 2 * (kButtonWidth + 8) + 8;
inline constexpr int kMinEditorHeight = 360;

}  // namespace lipsmith
