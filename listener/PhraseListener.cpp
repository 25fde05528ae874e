#include "PhraseListener.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "CNumbers.h"
#include "FileUtil.h"
#include "Hold.h"
#include "Interface.h"
#include "ListenerMessages.h"
#include "MessageBox.h"
#include "Node.h"
#include "PipelineMessages.h"
#include "SceneSound.h"
#include "SpeechSession.h"
#include "WaveFiles.h"

namespace lipsmith {

namespace {

std::string FormatLocalTime(const char* format) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[256];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

// The server runs in a folder of its own: it needs the full path.
std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

}  // namespace

PhraseListener::PhraseListener(SpeechSession& session) : session_(session) {}

void PhraseListener::RequestStop() { session_.RequestStop(); }

HRESULT PhraseListener::Run(const PhraseListenerInput& input) {
    ScriptDlg& editor = session_.Editor();
    Interface& ip = session_.Host();
    if (editor.isParsing) {
        RequestStop();
        return S_OK;
    }
    recorded_ = interrupted_ = serverError_ = false;
    if (session_.waveOutputPath.empty()) {
        ShowMessage(msg::kNoWaveFileAsk, kDefaultCaption, MB_OK | MB_ICONWARNING);
        session_.ChooseWaveOutputFile();
        if (session_.waveOutputPath.empty()) {
            ShowMessage(msg::kNoWaveFile, kDefaultCaption, MB_OK | MB_ICONWARNING);
            return E_FAIL;
        }
    }
    // A start beyond the time line would wrap round to negative ticks.
    const std::optional<TimeValue> startTick = InFrameStartTick(session_.options.inFrame, ip.GetFrameRate());
    if (!startTick) {
        ShowMessage(session_.InFrameProblem(), kDefaultCaption, MB_OK | MB_ICONWARNING);
        return E_FAIL;
    }

    editor.isParsing = true;
    session_.stoppedByUser = false;
    session_.engineFailure = S_OK;
    editor.Output().SetText(FormatLocalTime(msg::kListenerStarted));
    session_.clock.Reset(*startTick);
    // The phonemes come timed in milliseconds of the recording itself, and
    // nothing fits the keys to the sound afterwards: they are placed at the
    // host's exact ticks per millisecond, or they would drift off the
    // recording by about 6 ms a second.
    const double scriptRate = session_.clock.ticksPerMs;
    session_.clock.ticksPerMs = static_cast<double>(TIME_TICKSPERSEC) / 1000.0;
    session_.leftBlinkEnd = session_.rightBlinkEnd = *startTick;
    editor.reportWarnings = true;
    session_.Speakers().ResetDone();

    session_.previousSoundStart = *startTick;
    session_.previousSoundFile_.clear();
    if (IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject()); ws && !ws->GetSoundFileName().empty()) {
        session_.previousSoundStart = ws->GetStartTime();
        session_.previousSoundFile_ = ws->GetSoundFileName();
    }
    if (session_.onRunControlsEnabled) session_.onRunControlsEnabled(false);
    // The host lets go of the wave output file while the run works on it.
    ip.SetSoundObject(NewDefaultSoundObj());
    editor.Output().ResetCounts();

    HRESULT result = session_.WaveSwitch(false);
    if (SUCCEEDED(result)) {
        for (const std::string& name : RemoveStaleTemporaries(session_.waveOutputPath)) {
            session_.LogLine(CFormat(msg::kRemovedLeftover, name.c_str()));
        }
        // The phrase is recorded beside the output, so the output holds a
        // whole recording at every moment, the old one or the merged one.
        session_.recording_ = TemporarySiblingName(session_.waveOutputPath, "rec");
        result = session_.Engine() ? session_.Engine()->SetSpeechWaveFile(FullPath(session_.recording_)) : E_FAIL;
        if (SUCCEEDED(result)) result = SpeakPhrase(input);
        if (result == S_OK) recorded_ = PlaceRecording();
        session_.DiscardRecording();
    } else {
        session_.engineFailure = result;
    }
    // A run that placed nothing leaves the scene's sound as it was.
    if (!recorded_) session_.RestorePreviousSound();

    session_.clock.ticksPerMs = scriptRate;
    if (session_.onRunControlsEnabled) session_.onRunControlsEnabled(true);
    session_.Log(CFormat(msg::kRunCounts, FormatLocalTime(msg::kListenerStoppedTime).c_str(),
                         editor.Output().errorCount, editor.Output().warningCount));
    editor.isParsing = false;
    return recorded_ ? S_OK : (FAILED(result) ? result : E_FAIL);
}

