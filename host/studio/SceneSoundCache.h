// The scene's sound as the studio plays and draws it: the wave file of the
// scene's sound object read into memory with its loudness outline. The file
// is read again only when the sound object names another file or the file
// itself changed (a parse run writes the same file anew).
#pragma once
#include <memory>
#include <string>

#include "Interface.h"
#include "WaveClip.h"
#include "WavePeaks.h"

namespace lipsmith::studio {

struct SceneSound {
    std::string file;
    TimeValue start = 0, end = 0;
    std::shared_ptr<const playback::WaveClip> clip;  // none without a readable file
    std::shared_ptr<const playback::WavePeaks> peaks;
    std::string error;  // why a named file could not be read
};

class SceneSoundCache {
public:
    // Reads the scene's sound object; answers whether anything changed.
    bool Update(Interface& ip);
    const SceneSound& Current() const { return sound_; }

private:
    SceneSound sound_;
    long long fileSize_ = -1;
    long long fileTime_ = -1;
};

}  // namespace lipsmith::studio
