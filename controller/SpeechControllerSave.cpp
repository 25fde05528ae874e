// The controller's own chunks in the scene file. The host saves its two
// tracks itself; the controller writes only its channel data.
#include "SpeechController.h"

namespace lipsmith {
namespace {

constexpr USHORT kVersionChunk = 0x0863;
constexpr USHORT kChannelChunk = 0x0864;
constexpr USHORT kActiveChunk = 0x086E;

int saveVersion = 1;

// Scalar chunks by channel: the ids do not follow the channel numbers.
constexpr USHORT kScalarChunk[kNumChannels + 1] = {
    0,      0x0866, 0x0865, 0x0867, 0x0868, 0x0869, 0x086A, 0x086B,
    0x086C, 0x086D, 0x086F, 0x0870, 0x0871, 0x0872, 0x0873,
};

// The order chunks are written in (0x0867 between 0x086C and 0x086D).
constexpr USHORT kSaveOrder[] = {0x0863, 0x0864, 0x0865, 0x0866, 0x0868, 0x0869, 0x086A, 0x086B, 0x086C,
                                 0x0867, 0x086D, 0x086E, 0x086F, 0x0870, 0x0871, 0x0872, 0x0873};

}  // namespace

int SpeechControllerSaveVersion() { return saveVersion; }

IOResult SpeechController::Save(ISave* isave) {
    if (noteTrack) {
        IOResult r = noteTrack->Save(isave);
        if (r == IO_ERROR) return r;
    }
    for (USHORT id : kSaveOrder) {
        std::int32_t value = 0;
        if (id == kVersionChunk) value = saveVersion;
        else if (id == kChannelChunk) value = channel;
        else if (id == kActiveChunk) value = active;
        else {
            for (ChannelId c = kFirstChannel; c <= kLastChannel; ++c) {
                if (kScalarChunk[c] == id) value = scalar[c - 1];
            }
        }
        ULONG written = 0;
        isave->BeginChunk(id);
        isave->Write(&value, sizeof value, &written);
        isave->EndChunk();
    }
    return IO_OK;
}

IOResult SpeechController::Load(ILoad* iload) {
    while (iload->OpenChunk() == IO_OK) {
        const USHORT id = iload->CurChunkID();
        std::int32_t* field = nullptr;
        std::int32_t version = 0;
        if (id == kVersionChunk) field = &version;
        else if (id == kChannelChunk) field = &channel;
        else if (id == kActiveChunk) field = &active;
        else {
            for (ChannelId c = kFirstChannel; c <= kLastChannel; ++c) {
                if (kScalarChunk[c] == id) field = &scalar[c - 1];
            }
        }
        IOResult res = IO_OK;
        if (field) {
            // Read into a copy so a failed read leaves the field as it was.
            std::int32_t value = 0;
            ULONG read = 0;
            res = iload->Read(&value, sizeof value, &read);
            if (res == IO_OK) {
                *field = value;
                if (field == &version) saveVersion = version;
            }
        }
        iload->CloseChunk();
        if (res != IO_OK) return res;
    }
    return IO_OK;
}

}  // namespace lipsmith
