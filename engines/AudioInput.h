// Where listening gets its audio: the default input device through
// PortAudio, or a wave file standing in for it. Either way the audio comes
// out as 22050 Hz mono 16-bit samples.
//
//   LIPSMITH_MIC_WAVE=FILE  listen to FILE (any PCM or float wave file, any
//                           rate and channel count) instead of the device,
//                           played in real time;
//   LIPSMITH_MIC_FAST=1     ... or as fast as it can be read.
//   LIPSMITH_NO_AUDIO=1     no device is used (tests, batch machines).
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Result.h"

namespace lipsmith::engines {

inline constexpr int kInputSampleRate = 22050;

struct AudioStart {
    HRESULT status = S_OK;
    std::string message;  // why it cannot start
};

class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual AudioStart Start() = 0;
    // Waits for audio and copies up to out.size() samples; 0 at the end of
    // the input or once Stop has been called.
    virtual std::size_t Read(std::span<std::int16_t> out) = 0;
    // Any thread: ends a waiting Read promptly and every later one.
    virtual void Stop() = 0;
};

std::unique_ptr<AudioSource> CreateWaveFileSource(const std::string& path, bool realTime);
std::unique_ptr<AudioSource> CreateMicrophoneSource();
// The file of LIPSMITH_MIC_WAVE if set, else the microphone.
std::unique_ptr<AudioSource> CreateDefaultAudioSource();

// A whole wave file as 22050 Hz mono samples; false with a message when the
// file cannot be read.
bool ReadWaveAs22kMono(const std::string& path, std::vector<std::int16_t>& samples, std::string* message);

}  // namespace lipsmith::engines
