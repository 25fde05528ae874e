// The scene's sound: a sound object, which for a wave file answers the wave
// sound interface.
#pragma once
#include "Reference.h"

class HOST_API SoundObj : public ReferenceTarget {
public:
    ~SoundObj() override;
    SClass_ID SuperClassID() override { return SOUNDOBJ_CLASS_ID; }
};

class HOST_API IWaveSound {
public:
    virtual ~IWaveSound();
    virtual TSTR GetSoundFileName() = 0;
    // Sets the file; FALSE when it cannot be read as a wave file (the name is
    // kept, and the sound then lasts no time).
    virtual BOOL SetSoundFileName(TSTR name) = 0;
    virtual void SetStartTime(TimeValue t) = 0;
    virtual TimeValue GetStartTime() = 0;
    // Start time plus the length of the file's samples.
    virtual TimeValue GetEndTime() = 0;
};

inline IWaveSound* GetWaveSoundInterface(Animatable* snd) {
    return snd ? static_cast<IWaveSound*>(snd->GetInterface(I_WAVESOUND)) : nullptr;
}

// A new empty sound object with the wave sound interface.
HOST_API SoundObj* NewDefaultSoundObj();
