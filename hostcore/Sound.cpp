#include "Sound.h"

#include <cmath>

#include "ChunkIO.h"
#include "DefaultSound.h"
#include "Riff.h"

SoundObj::~SoundObj() = default;
IWaveSound::~IWaveSound() = default;

namespace lipsmith {
namespace {
constexpr USHORT kFileChunk = 0x3000;
constexpr USHORT kStartChunk = 0x3010;
}  // namespace

void* DefaultSoundObj::GetInterface(ULONG id) {
    if (id == I_WAVESOUND) return static_cast<IWaveSound*>(this);
    return SoundObj::GetInterface(id);
}

BOOL DefaultSoundObj::SetSoundFileName(TSTR name) {
    file_ = std::move(name);
    lengthTicks_ = 0;
    if (file_.empty()) return TRUE;
    WaveInfo info;
    if (!ReadWaveInfo(file_, info) || info.format.avgBytesPerSec == 0) return FALSE;
    double seconds = static_cast<double>(info.dataSize) / info.format.avgBytesPerSec;
    lengthTicks_ = static_cast<long long>(std::floor(seconds * TIME_TICKSPERSEC + 0.5));
    return TRUE;
}

TimeValue DefaultSoundObj::GetEndTime() { return AddTicksClamped(start_, lengthTicks_); }

ReferenceTarget* DefaultSoundObj::Clone(RemapDir&) {
    auto* c = new DefaultSoundObj();
    c->file_ = file_;
    c->start_ = start_;
    c->lengthTicks_ = lengthTicks_;
    return c;
}

IOResult DefaultSoundObj::Save(ISave* isave) {
    IOResult r = WriteStringChunk(isave, kFileChunk, file_);
    return r == IO_OK ? WriteValueChunk(isave, kStartChunk, start_) : r;
}

IOResult DefaultSoundObj::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        IOResult r = IO_OK;
        switch (iload->CurChunkID()) {
            case kFileChunk: {
                TSTR name;
                r = iload->ReadCStringChunk(name);
                // A sound file that went missing keeps its name and lasts no time.
                if (r == IO_OK) SetSoundFileName(name);
                break;
            }
            case kStartChunk: r = ReadValue(iload, start_); break;
            default: break;
        }
        iload->CloseChunk();
        if (r != IO_OK) return r;
    }
    return res == IO_END ? IO_OK : res;
}

}  // namespace lipsmith

SoundObj* NewDefaultSoundObj() { return new lipsmith::DefaultSoundObj(); }
