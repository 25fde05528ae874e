// The script control's right-click menu (menu 4015) without its window: the
// items with their identifiers, and what choosing one inserts. Actors come
// from the scene's speaking nodes, voices from the installed voice list;
// inserted text is coloured like typed markup and replaces the selection as
// one undoable edit.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "EyesTagDlg.h"

namespace lipsmith {

class ScriptDlg;

inline constexpr int IDR_TAG_MENU = 4015;
inline constexpr int ID_TAG_CUT = 4074;
inline constexpr int ID_TAG_COPY = 4075;
inline constexpr int ID_TAG_PASTE = 4076;
inline constexpr int ID_TAG_NO_ACTORS = 4022;
inline constexpr int ID_TAG_FIRST_ACTOR = 177;
inline constexpr int ID_TAG_EYES = 4017;
inline constexpr int ID_TAG_BROW = 4056;
inline constexpr int ID_TAG_SPELL = 4071;
inline constexpr int ID_TAG_SILENCE = 4072;
inline constexpr int ID_TAG_NO_VOICES = 4115;
inline constexpr int ID_TAG_FIRST_VOICE = 61440;
inline constexpr int ID_TAG_PITCH_NORMAL = 6000;  // 6000..6010
inline constexpr int ID_TAG_RATE_NORMAL = 5000;   // 5000..5010


struct TagMenuItem {
    int id = 0;             // 0 for a separator or a pop-up
    std::string label;      // empty for a separator
    bool enabled = true;
    std::vector<TagMenuItem> items;  // a pop-up's items
    bool IsSeparator() const { return label.empty(); }
    bool IsPopup() const { return !items.empty(); }
};

// The menu's first pop-up, filled with the actors and voices.
TagMenuItem BuildTagMenu(const std::vector<std::string>& actors, const std::vector<std::string>& voices);

// The value of a pitch item (6000..6010) or a rate item (5000..5010).
std::optional<int> PitchOfItem(int id);
std::optional<int> RateOfItem(int id);

// How the menu's commands reach the world outside the text: the two
// property dialogs (true on OK) and the clipboard.
struct TagDialogs {
    std::function<bool(EyesTagDlg&)> runCueDialog;
    std::function<bool(SilenceDlg&)> runSilenceDialog;
    std::function<void()> cut, copy, paste;
};

class TagMenu {
public:
    TagMenu(ScriptDlg& dlg, std::vector<std::string> actors, std::vector<std::string> voices);
    TagMenuItem Menu() const { return BuildTagMenu(actors_, voices_); }
    // Carries out the chosen item. True when text was inserted.
    bool Command(int id, const TagDialogs& dialogs);

private:
    bool Insert(const std::string& text);

    ScriptDlg& dlg_;
    std::vector<std::string> actors_;
    std::vector<std::string> voices_;
};

}  // namespace lipsmith
