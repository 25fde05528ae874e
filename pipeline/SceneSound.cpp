#include "SceneSound.h"

#include "Interface.h"

namespace lipsmith {

void PlaceSoundOnTrack(Interface& ip, const std::string& file, TimeValue start) {
    IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
    if (!ws) return;
    ws->SetSoundFileName(file);
    if (ws->GetStartTime() == ws->GetEndTime()) {
        ip.SetSoundObject(NewDefaultSoundObj());
    } else {
        ws->SetStartTime(start);
    }
}

}  // namespace lipsmith
