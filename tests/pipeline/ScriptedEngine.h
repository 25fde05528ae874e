// A speech engine double for pipeline tests: it answers ITTS calls in-process
// and plays the notifications each test scripts per actor text to the notify
// window, one at a time as the real server does (the next one is posted when
// the client polls IsDone after the previous one was handled, so a stop
// leaves nothing in flight). In wave mode it writes a real 22050 Hz, 16-bit
// mono wave file whose length follows the phonemes it spoke.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ITTS.h"
#include "MessageQueue.h"

namespace lipsmith::testing {

struct ScriptedEvent {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string mark;  // bookmarks: the mark text
};

// Notifications as the server sends them (WM_APP + event id).
ScriptedEvent PhonemeEvent(int phone, int ms, int features = 0, int next = 0);
ScriptedEvent BookmarkEvent(const std::string& mark);
ScriptedEvent SentenceEvent(int characters);

struct SpeakCall {
    std::string text;
    std::uint32_t flags = 0;
    bool waveMode = false;
};

class ScriptedEngine : public ITTS {
public:
    ScriptedEngine();
    ~ScriptedEngine() override;

    // The events for a text that contains `needle` (first rule that matches);
    // a text no rule matches speaks nothing. Start and end of stream are added.
    void Say(const std::string& needle, std::vector<ScriptedEvent> events);
    // Called after each scripted event has been handled by the window (not
    // for the stream start and end); index counts from 0 within one Speak.
    std::function<void(const ScriptedEvent&, std::size_t index)> onHandled;

    // Answers to give.
    HRESULT speakResult = S_OK;
    HRESULT waveSpeakResult = S_OK;  // Speak in wave mode
    HRESULT stopResult = S_OK;
    HRESULT waveModeResult = S_OK;
    HRESULT isDoneResult = S_OK;  // a failure here is what IsDone answers
    // How long the recording is against the phonemes' own length, as the
    // animation counts it (ms x 4.827789 ticks): 1.1 records 10% more.
    double waveStretch = 1.0;
    // Extra recorded time per Speak in wave mode, in milliseconds (silence
    // that comes with no phoneme).
    int extraWaveMs = 0;
    std::int16_t sampleValue = 1000;  // every recorded sample has this value
    // What the wave file becomes: a proper wave file, a damaged one, or none.
    enum class WaveOutput { Proper, Damaged, None } waveOutput = WaveOutput::Proper;

    // What happened.
    std::vector<SpeakCall> speaks;
    std::vector<std::string> waveFiles;  // SetToWaveMode paths, in order
    int stops = 0;
    int releases = 0;
    bool InWaveMode() const;
    // Bytes of the last wave file written (the whole file).
    std::string lastWaveBytes;

    HRESULT Speak(const std::string& text, std::uint32_t flags) override;
    HRESULT SetNotifyHWND(std::int64_t hwnd) override;
    HRESULT Stop() override;
    HRESULT IsDone() override;
    HRESULT SetToWaveMode(const std::string& waveFile) override;
    HRESULT SetToVoiceMode() override;
    HRESULT ReleaseWaveStream() override;
    HRESULT SpeechReco(const std::string&) override { return E_NOTIMPL; }
    HRESULT SetSpeechWaveFile(const std::string&) override { return E_NOTIMPL; }
    HRESULT StopReco() override { return E_NOTIMPL; }
    HRESULT CheckEngine() override { return S_OK; }

private:
    struct State;
    static void PostNext(const std::shared_ptr<State>& state);
    void WriteWave();

    std::shared_ptr<State> state_;
    std::vector<std::pair<std::string, std::vector<ScriptedEvent>>> rules_;
};

// Samples of a wave file as 16-bit values, and writing one.
std::string WaveFileBytes(const std::vector<std::int16_t>& samples, std::uint32_t rate = 22050,
                          std::uint16_t channels = 1, std::uint16_t bits = 16);
void WriteWaveFile(const std::string& path, const std::vector<std::int16_t>& samples, std::uint32_t rate = 22050);
// The bytes of the "data" chunk; empty when the file is not a wave file.
std::string WaveData(const std::string& path);
std::vector<std::int16_t> WaveSamples(const std::string& path);
std::string ReadBytes(const std::string& path);

}  // namespace lipsmith::testing
