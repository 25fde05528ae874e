#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "AudioOutput.h"

namespace lipsmith::playback {
namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

// PortAudio probes every backend; ALSA and JACK report each missing device
// on standard error, which on a machine without sound is pages of noise.
void SilenceAudioLibraries() {
    snd_lib_error_set_handler(QuietAlsa);
    using SetHandler = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, name))) set(QuietJack);
    }
}

class DeviceOutput : public AudioOutput {
public:
    ~DeviceOutput() override {
        Stop();
        Pa_Terminate();
    }

    bool Start(AudioSource* source, int rate, int channels) override {
        Stop();
        if (!source) return false;
        source_ = source;
        channels_ = channels;
        delivered_ = 0;
        PaStream* s = nullptr;
        if (Pa_OpenDefaultStream(&s, 0, channels, paInt16, rate, paFramesPerBufferUnspecified, &DeviceOutput::Callback,
                                 this) != paNoError)
            return false;
        const PaStreamInfo* info = Pa_GetStreamInfo(s);
        latencyFrames_ = info ? static_cast<std::int64_t>(std::llround(info->outputLatency * rate)) : 0;
        if (Pa_StartStream(s) != paNoError) {
            Pa_CloseStream(s);
            return false;
        }
        stream_ = s;
        return true;
    }

    void Stop() override {
        if (!stream_) return;
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
        stoppedAt_ = PlayedNow();
    }

    std::int64_t FramesPlayed() const override { return stream_ ? PlayedNow() : stoppedAt_; }
    bool IsSilent() const override { return false; }

    static std::unique_ptr<AudioOutput> Open() {
        if (const char* off = std::getenv("LIPSMITH_NO_AUDIO"); off && *off && std::strcmp(off, "0") != 0)
            return nullptr;
        SilenceAudioLibraries();
        if (Pa_Initialize() != paNoError) return nullptr;
        if (Pa_GetDefaultOutputDevice() == paNoDevice) {
            Pa_Terminate();
            return nullptr;
        }
        return std::unique_ptr<AudioOutput>(new DeviceOutput());
    }

private:
    DeviceOutput() = default;

    // Delivered frames less what still waits in the device's buffer.
    std::int64_t PlayedNow() const { return std::max<std::int64_t>(delivered_.load() - latencyFrames_, 0); }

    static int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<DeviceOutput*>(user);
        self->source_->Fill(static_cast<std::int16_t*>(output), frames);
        self->delivered_ += static_cast<std::int64_t>(frames);
        return paContinue;
    }

    PaStream* stream_ = nullptr;
    AudioSource* source_ = nullptr;
    int channels_ = 1;
    std::atomic<std::int64_t> delivered_{0};
    std::int64_t latencyFrames_ = 0;
    std::int64_t stoppedAt_ = 0;
};

}  // namespace

std::unique_ptr<AudioOutput> OpenDeviceOutput() { return DeviceOutput::Open(); }

}  // namespace lipsmith::playback
