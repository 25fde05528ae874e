// Drives the real studio in this process: its main window with the plug-ins
// from the build (Lipsmith.dlc and Lipsmith.dlu), the demo scene, the
// Utilities tab, and the script editor window the utility opens. The speech
// server is the real Lipsmith_TTS, registered in a registry store of this
// process alone. Message boxes and file dialogs are answered from a script.
#pragma once
#include <QWidget>
#include <memory>
#include <string>

#include "MainWindow.h"
#include "ScriptedPrompts.h"

namespace lipsmith::testing {

class StudioDriver {
public:
    // Sets up the process: environment, server registration, the wave output
    // setting. Call before the QApplication exists.
    static void PrepareProcess(const std::string& folder);

    StudioDriver();
    ~StudioDriver();

    studio::MainWindow& Window() { return *window_; }
    ScriptedPrompts& Prompts() { return prompts_; }
    // Presses the utility's button in the Utilities tab; then "Script Editor".
    bool OpenUtility();
    bool OpenEditor();
    // The editor window and its controls, by object name.
    QWidget* Editor() const;
    template <class T = QWidget>
    T* Ctl(const char* name) const {
        return Editor() ? Editor()->findChild<T*>(name) : nullptr;
    }
    // File > Load with the script at `path`.
    bool LoadScript(const std::string& path);
    // Presses Parse Script; the run ends before this returns (the run
    // handles the window's events while it waits for the engine).
    void ParseScript();
    std::string Pane() const;
    std::string waveFile;

private:
    std::unique_ptr<studio::MainWindow> window_;
    ScriptedPrompts prompts_;
};

}  // namespace lipsmith::testing
