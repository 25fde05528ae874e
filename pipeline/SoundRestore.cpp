#include "SoundRestore.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "FileUtil.h"
#include "Interface.h"
#include "SceneSound.h"
#include "SpeechSession.h"

namespace lipsmith {

std::string UniqueSiblingName(const std::string& path, const std::string& prefix, const std::string& suffix) {
    static std::mt19937 random{std::random_device{}()};
    const std::string dir = DirectoryOf(path);
    for (;;) {
        const std::string name = dir + "/" + prefix + std::to_string(random() % 1000000000u) + suffix;
        if (!FileExists(name)) return name;
    }
}

SoundRestore::SoundRestore(SpeechSession& session)
    : ip_(session.Host()),
      wavePath_(session.waveOutputPath),
      oldStart_(session.previousSoundStart),
      runStart_(session.clock.runStartTick) {
    if (wavePath_.empty()) return;
    undoFile_ = UniqueSiblingName(wavePath_, "sndUndo_");
    const bool renamed = std::rename(wavePath_.c_str(), undoFile_.c_str()) == 0;
    session.undoWaveFile = renamed ? undoFile_ : std::string();
}

void SoundRestore::Restore(int /*isUndo*/) { Swap(oldStart_); }

// Where the run put the merged sound: it begins with whichever of the old
// sound and the new speech comes first.
void SoundRestore::Redo() { Swap(std::min(oldStart_, runStart_)); }

void SoundRestore::Swap(TimeValue start) {
    ip_.SetSoundObject(NewDefaultSoundObj());
    if (!wavePath_.empty() && !undoFile_.empty()) {
        // Through a temporary name in the same folder: a rename across file
        // systems would fail and strand the file.
        const std::string swap = UniqueSiblingName(wavePath_, "", "_");
        const bool hadOutput = std::rename(wavePath_.c_str(), swap.c_str()) == 0;
        std::rename(undoFile_.c_str(), wavePath_.c_str());
        if (hadOutput) std::rename(swap.c_str(), undoFile_.c_str());
    }
    PlaceSoundOnTrack(ip_, wavePath_, start);
}

}  // namespace lipsmith
