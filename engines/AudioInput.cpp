#include "AudioInput.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "Resampler.h"
#include "Riff.h"

namespace lipsmith::engines {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kBlockFrames = 1024;

bool EnvOn(const char* name) {
    const char* v = std::getenv(name);
    return v && *v && std::strcmp(v, "0") != 0;
}

std::int16_t Clamp16(double v) {
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

// Reads the sample frames of a wave file as mono 16-bit at the file's rate.
class WaveDecoder {
public:
    ~WaveDecoder() {
        if (file_) std::fclose(file_);
    }

    bool Open(const std::string& path, std::string* message) {
        auto fail = [&](const std::string& why) {
            if (message) *message = "Cannot read the wave file \"" + path + "\": " + why;
            return false;
        };
        WaveInfo info;
        if (!ReadWaveInfo(path, info)) return fail("it is not a readable RIFF WAVE file.");
        const WaveFormatRecord& f = info.format;
        tag_ = f.formatTag;
        if (tag_ == kFormatExtensible) tag_ = ExtensibleSubFormat(path);
        bits_ = f.bitsPerSample;
        channels_ = f.channels;
        rate_ = f.samplesPerSec;
        const bool pcm = tag_ == kFormatPcm && (bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32);
        const bool flt = tag_ == kFormatFloat && (bits_ == 32 || bits_ == 64);
        if (!pcm && !flt) return fail("only PCM (8, 16, 24 or 32 bits) and float samples can be read.");
        if (channels_ == 0 || rate_ == 0 || rate_ > 1000000)
            return fail("its format record is damaged.");
        frameBytes_ = static_cast<std::size_t>(bits_ / 8) * channels_;
        if (f.blockAlign != 0 && f.blockAlign != frameBytes_) return fail("its format record is damaged.");
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_ || std::fseek(file_, static_cast<long>(info.dataOffset), SEEK_SET) != 0)
            return fail("it cannot be opened.");
        remaining_ = info.dataSize / frameBytes_;
        return true;
    }

    std::uint32_t Rate() const { return rate_; }

    // Appends up to `frames` mono samples; 0 at the end of the data.
    std::size_t Read(std::size_t frames, std::vector<std::int16_t>& out) {
        frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, remaining_));
        if (frames == 0 || !file_) return 0;
        raw_.resize(frames * frameBytes_);
        const std::size_t got = std::fread(raw_.data(), frameBytes_, frames, file_);
        remaining_ = got < frames ? 0 : remaining_ - got;  // a short file ends early
        for (std::size_t i = 0; i < got; ++i) {
            double sum = 0;
            for (unsigned c = 0; c < channels_; ++c) sum += Sample(raw_.data() + i * frameBytes_ + c * (bits_ / 8));
            out.push_back(Clamp16(sum / channels_));
        }
        return got;
    }

private:
    // One sample scaled to the 16-bit range.
    double Sample(const unsigned char* p) const {
        if (tag_ == kFormatFloat) {
            if (bits_ == 32) {
                float v;
                std::memcpy(&v, p, 4);
                return std::isfinite(v) ? v * 32768.0 : 0.0;
            }
            double v;
            std::memcpy(&v, p, 8);
            return std::isfinite(v) ? v * 32768.0 : 0.0;
        }
        switch (bits_) {
            case 8: return (static_cast<int>(p[0]) - 128) * 256.0;
            case 16: return static_cast<std::int16_t>(p[0] | (p[1] << 8));
            case 24: {
                std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
                if (v & 0x800000) v -= 0x1000000;
                return v / 256.0;
            }
            default: {
                const std::int32_t v =
                    static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
                return v / 65536.0;
            }
        }
    }

    // The sample format inside WAVE_FORMAT_EXTENSIBLE (first word of the GUID).
    static std::uint16_t ExtensibleSubFormat(const std::string& path) {
        RiffFile file;
        RiffChunk riff;
        riff.formType = kFourCCWave;
        RiffChunk fmt;
        fmt.id = kFourCCFmt;
        unsigned char rec[26] = {};
        if (!file.OpenRead(path) || !file.Descend(riff, nullptr, RiffFind::Riff) ||
            !file.Descend(fmt, &riff, RiffFind::Chunk) || fmt.size < sizeof rec || file.Read(rec, sizeof rec) != sizeof rec)
            return 0;
        return static_cast<std::uint16_t>(rec[24] | (rec[25] << 8));
    }

    std::FILE* file_ = nullptr;
    std::uint16_t tag_ = 0;
    std::uint16_t bits_ = 0;
    unsigned channels_ = 0;
    std::uint32_t rate_ = 0;
    std::size_t frameBytes_ = 1;
    std::uint64_t remaining_ = 0;
    std::vector<unsigned char> raw_;
};

