// Drives a real voice the way the speech server does: notifications arrive
// through this thread's message queue, events are fetched one at a time.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "MessageQueue.h"
#include "SpeechApi.h"

namespace lipsmith::testing {

struct VoiceHarness {
    std::unique_ptr<speech::ISpVoice> voice;
    std::vector<speech::SPEVENT> events;

    bool Create() {
        if (FAILED(speech::CreateSpVoice(&voice))) return false;
        voice->SetInterest(speech::SPFEI_ALL_TTS_EVENTS, speech::SPFEI_ALL_TTS_EVENTS);
        voice->SetNotifyCallbackFunction([this] { Fetch(); });
        return true;
    }
    void Fetch() {
        speech::SPEVENT ev;
        std::uint32_t n = 0;
        while (voice->GetEvents(1, &ev, &n) == S_OK && n == 1) events.push_back(ev);
    }
    // Pumps this thread's messages until the voice is done (false on timeout).
    bool Pump(int timeoutMs = 60000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (voice->WaitUntilDone(2) != S_OK) {
            MSG m;
            while (PeekMessage(&m, 0, PM_REMOVE)) DispatchMessage(&m);
            if (std::chrono::steady_clock::now() > until) return false;
        }
        return true;
    }
    bool Say(const std::string& text, std::uint32_t flags = speech::SPF_ASYNC | speech::SPF_IS_XML) {
        if (FAILED(voice->Speak(text, flags, nullptr))) return false;
        return Pump();
    }
    std::vector<speech::SPEVENT> Of(speech::SPEVENTENUM id) const {
        std::vector<speech::SPEVENT> out;
        for (const auto& e : events)
            if (e.eEventId == id) out.push_back(e);
        return out;
    }
};

inline unsigned Duration(const speech::SPEVENT& e) { return static_cast<unsigned>(e.wParam >> 16); }
inline unsigned Phone(const speech::SPEVENT& e) { return static_cast<unsigned>(e.lParam & 0xFFFF); }
inline unsigned Features(const speech::SPEVENT& e) { return static_cast<unsigned>((e.lParam >> 16) & 0xFFFF); }

}  // namespace lipsmith::testing
