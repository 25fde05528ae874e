// The host's default sound object: one wave file placed at a start time.
#pragma once
#include "Sound.h"

namespace lipsmith {

class DefaultSoundObj : public SoundObj, public IWaveSound {
public:
    Class_ID ClassID() override { return DEF_SOUNDOBJ_CLASS_ID; }
    void GetClassName(TSTR& s) override { s = "Sound"; }
    void DeleteThis() override { delete this; }
    void* GetInterface(ULONG id) override;

    TSTR GetSoundFileName() override { return file_; }
    BOOL SetSoundFileName(TSTR name) override;
    void SetStartTime(TimeValue t) override { start_ = t; }
    TimeValue GetStartTime() override { return start_; }
    TimeValue GetEndTime() override;

    ReferenceTarget* Clone(RemapDir& remap) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

private:
    TSTR file_;
    TimeValue start_ = 0;
    long long lengthTicks_ = 0;
};

}  // namespace lipsmith
