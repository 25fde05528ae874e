// Wave file streams: a RIFF WAVE file written through a buffered RiffFile
// under a temporary name, completed (sizes fixed) and renamed into place when
// the stream is closed or its last reference goes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "Riff.h"
#include "SpeechApi.h"

namespace lipsmith::speech {

WaveFormat Format22kHz16BitMono() { return WaveFormat{}; }

namespace {

class WaveFileStream : public SpStream {
public:
    ~WaveFileStream() override { Close(); }

    HRESULT BindToFile(const std::string& path, SPFILEMODE mode, const WaveFormat& format,
                       std::uint64_t) override {
        std::lock_guard lock(mutex_);
        if (mode != SPFM_CREATE_ALWAYS) return E_INVALIDARG;
        if (format.formatTag != 1 || format.channels == 0 || format.samplesPerSec == 0 ||
            format.bitsPerSample == 0 || format.blockAlign == 0 || path.empty())
            return E_INVALIDARG;
        CloseLocked();
        // A unique name beside the target, so the rename stays on one file system.
        std::string temp = path + ".XXXXXX";
        const int fd = mkstemp(temp.data());
        if (fd < 0) return E_FAIL;
        // mkstemp makes the file private; give it the permissions a new file gets.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        if (!file_.Create(temp)) {
            std::remove(temp.c_str());
            return E_FAIL;
        }
        riff_ = RiffChunk{};
        riff_.formType = kFourCCWave;
        RiffChunk fmt;
        fmt.id = kFourCCFmt;
        // The 18-byte record: PCM still ends with an extra size of 0.
        unsigned char rec[18];
        auto put16 = [&](int at, std::uint16_t v) {
            rec[at] = static_cast<unsigned char>(v);
            rec[at + 1] = static_cast<unsigned char>(v >> 8);
        };
        auto put32 = [&](int at, std::uint32_t v) {
            put16(at, static_cast<std::uint16_t>(v));
            put16(at + 2, static_cast<std::uint16_t>(v >> 16));
        };
        put16(0, format.formatTag);
        put16(2, format.channels);
        put32(4, format.samplesPerSec);
        put32(8, format.avgBytesPerSec);
        put16(12, format.blockAlign);
        put16(14, format.bitsPerSample);
        put16(16, 0);
        data_ = RiffChunk{};
        data_.id = kFourCCData;
        if (!file_.CreateChunk(riff_, RiffFind::Riff) || !file_.CreateChunk(fmt, RiffFind::Chunk) ||
            file_.Write(rec, sizeof rec) != sizeof rec || !file_.Ascend(fmt) ||
            !file_.CreateChunk(data_, RiffFind::Chunk)) {
            file_.Close();
            std::remove(temp.c_str());
            return E_FAIL;
        }
        format_ = format;
        path_ = path;
        temp_ = temp;
        bytes_ = 0;
        return S_OK;
    }

    WaveFormat Format() const override {
        std::lock_guard lock(mutex_);
        return format_;
    }

    HRESULT Write(const void* data, std::size_t bytes) override {
        std::lock_guard lock(mutex_);
        if (!file_.IsOpen()) return E_UNEXPECTED;
        // The data chunk's size is 32 bits: refuse to grow a file past it.
        if (bytes_ + bytes > 0xFFFFFFF0ull) return E_FAIL;
        if (file_.Write(data, bytes) != bytes) return E_FAIL;
        bytes_ += bytes;
        return S_OK;
    }

    HRESULT Close() override {
        std::lock_guard lock(mutex_);
        return CloseLocked();
    }

private:
    HRESULT CloseLocked() {
        if (!file_.IsOpen()) return S_OK;
        const bool sized = file_.Ascend(data_) && file_.Ascend(riff_);
        const bool closed = file_.Close();
        if (!sized || !closed || std::rename(temp_.c_str(), path_.c_str()) != 0) {
            std::remove(temp_.c_str());
            return E_FAIL;
        }
        return S_OK;
    }

    mutable std::mutex mutex_;
    RiffFile file_;
    RiffChunk riff_;
    RiffChunk data_;
    WaveFormat format_;
    std::string path_;
    std::string temp_;
    std::uint64_t bytes_ = 0;
};

}  // namespace

std::shared_ptr<SpStream> CreateSpStream() { return std::make_shared<WaveFileStream>(); }

}  // namespace lipsmith::speech
