#include "EspeakEngine.h"

#include <future>
#include <memory>

namespace lipsmith::engines {

namespace {

// The listener of the synthesis in progress (set and read on the synthesis thread).
SynthListener* gListener = nullptr;

int OnSynth(short* wav, int count, espeak_EVENT* events) {
    SynthListener* l = gListener;
    if (!l) return 0;
    for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) l->OnEvent(*e);
    if (wav && count > 0 && !l->OnAudio(wav, count)) return 1;
    return l->Aborted() ? 1 : 0;
}

int OnPhonemes(const char* phonemes) {
    if (gListener && phonemes) gListener->OnClausePhonemes(phonemes);
    return 0;
}

std::string Trim(const char* s) {
    std::string out = s ? s : "";
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    std::size_t b = 0;
    while (b < out.size() && out[b] == ' ') ++b;
    return out.substr(b);
}

}  // namespace

EspeakEngine* EspeakEngine::Get() {
    // Built once and never destroyed: the synthesis thread may still be in use
    // by other static objects while the process exits.
    static EspeakEngine* engine = [] {
        auto* e = new EspeakEngine;
        if (!e->Start()) {
            delete e;
            return static_cast<EspeakEngine*>(nullptr);
        }
        return e;
    }();
    return engine;
}

bool EspeakEngine::Start() {
    // Shared: the thread may still be inside set_value when Start returns.
    auto started = std::make_shared<std::promise<int>>();
    auto result = started->get_future();
    thread_ = std::thread([this, started] {
        threadId_ = std::this_thread::get_id();
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                           espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
        if (rate > 0) {
            espeak_SetSynthCallback(OnSynth);
            espeak_SetPhonemeCallback(OnPhonemes);
            // No trace output (low bits 0); phonemes separated by '|' for the callback.
            espeak_SetPhonemeTrace('|' << 8, nullptr);
        }
        started->set_value(rate);
        if (rate > 0) Loop();
    });
    sampleRate_ = result.get();
    if (sampleRate_ <= 0) {
        thread_.join();
        return false;
    }
    thread_.detach();
    return true;
}

EspeakEngine::~EspeakEngine() {
    std::lock_guard lock(mutex_);
    quit_ = true;
    wake_.notify_all();
}

void EspeakEngine::Loop() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || !tasks_.empty(); });
            if (quit_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void EspeakEngine::Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    wake_.notify_one();
}

void EspeakEngine::Run(std::function<void()> task) {
    if (std::this_thread::get_id() == threadId_) {
        task();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    Post([task = std::move(task), done] {
        task();
        done->set_value();
    });
    finished.wait();
}

bool EspeakEngine::Synthesize(const std::string& ssml, const std::string& voice, SynthListener& listener) {
    if (!voice.empty()) espeak_SetVoiceByName(voice.c_str());
    espeak_SetParameter(espeakRATE, espeakRATE_NORMAL, 0);
    espeak_SetParameter(espeakPITCH, 50, 0);
    espeak_SetParameter(espeakVOLUME, 100, 0);
    gListener = &listener;
    const espeak_ERROR err = espeak_Synth(ssml.c_str(), ssml.size() + 1, 0, POS_CHARACTER, 0,
                                          espeakCHARS_UTF8 | espeakSSML, nullptr, nullptr);
    gListener = nullptr;
    return err == EE_OK;
}

const std::vector<speech::VoiceToken>& EspeakEngine::Voices() {
    std::call_once(voicesOnce_, [this] {
        Run([this] {
            const espeak_VOICE** list = espeak_ListVoices(nullptr);
            for (; list && *list; ++list) {
                const espeak_VOICE* v = *list;
                speech::VoiceToken t;
                t.id = v->identifier ? v->identifier : "";
                t.name = Trim(v->name);
                t.gender = v->gender == 2 ? "Female" : v->gender == 1 ? "Male" : "Neutral";
                // languages: a priority byte, then the language name, repeated.
                t.language = v->languages && v->languages[0] ? Trim(v->languages + 1) : "";
                t.vendor = speech::kPlatformVoiceVendor;
                if (!t.id.empty() && !t.name.empty()) voices_.push_back(std::move(t));
            }
        });
    });
    return voices_;
}

}  // namespace lipsmith::engines
