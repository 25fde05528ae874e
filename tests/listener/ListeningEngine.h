// A speech server double that listens: SpeechReco "hears" the phrase the
// test scripted at once, writes it to the phrase audio file and posts its
// phonemes to the notify window; IsDone answers S_OK once the window has
// handled every one. A double that never hears keeps IsDone at S_FALSE, as
// a server does while nobody speaks.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ITTS.h"
#include "ScriptedEngine.h"

namespace lipsmith::testing {

class ListeningEngine : public ITTS {
public:
    // What is heard.
    bool hears = true;
    std::vector<ScriptedEvent> phonemes;  // PhonemeEvent(...)
    std::vector<std::int16_t> phrase;     // the recorded samples
    bool writesFile = true;
    // A message box of the server sent when listening starts (type, caption, text).
    struct Box {
        unsigned type;
        std::string caption, text;
    };
    std::optional<Box> box;
    HRESULT recoResult = S_OK;
    HRESULT stopRecoResult = S_OK;
    HRESULT voiceModeResult = S_OK;

    // What happened.
    std::vector<std::string> grammars;
    std::string phrasePath;
    int stopRecos = 0;
    int voiceModes = 0;

    HRESULT Speak(const std::string&, std::uint32_t) override { return E_UNEXPECTED; }
    HRESULT SetNotifyHWND(std::int64_t hwnd) override;
    HRESULT Stop() override { return S_OK; }
    HRESULT IsDone() override;
    HRESULT SetToWaveMode(const std::string&) override { return E_UNEXPECTED; }
    HRESULT SetToVoiceMode() override {
        ++voiceModes;
        return voiceModeResult;
    }
    HRESULT ReleaseWaveStream() override { return S_OK; }
    HRESULT SpeechReco(const std::string& grammar) override;
    HRESULT SetSpeechWaveFile(const std::string& path) override {
        phrasePath = path;
        return S_OK;
    }
    HRESULT StopReco() override {
        ++stopRecos;
        return stopRecoResult;
    }
    HRESULT CheckEngine() override { return S_OK; }

private:
    HWND window_ = 0;
    bool listening_ = false;
    std::shared_ptr<int> outstanding_ = std::make_shared<int>(0);
};

}  // namespace lipsmith::testing
