#include "EditorLayout.h"

namespace lipsmith {

EditorLayout LayOutEditor(int W, int H, int treeWidth, bool treeVisible) {
    const int T = treeVisible ? treeWidth : kHiddenTreeWidth;
    EditorLayout l;
    if (treeVisible) {
        l.actors = {W - T - 13, 23, T, H - 198};
        l.actorsGroup = {W - T - 20, 7, T + 14, H - 175};
    }
    l.outputGroup = {7, H - 175, W - 13, 125};
    l.output = {13, H - 160, W - 25, 105};
    // The position field sits just above the output group; the script runs
    // from the top of its group down to the field.
    const int scriptWidth = W - T - 39;
    l.position = {13, H - 177 - kPositionFieldHeight, scriptWidth, kPositionFieldHeight};
    l.script = {13, 23, scriptWidth, l.position.y - 2 - 23};
    l.scriptGroup = {7, 7, scriptWidth + 12, H - 175};
    // Options along the bottom edge.
    l.keyCreation = {95, H - 49, kKeyCreationWidth, kKeyCreationHeight};
    const int buttonsY = H - 49 + (kKeyCreationHeight - kButtonHeight) / 2 + 3;
    l.parse = {95 + kKeyCreationWidth + 10, buttonsY, kButtonWidth, kButtonHeight};
    l.close = {W - 7 - kButtonWidth, buttonsY, kButtonWidth, kButtonHeight};
    return l;
}

}  // namespace lipsmith
