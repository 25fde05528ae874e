// The default audio output: the sound card through PortAudio, 22050 Hz mono
// 16-bit. Without a usable device the audio is discarded silently and
// speaking goes on at synthesis speed.
#pragma once
#include <memory>
#include <mutex>

#include "SpeechApi.h"

namespace lipsmith::engines {

class SpeakerOutput : public speech::AudioSink {
public:
    speech::WaveFormat Format() const override;
    HRESULT Write(const void* data, std::size_t bytes) override;
    // Waits until what was written has been played, then stops the device.
    void Drain();
    ~SpeakerOutput() override;

private:
    bool Open();
    std::mutex mutex_;
    void* stream_ = nullptr;  // PaStream
    bool triedOpen_ = false;
    bool running_ = false;
};

// The process's speakers (one shared object).
std::shared_ptr<SpeakerOutput> Speakers();

}  // namespace lipsmith::engines
