#include "TtsEngine.h"

#include <cstring>

#include "Utf8.h"

namespace lipsmith::tts {

namespace {

constexpr const char* kServerCaption = "Lipsmith_TTS";
constexpr const char* kClientCaption = "Lipsmith";
constexpr auto kWorkerWait = std::chrono::milliseconds(1);
constexpr std::uint32_t kSpeakWaitMs = 2;

// SPSF_22kHz16BitMono.
speech::WaveFormat WaveFileFormat() {
    speech::WaveFormat f;
    f.formatTag = 1;
    f.channels = 1;
    f.samplesPerSec = 22050;
    f.bitsPerSample = 16;
    f.blockAlign = 2;
    f.avgBytesPerSec = 44100;
    return f;
}

}  // namespace

TtsEngine::TtsEngine(TtsEngineDeps deps) : deps_(std::move(deps)) {}

TtsEngine::~TtsEngine() { Shutdown(); }

void TtsEngine::Start() {
    if (worker_.joinable()) return;
    workerAlive_ = true;
    worker_ = std::thread([this] { WorkerMain(); });
}

void TtsEngine::Shutdown() {
    if (!worker_.joinable()) return;
    recoStopRequested_ = true;
    StopActiveRun();
    signals_.Set(kSignalQuit);
    worker_.join();
}

void TtsEngine::BeginShutdown() {
    // The speaking loop ends on the stop request; the voice, released on the
    // worker's way out, purges whatever it still had.
    state_.stopRequested = 1;
    recoStopRequested_ = true;
    StopActiveRun();
    signals_.Set(kSignalQuit);
}

// ---- ITTS methods (main thread) ----

HRESULT TtsEngine::Speak(const std::string& text, std::uint32_t flags) {
    state_.stopRequested = 0;
    {
        std::lock_guard lock(state_.mutex);
        ++state_.requestSerial;
        state_.busy = S_FALSE;
        state_.speakText = text;
        state_.speakFlags = flags | speech::SPF_ASYNC;
    }
    signals_.Set(kSignalSpeak);
    return S_OK;
}

HRESULT TtsEngine::SetNotifyHWND(std::int64_t hwnd) {
    state_.notifyWindow = static_cast<HWND>(static_cast<std::uint64_t>(hwnd) & 0xFFFFFFFFu);
    return S_OK;
}

HRESULT TtsEngine::Stop() {
    state_.stopRequested = 1;
    signals_.Set(kSignalStop);
    return S_OK;
}

HRESULT TtsEngine::IsDone() {
    // With the worker gone nothing will ever clear busy; say so instead of
    // letting the client poll forever.
    if (!workerAlive_) return E_FAIL;
    return state_.busy.load();
}

HRESULT TtsEngine::BeginSwitch(OutputSwitch to, const std::string& waveFile) {
    if (to == OutputSwitch::Wave) {
        if (waveFile.size() > kMaxPathChars || waveFile.find('\0') != std::string::npos) return E_INVALIDARG;
        if (!workerAlive_) return E_FAIL;
        {
            std::lock_guard lock(state_.mutex);
            state_.wavePath = waveFile;
        }
        signals_.Set(kSignalWaveMode);
        return S_OK;
    }
    if (!workerAlive_) return E_FAIL;
    signals_.Set(kSignalVoiceMode);
    return S_OK;
}

std::optional<HRESULT> TtsEngine::SwitchResult(OutputSwitch to) {
    if (signals_.TryTake(to == OutputSwitch::Wave ? kSignalWaveModeDone : kSignalVoiceModeDone)) return S_OK;
    if (signals_.IsClosed()) return E_FAIL;  // the worker has gone
    return std::nullopt;
}

HRESULT TtsEngine::SetToWaveMode(const std::string& waveFile) {
    const HRESULT hr = BeginSwitch(OutputSwitch::Wave, waveFile);
    if (FAILED(hr)) return hr;
    return signals_.Wait(kSignalWaveModeDone) ? S_OK : E_FAIL;
}

HRESULT TtsEngine::SetToVoiceMode() {
    const HRESULT hr = BeginSwitch(OutputSwitch::Voice);
    if (FAILED(hr)) return hr;
    return signals_.Wait(kSignalVoiceModeDone) ? S_OK : E_FAIL;
}

HRESULT TtsEngine::ReleaseWaveStream() {
    signals_.Set(kSignalReleaseStream);
    return S_OK;
}

HRESULT TtsEngine::SpeechReco(const std::string& grammarText) {
    {
        std::lock_guard lock(state_.mutex);
        ++state_.requestSerial;
        state_.busy = S_FALSE;
        state_.grammarText = grammarText;
    }
    recoStopRequested_ = false;
    state_.recognitionMode = 1;
    signals_.Set(kSignalStartRecognition);
    return S_OK;
}

HRESULT TtsEngine::SetSpeechWaveFile(const std::string& waveFile) {
    if (CountCodePoints(waveFile) > kMaxPathChars || waveFile.find('\0') != std::string::npos) {
        return E_INVALIDARG;
    }
    std::lock_guard lock(state_.mutex);
    state_.phraseAudioPath = waveFile;
    return S_OK;
}

HRESULT TtsEngine::StopReco() {
    recoStopRequested_ = true;
    StopActiveRun();
    state_.recognitionMode = 0;
    signals_.Set(kSignalStopRecognition);
    return S_OK;
}

HRESULT TtsEngine::CheckEngine() {
    // Creates the decoder (and keeps it warm for the first run).
    if (!deps_.listening) return REGDB_E_CLASSNOTREG;
    return SUCCEEDED(deps_.listening->Check(nullptr)) ? S_OK : REGDB_E_CLASSNOTREG;
}

// ---- worker thread ----

void TtsEngine::WorkerMain() {
    if (WorkerStart()) {
        for (;;) {
            const std::optional<int> fired = signals_.WaitAny(0, kWaitSetSize, kWorkerWait);
            if (fired == kSignalQuit) break;
            if (fired) {
                switch (*fired) {
                    case kSignalSpeak: DoSpeak(); break;
                    case kSignalStop: DoStop(); break;
                    case kSignalWaveMode: DoWaveMode(); break;
                    case kSignalVoiceMode: DoVoiceMode(); break;
                    case kSignalReleaseStream: DoReleaseStream(); break;
                    case kSignalStartRecognition: DoStartRecognition(); break;
                    case kSignalStopRecognition: DoStopRecognition(); break;
                    default: break;
                }
            }
            PumpOneMessage();
        }
        DoStopRecognition();
    } else {
        workerExitCode_ = 1;
    }
    state_.waveStream.reset();
    state_.defaultOutput.reset();
    state_.voice.reset();
    // Drop whatever the voice still had queued for this thread.
    MSG msg;
    while (PeekMessage(&msg, 0, PM_REMOVE)) {
    }
    workerAlive_ = false;
    signals_.Close();
    if (deps_.stateChanged) deps_.stateChanged();
}

bool TtsEngine::WorkerStart() {
    auto fail = [&](const char* text) {
        if (deps_.showError) deps_.showError(text, kServerCaption);
        state_.voice.reset();
        return false;
    };
    if (!deps_.createVoice || FAILED(deps_.createVoice(&state_.voice)) || !state_.voice) {
        return fail("Failed to create Voice server.");
    }
    speech::ISpVoice& voice = *state_.voice;
    voice.SetNotifyCallbackFunction([this] { OnVoiceEvents(); });
    voice.SetInterest(speech::SPFEI_ALL_TTS_EVENTS, speech::SPFEI_ALL_TTS_EVENTS);
    if (FAILED(voice.GetOutputStream(&state_.defaultOutput))) {
        return fail("Failed to obtain audio format. Make sure Audio device drivers are installed.");
    }
    return true;
}

void TtsEngine::PumpOneMessage() {
    MSG msg;
    if (PeekMessage(&msg, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

void TtsEngine::DoSpeak() {
    std::string text;
    std::uint32_t flags;
    {
        std::lock_guard lock(state_.mutex);
        text = state_.speakText;
        flags = state_.speakFlags;
        state_.servingSerial = state_.requestSerial;
        state_.busy = S_FALSE;
    }
    state_.voice->Speak(text, flags, nullptr);
    HRESULT result;
    do {
        result = state_.voice->WaitUntilDone(kSpeakWaitMs);
        SetBusyFromWorker(result);
        PumpOneMessage();
    } while (result == S_FALSE && !state_.stopRequested);
}

void TtsEngine::DoStop() { state_.voice->Speak(std::string(), speech::SPF_PURGEBEFORESPEAK, nullptr); }

void TtsEngine::DoWaveMode() {
    std::string path;
    {
        std::lock_guard lock(state_.mutex);
        path = state_.wavePath;
    }
    state_.waveFormat = WaveFileFormat();
    std::shared_ptr<speech::SpStream> stream = deps_.createStream ? deps_.createStream() : nullptr;
    if (stream && SUCCEEDED(stream->BindToFile(path, speech::SPFM_CREATE_ALWAYS, *state_.waveFormat,
                                               speech::SPFEI_ALL_EVENTS))) {
        state_.waveStream = stream;
        state_.voice->SetOutput(stream, true);
    }
    signals_.Set(kSignalWaveModeDone);
    if (deps_.stateChanged) deps_.stateChanged();
}

void TtsEngine::DoVoiceMode() {
    if (SUCCEEDED(state_.voice->SetOutput(state_.defaultOutput, true))) state_.waveStream.reset();
    signals_.Set(kSignalVoiceModeDone);
    if (deps_.stateChanged) deps_.stateChanged();
}

void TtsEngine::DoReleaseStream() { state_.waveStream.reset(); }

void TtsEngine::DoStartRecognition() {
    ListeningRequest request;
    {
        std::lock_guard lock(state_.mutex);
        state_.servingSerial = state_.requestSerial;
        request.grammarText = state_.grammarText;
        request.phraseAudioPath = state_.phraseAudioPath;
    }
    request.voice = state_.voice.get();
    request.notify = [this](UINT message, WPARAM wParam, LPARAM lParam) {
        const HWND hwnd = state_.notifyWindow;
        if (hwnd != 0 && deps_.notify) deps_.notify(hwnd, message, wParam, lParam, nullptr);
    };
    std::string why;
    std::unique_ptr<ListeningRun> run;
    if (deps_.listening) run = deps_.listening->Prepare(std::move(request), &why);
    if (!run) {
        // Busy stays 1 and recognition mode stays on until the client gives
        // up with StopReco.
        ShowNoRecognizer(why);
        return;
    }
    {
        std::lock_guard lock(runMutex_);
        activeRun_ = run.get();
        if (recoStopRequested_) run->Stop();
    }
    const ListeningOutcome outcome = run->Run();
    {
        std::lock_guard lock(runMutex_);
        activeRun_ = nullptr;
    }
    run.reset();  // the decoder goes back for the next run
    if (deps_.log) {
        static const char* const kEnds[] = {"phrase", "stopped", "no audio input", "no phrase", "failed"};
        std::string line = std::string("recognition: ") + kEnds[static_cast<int>(outcome.end)];
        if (!outcome.text.empty()) line += ": \"" + outcome.text + "\"";
        if (!outcome.message.empty()) line += " (" + outcome.message + ")";
        deps_.log(line);
    }
    // The set-up's own boxes: no owner, no caption, and the run goes on.
    if (deps_.showError) {
        if (outcome.grammarFailed) deps_.showError("CreateGrammar Failed", std::string());
        for (const std::string& note : outcome.notes) deps_.showError(note, std::string());
    }
    switch (outcome.end) {
        case ListeningEnd::CannotStart:
            // No audio input: as if no recognizer could start.
            ShowNoRecognizer(outcome.message);
            return;
        case ListeningEnd::Failed:
            if (deps_.showError) deps_.showError(outcome.message, kServerCaption);
            break;
        case ListeningEnd::Done:
        case ListeningEnd::Stopped:
        case ListeningEnd::NoPhrase: break;
    }
    SetBusyFromWorker(S_OK);
}

void TtsEngine::ShowNoRecognizer(const std::string& why) {
    if (!deps_.showError) return;
    std::string text =
        "Failed to start the Speech Recognition Engine, make sure it is installed.\n"
        "See the Lipsmith web site and the online help for how to obtain and install the speech "
        "recognition engine (Debian: the packages pocketsphinx-en-us and libpocketsphinx3) and a microphone.";
    if (!why.empty()) text += "\n(" + why + ")";
    deps_.showError(text, kClientCaption);
}

void TtsEngine::StopActiveRun() {
    std::lock_guard lock(runMutex_);
    if (activeRun_) activeRun_->Stop();
}

void TtsEngine::DoStopRecognition() { state_.recognitionMode = 0; }

void TtsEngine::SetBusyFromWorker(HRESULT value) {
    bool changed = false;
    {
        std::lock_guard lock(state_.mutex);
        if (state_.requestSerial == state_.servingSerial) changed = state_.busy.exchange(value) != value;
    }
    if (changed && value != S_FALSE && deps_.stateChanged) deps_.stateChanged();
}

void TtsEngine::OnVoiceEvents() {
    if (!state_.voice) return;
    speech::SPEVENT event;
    std::uint32_t fetched = 0;
    while (SUCCEEDED(state_.voice->GetEvents(1, &event, &fetched)) && fetched == 1) {
        if (!state_.recognitionMode) {
            if (event.eEventId == speech::SPEI_END_INPUT_STREAM) SetBusyFromWorker(S_OK);
            const HWND hwnd = state_.notifyWindow;
            if (hwnd != 0 && deps_.notify) {
                const UINT message = WM_APP + static_cast<std::int16_t>(event.eEventId);
                deps_.notify(hwnd, message, event.wParam, event.lParam, event.text.get());
            }
        }
        event = speech::SPEVENT{};
        fetched = 0;
    }
}

}  // namespace lipsmith::tts
