#include "ScriptedEngine.h"

#include <cmath>
#include <deque>
#include <fstream>
#include <sstream>

#include "Riff.h"
#include "SpeechClock.h"
#include "Utf8.h"

namespace lipsmith::testing {

namespace {

constexpr UINT kStartStream = WM_APP + 1;
constexpr UINT kEndStream = WM_APP + 2;
constexpr UINT kBookmark = WM_APP + 4;
constexpr UINT kPhoneme = WM_APP + 6;
constexpr UINT kSentence = WM_APP + 7;

void PutLE(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

ScriptedEvent PhonemeEvent(int phone, int ms, int features, int next) {
    ScriptedEvent e;
    e.message = kPhoneme;
    e.wParam = (static_cast<WPARAM>(ms & 0xFFFF) << 16) | static_cast<WPARAM>(next & 0xFFFF);
    e.lParam = (static_cast<LPARAM>(features & 0xFFFF) << 16) | static_cast<LPARAM>(phone & 0xFFFF);
    return e;
}

ScriptedEvent BookmarkEvent(const std::string& mark) {
    ScriptedEvent e;
    e.message = kBookmark;
    e.mark = mark;
    return e;
}

ScriptedEvent SentenceEvent(int characters) {
    ScriptedEvent e;
    e.message = kSentence;
    e.wParam = static_cast<WPARAM>(characters);
    return e;
}

struct ScriptedEngine::State {
    ScriptedEngine* owner = nullptr;
    HWND window = 0;
    struct Pending {
        ScriptedEvent event;
        bool scripted = false;  // not a stream start or end
        std::size_t index = 0;
    };
    std::deque<Pending> pending;
    bool inFlight = false;
    unsigned generation = 0;  // a new speech or a stop forgets what is in flight
    bool waveMode = false;
    double waveMs = 0;  // recorded length so far, in milliseconds of sound
};

ScriptedEngine::ScriptedEngine() : state_(std::make_shared<State>()) { state_->owner = this; }

ScriptedEngine::~ScriptedEngine() { state_->owner = nullptr; }

void ScriptedEngine::Say(const std::string& needle, std::vector<ScriptedEvent> events) {
    rules_.emplace_back(needle, std::move(events));
}

bool ScriptedEngine::InWaveMode() const { return state_->waveMode; }

void ScriptedEngine::PostNext(const std::shared_ptr<State>& state) {
    if (state->pending.empty() || state->inFlight) return;
    State::Pending next = std::move(state->pending.front());
    state->pending.pop_front();
    auto extra = std::make_shared<MessageExtra>();
    LPARAM lParam = next.event.lParam;
    if (next.event.message == kBookmark) {
        extra->text = Utf8ToWide(next.event.mark);
        lParam = reinterpret_cast<LPARAM>(extra->text.c_str());
    }
    std::weak_ptr<State> weak = state;
    const unsigned generation = state->generation;
    extra->completion = [weak, next, generation](LRESULT) {
        std::shared_ptr<State> s = weak.lock();
        if (!s || s->generation != generation) return;
        s->inFlight = false;
        if (next.scripted && s->owner && s->owner->onHandled) s->owner->onHandled(next.event, next.index);
    };
    state->inFlight = true;
    // A window that is gone drops the message, which completes it at once.
    PostMessage(state->window, next.event.message, next.event.wParam, lParam, std::move(extra));
}

HRESULT ScriptedEngine::Speak(const std::string& text, std::uint32_t flags) {
    speaks.push_back({text, flags, state_->waveMode});
    if (FAILED(speakResult)) return speakResult;
    if (state_->waveMode && FAILED(waveSpeakResult)) return waveSpeakResult;
    const std::vector<ScriptedEvent>* events = nullptr;
    for (const auto& [needle, list] : rules_) {
        if (text.find(needle) != std::string::npos) {
            events = &list;
            break;
        }
    }
    state_->pending.clear();  // purge before speaking
    state_->inFlight = false;
    ++state_->generation;
    state_->pending.push_back({ScriptedEvent{kStartStream, 0, 0, {}}, false, 0});
    double ms = 0;
    if (events) {
        for (std::size_t i = 0; i < events->size(); ++i) {
            const ScriptedEvent& e = (*events)[i];
            state_->pending.push_back({e, true, i});
            if (e.message == kPhoneme) ms += static_cast<double>((e.wParam >> 16) & 0xFFFF);
        }
    }
    state_->pending.push_back({ScriptedEvent{kEndStream, 0, 0, {}}, false, 0});
    if (state_->waveMode) {
        state_->waveMs += ms * kTicksPerMs / 4.8 * waveStretch + extraWaveMs;
    }
    PostNext(state_);
    return S_OK;
}

HRESULT ScriptedEngine::SetNotifyHWND(std::int64_t hwnd) {
    state_->window = static_cast<HWND>(hwnd);
    return S_OK;
}

HRESULT ScriptedEngine::Stop() {
    ++stops;
    if (SUCCEEDED(stopResult)) {
        state_->pending.clear();
        state_->inFlight = false;
        ++state_->generation;
    }
    return stopResult;
}

// Like the server, the next notification comes only after the previous one
// was handled; it is sent while the client polls.
HRESULT ScriptedEngine::IsDone() {
    if (FAILED(isDoneResult)) return isDoneResult;
    PostNext(state_);
    return state_->pending.empty() && !state_->inFlight ? S_OK : S_FALSE;
}

HRESULT ScriptedEngine::SetToWaveMode(const std::string& waveFile) {
    waveFiles.push_back(waveFile);
    if (FAILED(waveModeResult)) return waveModeResult;
    state_->waveMode = true;
    state_->waveMs = 0;
    return S_OK;
}

HRESULT ScriptedEngine::SetToVoiceMode() {
    if (state_->waveMode) WriteWave();
    state_->waveMode = false;
    return S_OK;
}

HRESULT ScriptedEngine::ReleaseWaveStream() {
    ++releases;
    return S_OK;
}

void ScriptedEngine::WriteWave() {
    if (waveOutput == WaveOutput::None || waveFiles.empty()) return;
    const auto count = static_cast<std::size_t>(std::llround(state_->waveMs / 1000.0 * 22050.0));
    std::string bytes = WaveFileBytes(std::vector<std::int16_t>(count, sampleValue));
    if (waveOutput == WaveOutput::Damaged) bytes = bytes.substr(0, 20);
    std::ofstream(waveFiles.back(), std::ios::binary | std::ios::trunc) << bytes;
    lastWaveBytes = bytes;
}

std::string WaveFileBytes(const std::vector<std::int16_t>& samples, std::uint32_t rate, std::uint16_t channels,
                          std::uint16_t bits) {
    const std::uint32_t blockAlign = channels * bits / 8;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    PutLE(out, 4 + 8 + 18 + 8 + dataSize, 4);
    out += "WAVEfmt ";
    PutLE(out, 18, 4);
    PutLE(out, 1, 2);  // PCM
    PutLE(out, channels, 2);
    PutLE(out, rate, 4);
    PutLE(out, rate * blockAlign, 4);
    PutLE(out, blockAlign, 2);
    PutLE(out, bits, 2);
    PutLE(out, 0, 2);
    out += "data";
    PutLE(out, dataSize, 4);
    for (std::int16_t s : samples) PutLE(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

void WriteWaveFile(const std::string& path, const std::vector<std::int16_t>& samples, std::uint32_t rate) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << WaveFileBytes(samples, rate);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WaveData(const std::string& path) {
    WaveInfo info;
    if (!ReadWaveInfo(path, info)) return {};
    const std::string bytes = ReadBytes(path);
    if (info.dataOffset + info.dataSize > bytes.size()) return {};
    return bytes.substr(static_cast<std::size_t>(info.dataOffset), info.dataSize);
}

std::vector<std::int16_t> WaveSamples(const std::string& path) {
    const std::string data = WaveData(path);
    std::vector<std::int16_t> samples(data.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<unsigned char>(data[2 * i]);
        const auto hi = static_cast<unsigned char>(data[2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(lo | (hi << 8));
    }
    return samples;
}

}  // namespace lipsmith::testing
