#include "SpeakerOutput.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <cstdlib>

namespace lipsmith::engines {

namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

// ALSA and JACK report every missing device on standard error while
// PortAudio probes them; on a machine without sound that is pages of noise.
void SilenceAudioLibraries() {
    snd_lib_error_set_handler(QuietAlsa);
    using SetHandler = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, name))) set(QuietJack);
    }
}

}  // namespace

speech::WaveFormat SpeakerOutput::Format() const { return speech::Format22kHz16BitMono(); }

bool SpeakerOutput::Open() {
    if (triedOpen_) return stream_ != nullptr;
    triedOpen_ = true;
    // LIPSMITH_NO_AUDIO=1 keeps tests and batch runs off the sound card.
    if (const char* off = std::getenv("LIPSMITH_NO_AUDIO"); off && *off && *off != '0') return false;
    SilenceAudioLibraries();
    if (Pa_Initialize() != paNoError) return false;
    PaStream* s = nullptr;
    if (Pa_GetDefaultOutputDevice() == paNoDevice ||
        Pa_OpenDefaultStream(&s, 0, 1, paInt16, 22050, paFramesPerBufferUnspecified, nullptr, nullptr) != paNoError) {
        Pa_Terminate();
        return false;
    }
    stream_ = s;
    return true;
}

HRESULT SpeakerOutput::Write(const void* data, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    if (!Open()) return S_OK;  // no device: discard
    auto* s = static_cast<PaStream*>(stream_);
    if (!running_) {
        if (Pa_StartStream(s) != paNoError) return S_OK;
        running_ = true;
    }
    // Underflows and overflows only cost a click; the speech goes on.
    Pa_WriteStream(s, data, static_cast<unsigned long>(bytes / 2));
    return S_OK;
}

void SpeakerOutput::Drain() {
    std::lock_guard lock(mutex_);
    if (stream_ && running_) {
        Pa_StopStream(static_cast<PaStream*>(stream_));
        running_ = false;
    }
}

SpeakerOutput::~SpeakerOutput() {
    if (stream_) {
        Pa_CloseStream(static_cast<PaStream*>(stream_));
        Pa_Terminate();
    }
}

std::shared_ptr<SpeakerOutput> Speakers() {
    static auto* speakers = new std::shared_ptr<SpeakerOutput>(std::make_shared<SpeakerOutput>());
    return *speakers;
}

}  // namespace lipsmith::engines
