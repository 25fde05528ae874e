#include "SceneSoundCache.h"

#include <sys/stat.h>

namespace lipsmith::studio {

bool SceneSoundCache::Update(Interface& ip) {
    IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
    const std::string file = ws ? ws->GetSoundFileName() : std::string();
    const TimeValue start = ws ? ws->GetStartTime() : 0;
    const TimeValue end = ws ? ws->GetEndTime() : 0;
    struct stat st {};
    const bool exists = !file.empty() && ::stat(file.c_str(), &st) == 0;
    const long long size = exists ? static_cast<long long>(st.st_size) : -1;
    const long long time = exists ? static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec : -1;
    const bool sameFile = file == sound_.file && size == fileSize_ && time == fileTime_;
    if (sameFile && start == sound_.start && end == sound_.end) return false;
    sound_.start = start;
    sound_.end = end;
    if (sameFile) return true;
    sound_.file = file;
    fileSize_ = size;
    fileTime_ = time;
    sound_.clip.reset();
    sound_.peaks.reset();
    sound_.error.clear();
    if (file.empty()) return true;
    playback::WaveClipResult r = playback::LoadWaveClip(file);
    if (!r) {
        sound_.error = r.error;
        return true;
    }
    sound_.clip = r.clip;
    sound_.peaks = std::make_shared<playback::WavePeaks>(r.clip);
    return true;
}

}  // namespace lipsmith::studio
