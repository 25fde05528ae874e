#include "SpeechSession.h"

#include <cmath>
#include <ctime>

#include "ActivePhonemeMap.h"
#include "CNumbers.h"
#include "Interface.h"
#include "MessageBox.h"
#include "PipelineMessages.h"
#include "Registry.h"
#include "Settings.h"
#include "SoundRestore.h"
#include "SpeechController.h"
#include "Utf8.h"

namespace lipsmith {

namespace {

std::string FormatLocalTime(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

std::string EscapeAttribute(const std::string& value) {
    std::string out;
    for (char c : value) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

std::optional<TimeValue> InFrameStartTick(long long inFrame, int fps) {
    if (inFrame < 0 || fps <= 0) return std::nullopt;
    const double ticks = std::trunc(static_cast<double>(inFrame) / fps * static_cast<double>(TIME_TICKSPERSEC));
    // The last tick stands for "forever": a run cannot start there.
    if (!(ticks < static_cast<double>(TIME_PosInfinity))) return std::nullopt;
    return static_cast<TimeValue>(ticks);
}

long long LastInFrame(int fps) {
    if (fps <= 0) return -1;
    long long n = static_cast<long long>(static_cast<double>(TIME_PosInfinity) * fps / TIME_TICKSPERSEC);
    while (n >= 0 && !InFrameStartTick(n, fps)) --n;
    while (InFrameStartTick(n + 1, fps)) ++n;
    return n;
}

SpeechSession::SpeechSession(ScriptDlg& editor, Interface& ip) : editor_(editor), ip_(ip) {
    editor_.SetActorSpeaker(this);
    window_ = CreateMessageWindow(
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return WindowProc(hwnd, message, wParam, lParam); });
}

SpeechSession::~SpeechSession() {
    if (editor_.GetActorSpeaker() == this) editor_.SetActorSpeaker(nullptr);
    engine_.reset();
    DestroyMessageWindow(window_);
}

void SpeechSession::Log(const std::string& text, OutputKind kind) { editor_.AppendParserOutput(text, kind); }

void SpeechSession::LogLine(const std::string& text, OutputKind kind) {
    const std::string& pane = editor_.Output().Text();
    if (!pane.empty() && pane.back() != '\n') Log("\n");
    Log(text, kind);
}

double SpeechSession::TicksPerFrame() const { return static_cast<double>(ip_.GetTicksPerFrame()); }

// --- Start-up -----------------------------------------------------------------

HRESULT SpeechSession::Start() {
    std::unique_ptr<ITTS> engine;
    if (FAILED(CreateCTTS(&engine))) engine.reset();
    return Start(std::move(engine));
}

HRESULT SpeechSession::Start(std::unique_ptr<ITTS> engine) {
    engine_ = std::move(engine);
    if (!engine_) {
        ShowMessage(msg::kEngineFailed, kDefaultCaption, MB_OK | MB_ICONERROR);
        return E_FAIL;
    }
    // The window handle travels sign-extended, as a 64-bit value.
    const HRESULT hr = engine_->SetNotifyHWND(static_cast<std::int64_t>(static_cast<std::int32_t>(window_)));
    if (FAILED(hr)) {
        ShowMessage(msg::kEngineFailed, kDefaultCaption, MB_OK | MB_ICONERROR);
        return hr;
    }
    RebuildSpeakers();
    // Opens the settings key (with its message) and fills the phoneme map.
    const HRESULT mapResult = FillActivePhonemeMap(map_);
    if (FAILED(mapResult)) return mapResult;
    RegKey key;
    std::string wave;
    if (key.Open(kSettingsHive, kSettingsKey) == ERROR_SUCCESS &&
        key.QueryString(kWaveFileValue, wave, kWaveFileMaxBytes) == ERROR_SUCCESS) {
        waveOutputPath = wave;
    } else {
        waveOutputPath.clear();
    }
    return S_OK;
}

void SpeechSession::RebuildSpeakers() { speakers_.Build(ip_.GetRootNode()); }

void SpeechSession::ControllerDeleted(const SpeechController* controller) { speakers_.RemoveController(controller); }

HRESULT SpeechSession::ChooseWaveOutputFile() {
    FileDialogRequest request;
    request.save = true;
    request.filter = "Wave Files (*.wav)|*.wav||";
    request.defaultExtension = "Wave";
    request.initialName = "*.wav";
    request.overwritePrompt = true;
    const std::optional<std::string> path = Prompts().FileDialog(request);
    if (!path) return E_FAIL;
    RegKey key;
    if (key.Create(kSettingsHive, kSettingsKey) == ERROR_SUCCESS) {
        waveOutputPath = *path;
        key.SetString(kWaveFileValue, *path);
    }
    return S_OK;
}

// --- The run ----------------------------------------------------------------------

void SpeechSession::ParseScriptCommand() {
    if (editor_.isParsing) {
        RequestStop();
    } else {
        SpeechToAnimRun();
    }
}

void SpeechSession::RequestStop() {
    if (onRunControlsEnabled) onRunControlsEnabled(true);
    editor_.isParsing = false;
}

std::string SpeechSession::InFrameProblem() const {
    const int fps = ip_.GetFrameRate();
    if (InFrameStartTick(options.inFrame, fps)) return {};
    return CFormat(msg::kInFrameOutOfRange, static_cast<long long>(options.inFrame), fps, LastInFrame(fps));
}

void SpeechSession::SpeechToAnimRun() {
    if (editor_.isParsing) return;
    if (waveOutputPath.empty()) {
        ShowMessage(msg::kNoWaveFileAsk, kDefaultCaption, MB_OK | MB_ICONWARNING);
        ChooseWaveOutputFile();
        if (waveOutputPath.empty()) {
            ShowMessage(msg::kNoWaveFile, kDefaultCaption, MB_OK | MB_ICONWARNING);
            return;
        }
    }
    // A start beyond the time line would wrap round to negative ticks.
    const std::optional<TimeValue> startTick = InFrameStartTick(options.inFrame, ip_.GetFrameRate());
    if (!startTick) {
        ShowMessage(InFrameProblem(), kDefaultCaption, MB_OK | MB_ICONWARNING);
        return;
    }

    editor_.isParsing = true;
    stoppedByUser = false;
    engineFailure = S_OK;
    const std::string script = editor_.Script().Text();
    editor_.Output().SetText(FormatLocalTime(msg::kRunStarted));

    clock.Reset(*startTick);
    leftBlinkEnd = rightBlinkEnd = clock.runStartTick;
    editor_.reportWarnings = true;
    speakers_.ResetDone();

    previousSoundStart = clock.runStartTick;
    previousSoundFile_.clear();
    if (IWaveSound* ws = GetWaveSoundInterface(ip_.GetSoundObject()); ws && !ws->GetSoundFileName().empty()) {
        previousSoundStart = ws->GetStartTime();
        previousSoundFile_ = ws->GetSoundFileName();
    }

    if (onRunControlsEnabled) onRunControlsEnabled(false);
    if (options.generateScratchTrack) ip_.SetSoundObject(NewDefaultSoundObj());

    bool beganHold = false;
    redoSoundStart_.reset();
    if (options.enableUndo) {
        if (!theHold.Holding()) {
            theHold.Begin();
            beganHold = true;
        }
        MakeSoundRestore();
    }

    progress_ = std::make_unique<ProgressModel>();
    progress_->onStop = [this] { ParseScriptCommand(); };
    if (onProgressOpened) onProgressOpened(*progress_);

    editor_.Output().ResetCounts();
    wavePassActive = false;
    const HRESULT keys = editor_.ParseScript(script, 0);
    keysPassResult = keys;

    // The window goes while its model is still there.
    if (onProgressClosed) onProgressClosed();
    progress_.reset();
    if (beganHold) theHold.Accept(msg::kUndoName);

    if (keys == S_OK && options.generateScratchTrack && editor_.isParsing) {
        WavePassAndFitting(script);
    } else if (options.generateScratchTrack) {
        // The scratch track was taken off the scene at the start.
        RestorePreviousSound();
    }

    if (onRunControlsEnabled) onRunControlsEnabled(true);
    Log(CFormat(msg::kRunCounts, FormatLocalTime(msg::kRunStoppedTime).c_str(), editor_.Output().errorCount,
                editor_.Output().warningCount));
    editor_.isParsing = false;
}

HRESULT SpeechSession::SpeakActor(const std::string& text, int wavePass) {
    if (!wavePass) {
        DeleteKeysAfterInFrame();
        if (progress_) progress_->SetProgressRange(static_cast<int>(editor_.ParseDocumentTextLength()));
    }
    if (!engine_) return E_FAIL;
    std::string spoken = text;
    if (!voiceName.empty()) {
        spoken = "<voice required=\"Name=" + EscapeAttribute(voiceName) + "\">" + text + "</voice>";
    }
    const HRESULT spoke = engine_->Speak(spoken, kSpeakAsyncPurge | kSpeakIsXml);
    if (FAILED(spoke)) {
        engineFailure = spoke;
        return spoke;
    }

    HRESULT r = engine_->IsDone();
    bool finished = r != S_FALSE;
    for (;;) {
        if (finished) {
            // A stop asked for while the engine was finishing still counts:
            // one more look, so it is not lost between two turns.
            if (onWaitTurn) onWaitTurn();
            if (editor_.isParsing) break;
            Log(msg::kStoppedByUser);
            stoppedByUser = true;
            return S_FALSE;
        }
        MSG message;
        if (PeekMessage(&message, 0, PM_NOREMOVE)) {
            GetMessage(&message, 0);
            TranslateMessage(&message);
            DispatchMessage(&message);
        } else {
            // Nothing queued: wait for the next notification rather than
            // spinning against the server.
            if (waitForEvents)
                waitForEvents();
            else
                WaitMessage(1);
        }
        if (onWaitTurn) onWaitTurn();
        if (editor_.isParsing) {
            r = engine_->IsDone();
            finished = r != S_FALSE;
            continue;
        }
        const HRESULT stopped = engine_->Stop();
        Log(FAILED(stopped) ? msg::kStopFailed : msg::kStoppedByUser);
        stoppedByUser = true;
        return S_FALSE;
    }
    if (FAILED(r)) engineFailure = r;
    return r;
}

// --- Notifications ------------------------------------------------------------------

LRESULT SpeechSession::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The speech server has no window: it asks us to show its message boxes.
    if (message == kMsgServerMessageBox) {
        const auto* text = reinterpret_cast<const wchar_t*>(lParam);
        const std::wstring whole = text ? std::wstring(text) : std::wstring();
        const std::size_t cut = whole.find(kMessageBoxSeparator);
        const std::string caption = cut == std::wstring::npos ? std::string() : WideToUtf8(whole.substr(0, cut));
        const std::string body = WideToUtf8(cut == std::wstring::npos ? whole : whole.substr(cut + 1));
        const unsigned type = static_cast<unsigned>(wParam & 0xFFFF);
        const int answer = ShowMessage(body, caption, type);
        if (onServerMessage) onServerMessage(type);
        return answer;
    }
    // The wave pass speaks the script a second time only to record it: its
    // notifications make no keys and add no spoken time.
    if (!wavePassActive) {
        switch (message) {
            case kMsgStartStream: {
                clock.firstKeyPending = 1;
                clock.firstSentence = 1;
                const std::string& actor = editor_.currentActorNode;
                if (speakers_.FindByName(actor)) {
                    Log(CFormat(msg::kAddingKeys, actor.c_str(), clock.currentTick / TicksPerFrame(), clock.currentTick));
                } else {
                    Log(CFormat(msg::kNoActor, actor.c_str(), actor.c_str()), OutputKind::Warning);
                }
                break;
            }
            case kMsgSentence:
                if (clock.firstSentence) {
                    clock.firstSentence = 0;
                } else {
                    clock.pausePending = 1;
                }
                if (progress_) progress_->AdvanceProgress(static_cast<int>(wParam & 0x7FFFFFFF));
                break;
            case kMsgBookmark: {
                const auto* text = reinterpret_cast<const wchar_t*>(lParam);
                KeysFromBookmark(text ? WideToUtf8(text) : std::string(), clock.currentTick);
                break;
            }
            case kMsgPhoneme:
                OnPhoneme(wParam, lParam);
                break;
            default:
                break;
        }
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace lipsmith
