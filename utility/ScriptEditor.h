// The script editor without its window: the script and the Parser Output
// pane (ScriptDlg), the speech session that runs the script, the actors
// tree, the key creation options, the editor's two modes, its files and the
// In Frame lock that follows the time slider. The window (ui/) shows this
// state and forwards the user's commands; the utility calls the refills.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ActorTree.h"
#include "EditorLayout.h"
#include "ITTS.h"
#include "Interface.h"
#include "PhraseListener.h"
#include "ScriptDlg.h"
#include "ScriptSearch.h"
#include "SpeechSession.h"

namespace lipsmith {

enum class EditorMode { TextToSpeech = 0, Phrase = 1 };

// What the window has to show anew.
enum class EditorChange { Title, Options, Mode, InFrame, Actors, WaveFile };

inline constexpr const char* kUntitled = "Untitled";
inline constexpr const char* kEditorCaption = "Speech Dialog Editor";
inline constexpr const char* kHelpTopic = "Help\\Lipsmith.chm::/ScriptEditor.htm";
inline constexpr const char* kMsgSavePrompt = "Do you wish to save changes to %s?";
inline constexpr const char* kMsgSavePromptUntitled = "Do you wish to save changes to Untitled";
inline constexpr const char* kMsgNoRecognizer =
    "Failed to start speech recognition engine, mode cannot change. Please make sure the Microsoft ASR Speech "
    "Recognition engine is installed. See the online help for more information.";

class ScriptEditor : public TimeChangeCallback {
public:
    using EngineFactory = std::function<HRESULT(std::unique_ptr<ITTS>*)>;

    explicit ScriptEditor(Interface& ip);
    ~ScriptEditor() override;
    ScriptEditor(const ScriptEditor&) = delete;
    ScriptEditor& operator=(const ScriptEditor&) = delete;

    ScriptDlg& Dlg() { return dlg_; }
    ScriptText& Script() { return dlg_.Script(); }
    SpeechSession& Session() { return *session_; }
    Interface& Host() { return ip_; }
    const ActorTree& Actors() const { return actors_; }

    // Opening: the engine and settings steps (speech server, actors, settings
    // key, phoneme map, wave output file). Each failure shows its message and
    // skips the later steps; the editor stays usable for editing.
    HRESULT Open(const EngineFactory& createEngine);

    // --- Actors ------------------------------------------------------------
    // Rebuilds the SpeakerIndex from the scene and the tree from it. While a
    // run is using the index, the refill waits until the run has ended.
    void RefillActors();
    void ControllerChannelChanged(const SpeechController* controller);
    void NodeRenamed(const INode* node);
    void ControllerDeleted(const SpeechController* controller);
    // Double-click on a controller item.
    bool ToggleActive(SpeechController* controller);
    // The names of the speaking nodes, in the order of the speaker index
    // (the tag menu's actors and the cue dialog's nodes).
    std::vector<std::string> ActorNames() const;
    // The installed voices the tag menu offers, in the voice list's order.
    std::function<std::vector<std::string>()> voiceNames;

    // --- Title and files ------------------------------------------------------
    const std::string& Title() const { return title_; }
    bool Load();
    // Save: to scriptPath, or Save As without one. False when nothing was saved.
    bool Save();
    bool SaveAs();
    // Nothing unless the script is modified. False when the user cancelled
    // (or a save the user asked for failed); the caller then stops.
    bool SavePrompt(bool withCancel);

    // --- Key creation options --------------------------------------------------
    RunOptions& Options() { return session_->options; }
    void SetReplaceMode(bool replace);
    void SetOption(bool RunOptions::*option, bool on);
    // Whole frames as typed (at most nine digits).
    std::uint64_t InFrame() const { return inFrame_; }
    void SetInFrame(std::uint64_t frame);
    bool InFrameLocked() const { return lockInFrame_; }
    // Down: In Frame takes the time slider's frame now and at every change.
    void SetInFrameLock(bool down);
    void TimeChanged(TimeValue t) override;

    // --- Modes ---------------------------------------------------------------
    EditorMode Mode() const { return mode_; }
    // False (after the message) when phrase mode cannot start.
    bool SwitchMode(EditorMode mode);
    // In phrase mode "Enable Undo" and "Generate scratch track" are forced on.
    bool OptionsForced() const { return mode_ == EditorMode::Phrase; }

    // --- View ------------------------------------------------------------------
    bool ActorsVisible() const { return actorsVisible_; }
    void SetActorsVisible(bool visible) { actorsVisible_ = visible; }
    int TreeWidth() const { return treeWidth_; }
    void SetTreeWidth(int width) { treeWidth_ = width; }
    EditorLayout Layout(int width, int height) const { return LayOutEditor(width, height, treeWidth_, actorsVisible_); }
    void ToggleVerbose() { dlg_.ToggleVerboseOutput(); }

    // --- Running ---------------------------------------------------------------
    // Button 3: "Parse Script" (or its stop request) in text-to-speech mode,
    // "Speak Phrase" in phrase mode.
    void RunCommand(const PhraseListenerInput& selection = {});
    bool Running() const { return dlg_.isParsing; }
    // The host's help path of the editor's page.
    std::string HelpPath();

    // --- Find and replace --------------------------------------------------------
    // "Find Next": selects and answers the match; nothing means no match (beep).
    std::optional<TextMatch> FindNext(const std::string& what, const FindOptions& options);
    // "Replace": the selection, if it is the search text, becomes the replacement
    // (one undoable edit); then the next match is found.
    std::optional<TextMatch> Replace(const std::string& what, const std::string& with, const FindOptions& options);
    // "Replace All": answers how many were replaced.
    int ReplaceAll(const std::string& what, const std::string& with, const FindOptions& options);
    void EndFindSeries() { findSeries_.Reset(); }

    // The window's observer.
    std::function<void(EditorChange)> onChange;
    // The wave output file changed (the utility panel shows it).
    std::function<void()> onWaveFileChanged;

private:
    void Changed(EditorChange what);
    void SetTitle(const std::string& title);
    bool SaveTo(const std::string& path);

    Interface& ip_;
    ScriptDlg dlg_;
    std::unique_ptr<SpeechSession> session_;
    ActorTree actors_;
    std::string title_ = kUntitled;
    std::uint64_t inFrame_ = 0;
    bool lockInFrame_ = false;
    EditorMode mode_ = EditorMode::TextToSpeech;
    bool savedUndo_ = false;
    bool savedScratch_ = true;
    bool actorsVisible_ = true;
    int treeWidth_ = kDefaultTreeWidth;
    bool refillAfterRun_ = false;  // the scene changed while a run held the actor list
    FindSeries findSeries_;
};

}  // namespace lipsmith