class WaveFileSource : public AudioSource {
public:
    WaveFileSource(std::string path, bool realTime) : path_(std::move(path)), realTime_(realTime) {}

    AudioStart Start() override {
        AudioStart start;
        if (!decoder_.Open(path_, &start.message)) {
            start.status = E_FAIL;
            start.message = "Cannot start listening. " + start.message;
            return start;
        }
        resampler_ = std::make_unique<Resampler>(decoder_.Rate(), kInputSampleRate);
        if (!resampler_->Ok()) {
            start.status = E_FAIL;
            start.message = "Cannot start listening: the wave file's rate cannot be converted.";
            return start;
        }
        started_ = std::chrono::steady_clock::now();
        return start;
    }

    std::size_t Read(std::span<std::int16_t> out) override {
        if (stopped_ || !resampler_) return 0;
        while (buffer_.size() < out.size() && !ended_) {
            native_.clear();
            if (decoder_.Read(kBlockFrames, native_) == 0) {
                resampler_->Flush(buffer_);
                ended_ = true;
            } else {
                resampler_->Process(native_, buffer_);
            }
        }
        const std::size_t n = std::min(out.size(), buffer_.size());
        if (n == 0) return 0;
        if (realTime_) {
            // The samples are due when a microphone would have delivered them.
            const auto due = started_ + std::chrono::microseconds((delivered_ + n) * 1000000 / kInputSampleRate);
            std::unique_lock lock(mutex_);
            if (stopWake_.wait_until(lock, due, [&] { return stopped_.load(); })) return 0;
        }
        std::copy_n(buffer_.begin(), n, out.begin());
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
        delivered_ += n;
        return n;
    }

    void Stop() override {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        stopWake_.notify_all();
    }

private:
    std::string path_;
    bool realTime_;
    WaveDecoder decoder_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<std::int16_t> native_;
    std::vector<std::int16_t> buffer_;
    bool ended_ = false;
    std::uint64_t delivered_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::mutex mutex_;
    std::condition_variable stopWake_;
    std::atomic<bool> stopped_{false};
};

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The default input device. PortAudio's callback fills a queue that Read
// drains; a device that stops delivering ends the input instead of leaving
// Read waiting for ever.
class MicrophoneSource : public AudioSource {
public:
    ~MicrophoneSource() override {
        Stop();
        if (stream_) {
            Pa_StopStream(stream_);
            Pa_CloseStream(stream_);
        }
        if (initialized_) Pa_Terminate();
    }

