// The parse-and-speak run of the script editor: it lets the parser split the
// script into actors, has the speech server speak each one, turns the
// server's notifications into keys, optionally records the dialogue into the
// wave output file, fits the animation to it and puts it on the scene's
// sound track. The window-free half of the editor; a window or the command
// line drives it.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ITTS.h"
#include "MarkString.h"
#include "MessageQueue.h"
#include "PhonemeMap.h"
#include "ProgressModel.h"
#include "ScriptDlg.h"
#include "SpeakerIndex.h"
#include "SpeechClock.h"
#include "Time.h"

class Interface;

namespace lipsmith {

class SpeechController;
class PhraseListener;

// Window messages of the speech notifications (WM_APP + event id).
inline constexpr UINT kMsgStartStream = WM_APP + 1;
inline constexpr UINT kMsgEndStream = WM_APP + 2;
inline constexpr UINT kMsgBookmark = WM_APP + 4;
inline constexpr UINT kMsgPhoneme = WM_APP + 6;
inline constexpr UINT kMsgSentence = WM_APP + 7;

// Speak flags the parser asks for, and the markup flag the session adds.
inline constexpr std::uint32_t kSpeakAsyncPurge = 3;
inline constexpr std::uint32_t kSpeakIsXml = 8;

// The key creation options of the editor.
struct RunOptions {
    int inFrame = 0;                      // "In Frame"
    bool deleteKeysAfterInFrame = false;  // "Delete keys after in frame"
    bool generateScratchTrack = true;     // "Generate scratch track"
    bool enableUndo = false;              // "Enable Undo"
    // The new recording replaces the wave output instead of being merged
    // into what it held.
    bool freshRecording = false;
};

// The tick an In Frame starts at (frames at `fps` frames per second turned
// into ticks, truncated); none when the In Frame is negative or its tick
// lies beyond the time line's last tick.
std::optional<TimeValue> InFrameStartTick(long long inFrame, int fps);
// The largest In Frame that InFrameStartTick accepts at `fps`.
long long LastInFrame(int fps);

class SpeechSession : public ActorSpeaker {
public:
    SpeechSession(ScriptDlg& editor, Interface& ip);
    ~SpeechSession() override;
    SpeechSession(const SpeechSession&) = delete;
    SpeechSession& operator=(const SpeechSession&) = delete;

    // --- Start-up ---------------------------------------------------------
    // The editor's engine and settings steps: create the speech server object
    // and give it the notify window, build the actor list, open the settings
    // key, fill the phoneme map, read the wave output file. Each failure shows
    // its message and skips the later steps; the result is the first failure.
    HRESULT Start();
    // The same with an engine made elsewhere (tests); none means creating it failed.
    HRESULT Start(std::unique_ptr<ITTS> engine);
    // Rebuilds the speaker index from the scene (the actor list refill).
    void RebuildSpeakers();
    // A speech controller was deleted.
    void ControllerDeleted(const SpeechController* controller);

    // --- The run ----------------------------------------------------------
    // "Parse Script": a run when idle, the stop request while one runs.
    void ParseScriptCommand();
    // A run refuses to start with an In Frame the time line cannot hold; this
    // is the message it shows then (empty when the In Frame is good), for a
    // window to check its field with.
    std::string InFrameProblem() const;
    void SpeechToAnimRun();
    void RequestStop();
    HRESULT SpeakActor(const std::string& text, int wavePass) override;
    // Chooses the wave output file with a save dialog and stores it as the
    // "WaveFile" setting. 0 after OK, E_FAIL after Cancel.
    HRESULT ChooseWaveOutputFile();

    // --- Notifications (the editor window's procedure) ---------------------
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND NotifyWindow() const { return window_; }

    // --- Keys ---------------------------------------------------------------
    void OnPhoneme(WPARAM wParam, LPARAM lParam);
    void KeysFromPhoneme(int features, int phonemeIndex, TimeValue durationTicks);
    void DeleteKeysAfterInFrame();
    void KeysFromBookmark(const std::string& mark, TimeValue bookmarkTick);

