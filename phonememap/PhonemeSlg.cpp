#include "PhonemeSlg.h"

#include <climits>
#include <cmath>

#include "CNumbers.h"
#include "MessageBox.h"
#include "PhonemeMapFile.h"
#include "Settings.h"

namespace lipsmith {

std::string DefaultMapErrorText(const std::string& path) {
    return CFormat("Error loading %s. ", path.c_str()) + "Using defaults. " + "\r\n" +
           "Load a new file or press 'Reset Defaults'.";
}

int BoxValueOf(float parameter) {
    const double v = std::trunc(static_cast<double>(parameter) + 0.5);
    if (std::isnan(v)) return 0;
    if (v >= INT_MAX) return INT_MAX;
    if (v <= INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

PhonemeSlg::PhonemeSlg(PhonemeMap& activeMap, RegistryStore& store)
    : active_(activeMap), store_(store), working_(activeMap) {}

void PhonemeSlg::Changed() {
    if (onChanged) onChanged();
}

HRESULT PhonemeSlg::LoadIntoActive(const std::optional<std::string>& path) {
    // A file that fails half way must not leave the map half replaced.
    PhonemeMap loaded = active_;
    const HRESULT hr = LoadPhonemeMap(loaded, path);
    if (hr == S_OK) active_ = loaded;
    return hr;
}

void PhonemeSlg::Open() {
    RegKey key;
    if (key.Create(kSettingsHive, kSettingsKey, store_) != ERROR_SUCCESS) {
        ShowMessage(kMsgMapSettingsKeyFailed, kDefaultCaption, MB_OK | MB_ICONERROR);
        return;
    }
    std::string mapFile;
    // An empty name is no file, as everywhere else.
    if (key.QueryString(kMapFileValue, mapFile) != ERROR_SUCCESS || mapFile.empty()) return;
    if (LoadIntoActive(mapFile) == S_OK) {
        defaultFile_ = currentFile_ = fileBox_ = mapFile;
    } else {
        fileBox_ = DefaultMapErrorText(mapFile);
        defaultFile_.clear();
        currentFile_.clear();
    }
    Changed();
}

// --- The phoneme list and the boxes ---------------------------------------------

std::array<std::string, kPhonemeCount> PhonemeSlg::Symbols() const {
    std::array<std::string, kPhonemeCount> symbols;
    for (std::size_t i = 0; i < symbols.size(); ++i) symbols[i] = active_[i].name;
    return symbols;
}

void PhonemeSlg::SelectPhoneme(int index) {
    if (index < 0 || index >= kPhonemeCount) return;
    selected_ = index;
    // The boxes show whole numbers, and what they show is what the entry holds.
    PhonemeEntry& entry = working_[static_cast<std::size_t>(index)];
    for (float& p : entry.parameters) p = static_cast<float>(BoxValueOf(p));
    Changed();
}

int PhonemeSlg::BoxValue(MouthParameter p) const {
    if (!selected_) return 0;
    return BoxValueOf(working_[static_cast<std::size_t>(*selected_)][p]);
}

void PhonemeSlg::EditBox(MouthParameter p, const std::string& text) {
    if (!selected_) return;
    working_[static_cast<std::size_t>(*selected_)][p] = static_cast<float>(CAtoi(text));
    modified_ = true;
}

std::array<float, kMouthParameterCount> PhonemeSlg::SelectedParameters() const {
    std::array<float, kMouthParameterCount> values{};
    if (!selected_) return values;
    const PhonemeEntry& entry = working_[static_cast<std::size_t>(*selected_)];
    for (int i = 0; i < kMouthParameterCount; ++i) values[static_cast<std::size_t>(i)] = entry.parameters[i];
    return values;
}

// --- Files and the default map ------------------------------------------------

void PhonemeSlg::Load() {
    FileDialogRequest request;
    request.filter = kMapFileFilter;
    request.defaultExtension = kMapFileExtension;
    request.initialName = kMapFileInitialName;
    request.hideReadOnly = true;
    const std::optional<std::string> path = Prompts().FileDialog(request);
    if (!path) return;
    if (LoadIntoActive(*path) != S_OK) {
        ShowMessage(kMsgMapLoadFailed, kDefaultCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    currentFile_ = fileBox_ = *path;
    working_ = active_;
    if (selected_) SelectPhoneme(*selected_);
    modified_ = false;
    Changed();
}

bool PhonemeSlg::SaveWithName(const std::string& name) {
    std::string path = name;
    if (path.empty()) {
        FileDialogRequest request;
        request.save = true;
        request.filter = kMapFileFilter;
        request.defaultExtension = kMapFileExtension;
        request.initialName = kMapFileInitialName;
        request.overwritePrompt = true;
        const std::optional<std::string> chosen = Prompts().FileDialog(request);
        if (!chosen) return false;
        path = *chosen;
    }
    if (SavePhonemeMap(working_, path) != S_OK) {
        // The names and the modified mark stay; the user must know the edits
        // are not on disk.
        ShowMessage(CFormat(kMsgMapSaveFailed, path.c_str()), kDefaultCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    currentFile_ = fileBox_ = path;
    modified_ = false;
    Changed();
    return true;
}

void PhonemeSlg::ResetDefaults() {
    defaultFile_.clear();
    currentFile_.clear();
    RegKey key;
    if (key.Open(kSettingsHive, kSettingsKey, store_) == ERROR_SUCCESS) key.DeleteValue(kMapFileValue);
    fileBox_.clear();
    LoadIntoActive(std::nullopt);
    working_ = active_;
    const bool modified = modified_;
    if (selected_) SelectPhoneme(*selected_);
    modified_ = modified;
    Changed();
}

void PhonemeSlg::SetAsDefault() {
    if (currentFile_.empty()) {
        ShowMessage(kMsgSaveBeforeDefault, kDefaultCaption, MB_OK | MB_ICONWARNING);
        if (!SaveWithName("")) return;
    }
    RegKey key;
    if (key.Create(kSettingsHive, kSettingsKey, store_) != ERROR_SUCCESS) return;
    if (key.SetString(kMapFileValue, currentFile_) != ERROR_SUCCESS) return;
    fileBox_ = defaultFile_ = currentFile_;
    LoadIntoActive(currentFile_);
    Changed();
}

bool PhonemeSlg::Close() {
    if (modified_) {
        const int answer = ShowMessage(kMsgMapSaveChanges, kDefaultCaption, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
        if (answer == IDCANCEL) return false;
        if (answer == IDNO) return true;  // the edits go; the active map keeps its values
        if (!Save()) return false;
        if (currentFile_ == defaultFile_) {
            active_ = working_;
        } else if (ShowMessage(kMsgAnotherDefault, kDefaultCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
            active_ = working_;
            SetAsDefault();
        }
        return true;
    }
    if (currentFile_ != defaultFile_ &&
        ShowMessage(kMsgAnotherDefault, kDefaultCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
        active_ = working_;
        SetAsDefault();
    }
    return true;
}

}  // namespace lipsmith
