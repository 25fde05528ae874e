// The windows of the utility, as its Qt-free shell sees them: the two rollup
// pages in the host's command panel and the script editor's window. The Qt
// side (ui/) implements it; without a desktop host nothing is shown.
#pragma once
#include <string>

class Interface;

namespace lipsmith {

class ScriptEditor;
class SpeechUtility;

class UtilityWindows {
public:
    virtual ~UtilityWindows() = default;
    // Adds "Text To Animation" (open) and "Configuration" (rolled up) to the
    // command panel. Each page, once made, calls SpeechUtility::PageInitialised.
    virtual void AddPages(Interface& ip, SpeechUtility& utility) = 0;
    virtual void DeletePages(Interface& ip) = 0;
    // The editor's window over the core, hidden, owned by the host's main window.
    virtual void CreateEditorWindow(ScriptEditor& editor, Interface& ip) = 0;
    // Shows the window, fits its contents to its size and gives it the focus.
    virtual void ShowEditorWindow() = 0;
    virtual void HideEditorWindow() = 0;
    virtual void DestroyEditorWindow() = 0;
    // Edit 4036 of the configuration page, when the page exists.
    virtual void ShowWaveFile(const std::string& path) = 0;
    // "Phoneme Mapping": the phoneme map editor, modal, for the editor's active map.
    virtual void OpenPhonemeMapEditor(ScriptEditor& editor) = 0;
};

}  // namespace lipsmith