    // --- Wave output ------------------------------------------------------------
    // On: switch the server to the wave output file; Off: back to the speakers.
    HRESULT WaveSwitch(bool on);
    void SynchronizeToWave(TimeValue soundTicks);

    // --- State --------------------------------------------------------------
    ScriptDlg& Editor() { return editor_; }
    Interface& Host() { return ip_; }
    ITTS* Engine() { return engine_.get(); }
    SpeakerIndex& Speakers() { return speakers_; }
    PhonemeMap& ActiveMap() { return map_; }
    ProgressModel* Progress() { return progress_.get(); }

    RunOptions options;
    SpeechClock clock;
    TimeValue leftBlinkEnd = 0;
    TimeValue rightBlinkEnd = 0;
    std::string waveOutputPath;      // empty: no file chosen
    TimeValue previousSoundStart = 0;
    std::string undoWaveFile;        // the previous output saved for undo; empty when none
    int waveMode = 0;                // the server writes into the wave output file
    bool wavePassActive = false;     // notifications then make no keys and no time
    std::string voiceName;           // when set, every actor speaks with this voice
    // What the last run's keys pass returned: 0 when every actor was spoken,
    // 1 after a script error or a stop, else a failure.
    HRESULT keysPassResult = S_OK;
    // The last run was stopped by the user (in either pass).
    bool stoppedByUser = false;
    // The failing result of Speak or IsDone in the last run, S_OK when the
    // engine never failed.
    HRESULT engineFailure = S_OK;

    // Hooks for whoever shows the run (all optional).
    std::function<void(bool enabled)> onRunControlsEnabled;  // the controls a run disables
    std::function<void(ProgressModel&)> onProgressOpened;
    std::function<void()> onProgressClosed;
    std::function<void()> onWaitTurn;  // once per turn of the wait for the engine
    // Waits, while the engine speaks and nothing is queued, until something
    // may need handling: a notification posted to the queue or, in a window,
    // the toolkit's own events (which it handles). Unset: a short wait on the
    // message queue alone.
    std::function<void()> waitForEvents;
    // A message box of the speech server has been shown (its type: buttons
    // and icon).
    std::function<void(unsigned type)> onServerMessage;

private:
    // The listener runs its own kind of run on the session's state.
    friend class PhraseListener;

    void WavePassAndFitting(const std::string& script);
    // Merges the run's recording into the wave output. When it cannot, the
    // recording replaces the output on its own (the previous output kept
    // beside it), or, failing that too, nothing changes.
    enum class MergeOutcome { Merged, KeptAlone, Failed };
    MergeOutcome MergeRecordingIntoOutput();
    // Makes the run's recording the wave output. False after an error line.
    bool RecordingBecomesOutput();
    // After a run that made no recording: the scene's sound as it was
    // before the run (the wave output was never touched).
    void RestorePreviousSound();
    // Removes the run's recording file and anything the server left of it.
    void DiscardRecording();
    // Tells the undo record where redo puts the sound.
    void SetRedoSoundStart(TimeValue start);
    void MakeSoundRestore();
    void Log(const std::string& text, OutputKind kind = OutputKind::Plain);
    // The same, but on a line of its own whatever the pane ends with.
    void LogLine(const std::string& text, OutputKind kind = OutputKind::Plain);
    double TicksPerFrame() const;

    ScriptDlg& editor_;
    Interface& ip_;
    std::unique_ptr<ITTS> engine_;
    SpeakerIndex speakers_;
    PhonemeMap map_{};
    std::unique_ptr<ProgressModel> progress_;
    HWND window_ = 0;
    // Where the server records the wave pass: a file of this run beside the
    // output, so the output holds a whole recording at every moment.
    std::string recording_;
    // Where redo of this run's undo record puts the sound.
    std::shared_ptr<TimeValue> redoSoundStart_;
    // The scene's sound file when the run began ("" when it had none).
    std::string previousSoundFile_;
};

}  // namespace lipsmith
