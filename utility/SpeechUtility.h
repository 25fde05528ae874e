// The utility plug-in's one object: what the host opens and closes in its
// Utilities panel, and a global reference maker that hears the scene's
// reference messages, so the script editor's actor list follows the speech
// controllers as they are created, deleted, cloned, renamed or re-channelled.
#pragma once
#include <memory>

#include "HostSdk.h"
#include "ScriptEditor.h"
#include "Utility.h"

namespace lipsmith {

class UtilityWindows;

inline constexpr Class_ID SPEECH_UTILITY_CLASS_ID(0x742CB5D5, 0x7EDD7E7E);

class SpeechUtility : public UtilityObj, public ReferenceMaker {
public:
    SpeechUtility();
    ~SpeechUtility() override;

    // --- UtilityObj ---------------------------------------------------------
    void BeginEditParams(Interface* ip, IUtil* iu) override;
    void EndEditParams(Interface* ip, IUtil* iu) override;
    void SelectionSetChanged(Interface*, IUtil*) override {}
    void DeleteThis() override {}  // the object is static

    // --- ReferenceMaker -----------------------------------------------------
    SClass_ID SuperClassID() override { return UTILITY_CLASS_ID; }
    Class_ID ClassID() override { return SPEECH_UTILITY_CLASS_ID; }
    RefResult NotifyRefChanged(Interval changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message) override;

    // --- The rollup pages' procedure -------------------------------------------
    // A page was made: the editor is created (hidden) on first need, then the
    // wave output file is shown on the page that has the field.
    void PageInitialised();
    void ScriptEditorPressed();
    void PhonemeMappingPressed();
    void ChooseOutputFilePressed();

    // --- State ----------------------------------------------------------------
    bool IsOpen() const { return ip_ != nullptr; }
    ScriptEditor* Editor() { return editor_.get(); }
    // The Qt side (not owned); nullptr: no windows.
    void SetWindows(UtilityWindows* windows) { windows_ = windows; }
    // How the editor creates its speech server object (tests use a double).
    void SetEngineFactory(ScriptEditor::EngineFactory factory) { engineFactory_ = std::move(factory); }
    // Destroys the editor and its window (the plug-in or the host goes).
    void DestroyEditor();

private:
    void CreateEditor();
    void ShowWaveFile();
    static void OnNotify(void* param, NotifyInfo* info);
    bool InScene(const SpeechController* controller) const;

    Interface* ip_ = nullptr;
    IUtil* iu_ = nullptr;
    std::unique_ptr<ScriptEditor> editor_;
    UtilityWindows* windows_ = nullptr;
    ScriptEditor::EngineFactory engineFactory_;
    const SpeechController* lastCreated_ = nullptr;
    bool rebuildPending_ = false;
};

// The plug-in's one utility object and its class descriptor.
SpeechUtility& TheSpeechUtility();
ClassDesc2* GetSpeechUtilityDesc();

}  // namespace lipsmith
