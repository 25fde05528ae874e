// The engine of one CTTS object: its state (busy, stop request, notify
// window, texts and paths it was handed), the worker thread that owns its
// voice, and the ITTS methods. Every object of the server has one, so what
// one client says, hears and switches never touches another; their voices
// take turns on the process's one synthesis thread. The socket layer
// (TtsServer) calls the methods on its main thread one at a time; the worker
// sends the voice's events to the notify window through the `notify`
// function it was given, and waits until that returns.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "ITTS.h"
#include "Listening.h"
#include "MessageQueue.h"
#include "Signals.h"
#include "SpeechApi.h"

namespace lipsmith::tts {

// The worker's signals. The first eight are its wait set, in priority order.
enum WorkerSignal : int {
    kSignalQuit = 0,
    kSignalSpeak = 1,
    kSignalStop = 2,
    kSignalWaveMode = 3,
    kSignalVoiceMode = 4,
    kSignalReleaseStream = 5,
    kSignalStartRecognition = 6,
    kSignalStopRecognition = 7,
    kSignalWaveModeDone = 8,
    kSignalVoiceModeDone = 9,
};
inline constexpr int kWaitSetSize = 8;

// Paths longer than this (in bytes of the narrow path, or wide characters of
// the phrase audio path) do not fit the engine's path fields.
inline constexpr std::size_t kMaxPathChars = 255;

// Sends one notification synchronously: returns once the window has handled it.
// `text` is the bookmark's text when the event carries one, else nullptr.
using NotifyFunction =
    std::function<void(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const std::wstring* text)>;

struct TtsEngineDeps {
    std::function<HRESULT(std::unique_ptr<speech::ISpVoice>*)> createVoice;
    std::function<std::shared_ptr<speech::SpStream>()> createStream;
    // A message box of the server process (text, caption; error icon).
    std::function<void(const std::string& text, const std::string& caption)> showError;
    NotifyFunction notify;
    // A line for the server's log (what recognition heard); optional.
    std::function<void(const std::string&)> log;
    // Speech recognition; none: no recognizer is installed.
    std::shared_ptr<Listening> listening;
    // Called on the worker thread whenever an answer a caller may be waiting
    // for may be ready (speech ended, a switch of output done, the worker ended).
    std::function<void()> stateChanged;
};

// One object's engine state, shared by the main thread and its worker. The
// main thread writes what it hands over, then sets the signal; the worker
// reads after the signal. Flags are atomics; strings are guarded by `mutex`.
struct TtsEngineState {
    std::atomic<HWND> notifyWindow{0};
    std::atomic<HRESULT> busy{S_FALSE};
    std::atomic<std::uint32_t> stopRequested{0};
    std::atomic<std::uint32_t> recognitionMode{0};

    std::mutex mutex;
    std::string speakText;
    std::uint32_t speakFlags = speech::SPF_ASYNC;
    std::string wavePath;
    std::string phraseAudioPath;
    std::string grammarText;
    // Serial of the last Speak or SpeechReco, and of the request the worker is
    // serving. The worker only writes busy while they agree, so the end of an
    // earlier speech never clears the busy flag a newer request has set.
    std::uint32_t requestSerial = 0;
    std::uint32_t servingSerial = 0;

    // Owned by the worker thread alone.
    std::unique_ptr<speech::ISpVoice> voice;
    std::shared_ptr<speech::AudioSink> defaultOutput;
    std::optional<speech::WaveFormat> waveFormat;
    std::shared_ptr<speech::SpStream> waveStream;
};

class TtsEngine : public ITTS {
public:
    explicit TtsEngine(TtsEngineDeps deps);
    ~TtsEngine() override;
    TtsEngine(const TtsEngine&) = delete;
    TtsEngine& operator=(const TtsEngine&) = delete;

    // Starts the worker thread, which creates the voice.
    void Start();
    // Sets the quit signal and waits for the worker, which releases the wave
    // stream, the default output and the voice on its way out.
    void Shutdown();
    // For an object whose client has gone: stops what it says, drops what it
    // has queued and lets the worker end, without waiting for it (the voice
    // may wait for the synthesis thread to reach its dropped work). Ends
    // with stateChanged; then Shutdown returns at once.
    void BeginShutdown();
    // False once the worker has ended (after a start failure or Shutdown).
    bool WorkerAlive() const { return workerAlive_.load(); }
    // The worker's exit code: 0 after a normal end, 1 after a start failure.
    int WorkerExitCode() const { return workerExitCode_.load(); }

    HRESULT Speak(const std::string& text, std::uint32_t flags) override;
    HRESULT SetNotifyHWND(std::int64_t hwnd) override;
    HRESULT Stop() override;
    HRESULT IsDone() override;
    HRESULT SetToWaveMode(const std::string& waveFile) override;
    HRESULT SetToVoiceMode() override;
    HRESULT ReleaseWaveStream() override;
    HRESULT SpeechReco(const std::string& grammarText) override;
    HRESULT SetSpeechWaveFile(const std::string& waveFile) override;
    HRESULT StopReco() override;
    HRESULT CheckEngine() override;

    HWND NotifyWindow() const { return state_.notifyWindow.load(); }

    // SetToWaveMode and SetToVoiceMode in two halves, for a caller that serves
    // others meanwhile: Begin hands the switch to the worker (S_OK) or fails
    // as the method would; SwitchResult is empty until the worker has done
    // it, then the method's result. One switch at a time.
    enum class OutputSwitch { Wave, Voice };
    HRESULT BeginSwitch(OutputSwitch to, const std::string& waveFile = std::string());
    std::optional<HRESULT> SwitchResult(OutputSwitch to);

private:
    void WorkerMain();
    bool WorkerStart();
    void PumpOneMessage();
    void DoSpeak();
    void DoStop();
    void DoWaveMode();
    void DoVoiceMode();
    void DoReleaseStream();
    void DoStartRecognition();
    void DoStopRecognition();
    void OnVoiceEvents();
    void SetBusyFromWorker(HRESULT value);
    void StopActiveRun();
    void ShowNoRecognizer(const std::string& why);

    TtsEngineDeps deps_;
    TtsEngineState state_;
    SignalSet signals_;
    std::thread worker_;
    std::atomic<bool> workerAlive_{false};
    std::atomic<int> workerExitCode_{0};
    // The recognition run the worker is in (StopReco and shutdown end it
    // from the main thread), and whether the client has given up on it.
    std::mutex runMutex_;
    ListeningRun* activeRun_ = nullptr;
    std::atomic<bool> recoStopRequested_{false};
};

}  // namespace lipsmith::tts
