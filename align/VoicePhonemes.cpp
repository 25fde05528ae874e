#include "VoicePhonemes.h"

#include "PhraseRescaler.h"

namespace lipsmith::align {

using namespace lipsmith::speech;

namespace {

// The voice only times the phonemes: its audio goes nowhere.
class DiscardSink : public AudioSink {
public:
    WaveFormat Format() const override { return Format22kHz16BitMono(); }
    HRESULT Write(const void*, std::size_t) override { return S_OK; }
};

constexpr std::uint32_t kBytesPerMs22k = 441;  // per 10 ms; see ToBytes

std::uint32_t ToBytes(Ms ms) { return static_cast<std::uint32_t>(ms.count() * kBytesPerMs22k / 10); }

}  // namespace

VoicePhonemes::VoicePhonemes(const VoiceToken* voice) {
    std::unique_ptr<ISpVoice> v;
    if (FAILED(CreateSpVoice(&v)) || !v) return;
    if (voice && FAILED(v->SetVoice(*voice))) return;
    if (FAILED(v->SetOutput(std::make_shared<DiscardSink>(), true))) return;
    v->SetInterest(SPFEI_ALL_TTS_EVENTS, SPFEI_ALL_TTS_EVENTS);
    voice_ = std::move(v);
}

std::vector<PhonemeEvent> VoicePhonemes::Phonemes(const WordRun& run) {
    std::vector<PhonemeEvent> out;
    if (!voice_ || run.words.empty() || run.starts.size() != run.words.size()) return out;
    std::string text;
    for (const std::string& w : run.words) text += (text.empty() ? "" : " ") + w;

    tts::PhraseTiming timing;
    const Ms first = run.starts.front();
    for (const Ms start : run.starts) timing.wordOffsets.push_back(ToBytes(start - first));
    timing.retainedBytes = ToBytes(run.end - first);
    timing.bytesPerSecond = Format22kHz16BitMono().avgBytesPerSec;
    tts::PhraseRescaler rescaler(timing, [&](WPARAM wParam, LPARAM lParam) { out.push_back({wParam, lParam}); });

    std::uint32_t stream = 0;
    // Synchronous: every event is queued when Speak returns.
    if (FAILED(voice_->Speak(text, 0, &stream))) return out;
    SPEVENT event;
    std::uint32_t fetched = 0;
    while (SUCCEEDED(voice_->GetEvents(1, &event, &fetched)) && fetched == 1) {
        if (stream == 0 || event.ulStreamNum == stream) rescaler.OnVoiceEvent(event);
        event = SPEVENT{};
        fetched = 0;
    }
    // The voice's pause at the end of its sentence is not in the recording:
    // the quiet after the run is the recording's own and is keyed as such.
    while (!out.empty() && out.back().Phone() == kSilencePhone) out.pop_back();
    return out;
}

}  // namespace lipsmith::align
