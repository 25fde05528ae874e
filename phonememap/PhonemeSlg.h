// The phoneme map editor ("Phoneme Mouth Parameters") without its window:
// a working copy of the script editor's active map, one phoneme shown at a
// time in ten whole-number boxes, map files loaded and saved, the built-in
// map restored, and the default map file ("MapFile") chosen. The active map
// changes only by Load, Reset Defaults, Set As Default, the reload at
// opening, and closing with a copy of the edits.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "PhonemeMap.h"
#include "Registry.h"
#include "Result.h"

namespace lipsmith {

// Resources of the dialog.
inline constexpr int IDD_PHONEME_MAP = 4065;
inline constexpr int IDR_PHONEME_MAP_MENU = 4066;
inline constexpr int IDC_PHONEME_LIST = 4020;
inline constexpr int IDC_CURRENT_FILE = 4027;
inline constexpr int IDC_RESET_DEFAULTS = 4025;
inline constexpr int IDC_SET_AS_DEFAULT = 4030;
inline constexpr int ID_MAP_LOAD = 4067;
inline constexpr int ID_MAP_SAVE = 4068;
inline constexpr int ID_MAP_SAVE_AS = 4069;
inline constexpr int ID_MAP_EXIT = 4070;
// The number box of each mouth parameter, indexed by MouthParameter.
inline constexpr std::array<int, kMouthParameterCount> kMouthParameterBoxes{
    4026, 4042, 4034, 4041, 4035, 4036, 4037, 4038, 4039, 4040};

inline constexpr const char* kPhonemeMapCaption = "Phoneme Mouth Parameters";
inline constexpr const char* kMsgMapSettingsKeyFailed = "Internal Error 8768.";
inline constexpr const char* kMsgMapLoadFailed =
    "There was an error loading the file. Make sure it is a valid phoneme XML file.";
inline constexpr const char* kMsgSaveBeforeDefault =
    "You first have to save these settings to disk before you can set it as the default settings.";
inline constexpr const char* kMsgMapSaveChanges =
    "Do you wish to save changes? Choosing no will discard current changes.";
inline constexpr const char* kMsgAnotherDefault =
    "Another settings file is currently the default. If you wish to use these new settings you should make this "
    "file the default. Do you wish to do so? Choosing 'No' will result in previous setting still being active.";
inline constexpr const char* kMsgMapSaveFailed = "The phoneme map could not be saved to '%s'.";
inline constexpr const char* kMapFileFilter = "Phoneme File(*.xml)|*.xml||";
inline constexpr const char* kMapFileExtension = "XML";
inline constexpr const char* kMapFileInitialName = "*.xml";

// The text of the current file box when the default map file did not load.
std::string DefaultMapErrorText(const std::string& path);
// A parameter shown in a whole-number box: rounded half up, within the
// range of the box (values that are not numbers show 0).
int BoxValueOf(float parameter);

class PhonemeSlg {
public:
    PhonemeSlg(PhonemeMap& activeMap, RegistryStore& store = RegistryStore::Default());

    // Initialisation: reads the "MapFile" setting and reloads the active map
    // from it. Messages as the dialog shows them.
    void Open();

    // --- The phoneme list and the boxes -----------------------------------
    // The 49 symbols, in identifier order.
    std::array<std::string, kPhonemeCount> Symbols() const;
    std::optional<int> Selected() const { return selected_; }
    // Shows the entry: every parameter becomes its whole box value.
    void SelectPhoneme(int index);
    // The box's value for the selected phoneme (0 without a selection).
    int BoxValue(MouthParameter p) const;
    // A box's text changed: its whole number (0 when empty) is stored.
    void EditBox(MouthParameter p, const std::string& text);
    // The selected entry's ten parameters (zeros without a selection).
    std::array<float, kMouthParameterCount> SelectedParameters() const;

    // --- Files and the default map --------------------------------------
    void Load();
    // Save with the current file name (the save dialog when there is none);
    // Save As always asks. True when the working copy was written.
    bool Save() { return SaveWithName(currentFile_); }
    bool SaveAs() { return SaveWithName(""); }
    bool SaveWithName(const std::string& name);
    void ResetDefaults();
    void SetAsDefault();
    // The close box and "&Exit": true when the dialog may close.
    bool Close();

    // --- State ----------------------------------------------------------
    const PhonemeMap& WorkingCopy() const { return working_; }
    const std::string& CurrentFile() const { return currentFile_; }
    const std::string& DefaultFile() const { return defaultFile_; }
    const std::string& CurrentFileBox() const { return fileBox_; }
    bool Modified() const { return modified_; }

    // Called whenever what the dialog shows may have changed.
    std::function<void()> onChanged;

private:
    // Loads a map file (or the built-in map) into the active map; the active
    // map is left alone when the file does not load.
    HRESULT LoadIntoActive(const std::optional<std::string>& path);
    void Changed();

    PhonemeMap& active_;
    RegistryStore& store_;
    PhonemeMap working_;
    std::string currentFile_;
    std::string defaultFile_;
    std::string fileBox_;
    bool modified_ = false;
    std::optional<int> selected_;
};

}  // namespace lipsmith