HRESULT PhraseListener::SpeakPhrase(const PhraseListenerInput& input) {
    ScriptDlg& editor = session_.Editor();
    const TimeValue start = session_.clock.runStartTick;
    session_.clock.Reset(start);
    session_.leftBlinkEnd = session_.rightBlinkEnd = start;

    if (!input.itemSelected) {
        ShowMessage(msg::kSelectActor, kDefaultCaption, MB_OK);
        return E_FAIL;
    }
    if (!input.actorNode) {
        ShowMessage(msg::kInternalError14231, kDefaultCaption, MB_OK);
        return E_FAIL;
    }
    editor.currentActorNode = input.actorNode->GetName();
    const std::string grammar = editor.Script().Text();
    ITTS* engine = session_.Engine();

    bool beganHold = false;
    if (session_.options.enableUndo) {
        if (!theHold.Holding()) {
            theHold.Begin();
            beganHold = true;
        }
        session_.MakeSoundRestore();
    }
    session_.progress_ = std::make_unique<ProgressModel>();
    session_.progress_->SetListenerMode(true);
    session_.progress_->onStop = [this] { RequestStop(); };
    if (session_.onProgressOpened) session_.onProgressOpened(*session_.progress_);
    auto closeProgress = [&] {
        if (session_.onProgressClosed) session_.onProgressClosed();
        session_.progress_.reset();
    };

    session_.DeleteKeysAfterInFrame();
    const HRESULT started = engine ? engine->SpeechReco(grammar) : E_FAIL;
    if (FAILED(started)) {
        session_.LogLine(msg::kSpeechRecoFailed, OutputKind::Error);
        closeProgress();
        if (beganHold) theHold.Cancel();
        return started;
    }

    // Server message boxes saying recognition cannot start end the wait
    // when nobody is there to press Stop.
    auto previousHook = session_.onServerMessage;
    session_.onServerMessage = [this](unsigned type) {
        if (stopOnServerError && (type & 0xF0) == MB_ICONERROR) serverError_ = true;
    };
    HRESULT result = engine->IsDone();
    while (result != S_OK && editor.isParsing) {
        if (FAILED(result)) {
            session_.engineFailure = result;
            break;
        }
        MSG message;
        if (PeekMessage(&message, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        } else if (session_.waitForEvents) {
            session_.waitForEvents();
        } else {
            WaitMessage(1);
        }
        if (session_.onWaitTurn) session_.onWaitTurn();
        if (serverError_ && editor.isParsing) RequestStop();
        if (!editor.isParsing) break;
        result = engine->IsDone();
    }
    session_.onServerMessage = previousHook;
    closeProgress();

    if (result != S_OK) {
        interrupted_ = editor.isParsing == false;
        session_.stoppedByUser = interrupted_;
        if (interrupted_) {
            session_.LogLine(msg::kListenerInterrupted, OutputKind::Error);
        } else {
            session_.LogLine(CFormat(msg::kNotRecorded, session_.waveOutputPath.c_str()), OutputKind::Error);
        }
        // The keys made so far and the sound record are taken back.
        if (beganHold) theHold.Cancel();
    } else if (beganHold) {
        theHold.Accept(msg::kUndoName);
    }
    const HRESULT stopped = engine->StopReco();
    if (FAILED(stopped)) return stopped;
    if (result == S_OK && !RegularFileExists(session_.recording_)) {
        // Recognition ended without a phrase: no keys, nothing to merge.
        session_.LogLine(CFormat(msg::kNoPhraseRecorded, session_.waveOutputPath.c_str()), OutputKind::Error);
        return E_FAIL;
    }
    return result;
}

bool PhraseListener::PlaceRecording() {
    ScriptDlg& editor = session_.Editor();
    Interface& ip = session_.Host();
    const std::string& output = session_.waveOutputPath;
    const TimeValue S = session_.clock.runStartTick;
    if (editor.verboseOutput) {
        session_.LogLine(CFormat(msg::kPhraseRecorded, WaveLengthSeconds(session_.recording_),
                                 editor.currentActorNode.c_str(), S / static_cast<double>(ip.GetTicksPerFrame()), S));
    }
    if (const std::string problem = OutputTargetProblem(output); !problem.empty()) {
        session_.LogLine(CFormat(msg::kCannotWriteWave, output.c_str(), problem.c_str()), OutputKind::Error);
        return false;
    }
    TimeValue start = S;
    bool placed = true;
    if (!session_.options.freshRecording && RegularFileExists(output)) {
        const SpeechSession::MergeOutcome outcome = session_.MergeRecordingIntoOutput();
        if (outcome == SpeechSession::MergeOutcome::Merged) start = std::min(session_.previousSoundStart, S);
        placed = outcome != SpeechSession::MergeOutcome::Failed;
    } else {
        const bool hadPrevious = RegularFileExists(output);
        placed = session_.RecordingBecomesOutput();
        if (placed && hadPrevious) session_.LogLine(msg::kPreviousReplaced);
    }
    if (!placed) return false;
    PlaceSoundOnTrack(ip, output, start);
    session_.SetRedoSoundStart(start);
    soundStart_ = start;
    return true;
}

HRESULT PhraseListenerRun(SpeechSession& session, const PhraseListenerInput& input) {
    PhraseListener listener(session);
    return listener.Run(input);
}

}  // namespace lipsmith