    AudioStart Start() override {
        AudioStart start;
        auto fail = [&](const std::string& why) {
            start.status = E_FAIL;
            start.message = "Cannot start listening: " + why +
                            " (set LIPSMITH_MIC_WAVE to a wave file to listen to a recording instead).";
            return start;
        };
        if (EnvOn("LIPSMITH_NO_AUDIO")) return fail("audio devices are switched off by LIPSMITH_NO_AUDIO");
        snd_lib_error_set_handler(QuietAlsa);
        if (Pa_Initialize() != paNoError) return fail("the audio system cannot be started");
        initialized_ = true;
        const PaDeviceIndex device = Pa_GetDefaultInputDevice();
        const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
        if (!info) return fail("there is no audio input device");
        PaStreamParameters in{};
        in.device = device;
        in.channelCount = 1;
        in.sampleFormat = paInt16;
        in.suggestedLatency = info->defaultLowInputLatency;
        // The device's own rate, converted, when it cannot record at 22050 Hz.
        double rate = kInputSampleRate;
        if (Pa_OpenStream(&stream_, &in, nullptr, rate, paFramesPerBufferUnspecified, paNoFlag, &Callback, this) !=
            paNoError) {
            stream_ = nullptr;
            rate = info->defaultSampleRate;
            if (rate <= 0 || Pa_OpenStream(&stream_, &in, nullptr, rate, paFramesPerBufferUnspecified, paNoFlag,
                                           &Callback, this) != paNoError) {
                stream_ = nullptr;
                return fail("the audio input device cannot be opened");
            }
        }
        resampler_ = std::make_unique<Resampler>(rate, kInputSampleRate);
        if (Pa_StartStream(stream_) != paNoError) return fail("the audio input device cannot be started");
        lastAudio_ = std::chrono::steady_clock::now();
        return start;
    }

    std::size_t Read(std::span<std::int16_t> out) override {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stopped_) return 0;
            if (!queue_.empty()) break;
            // A device that has gone quiet for this long has gone away.
            if (std::chrono::steady_clock::now() - lastAudio_ > std::chrono::seconds(2)) {
                stopped_ = true;
                return 0;
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
        }
        const std::size_t n = std::min(out.size(), queue_.size());
        std::copy_n(queue_.begin(), n, out.begin());
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }

    void Stop() override {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        wake_.notify_all();
    }

private:
    static int Callback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<MicrophoneSource*>(user);
        std::lock_guard lock(self->mutex_);
        if (self->stopped_) return paComplete;
        if (input) {
            const auto* s = static_cast<const std::int16_t*>(input);
            self->converted_.clear();
            self->resampler_->Process(std::span(s, frames), self->converted_);
            self->queue_.insert(self->queue_.end(), self->converted_.begin(), self->converted_.end());
            self->lastAudio_ = std::chrono::steady_clock::now();
        }
        self->wake_.notify_all();
        return paContinue;
    }

    std::vector<std::int16_t> converted_;
    PaStream* stream_ = nullptr;
    bool initialized_ = false;
    std::unique_ptr<Resampler> resampler_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::int16_t> queue_;
    std::chrono::steady_clock::time_point lastAudio_;
    bool stopped_ = false;
};

}  // namespace

std::unique_ptr<AudioSource> CreateWaveFileSource(const std::string& path, bool realTime) {
    return std::make_unique<WaveFileSource>(path, realTime);
}

std::unique_ptr<AudioSource> CreateMicrophoneSource() { return std::make_unique<MicrophoneSource>(); }

std::unique_ptr<AudioSource> CreateDefaultAudioSource() {
    if (const char* wave = std::getenv("LIPSMITH_MIC_WAVE"); wave && *wave)
        return CreateWaveFileSource(wave, !EnvOn("LIPSMITH_MIC_FAST"));
    return CreateMicrophoneSource();
}

bool ReadWaveAs22kMono(const std::string& path, std::vector<std::int16_t>& samples, std::string* message) {
    samples.clear();
    WaveDecoder decoder;
    if (!decoder.Open(path, message)) return false;
    Resampler resampler(decoder.Rate(), kInputSampleRate);
    std::vector<std::int16_t> native;
    while (decoder.Read(kBlockFrames * 8, native) > 0) {
        resampler.Process(native, samples);
        native.clear();
    }
    resampler.Flush(samples);
    return true;
}

}  // namespace lipsmith::engines
