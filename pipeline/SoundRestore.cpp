#include "SoundRestore.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::vector<std::string> PruneUndoCopies(const std::string& dir, int keep, const std::string& except) {
    struct Copy {
        std::string path;
        struct timespec made;
    };
    std::vector<Copy> copies;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.rfind("sndUndo_", 0) != 0) continue;
            const std::string path = dir + "/" + name;
            struct stat st {};
            if (path == except || ::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            // A new name for a file changes its status time, not its
            // modification time: ctime orders the copies by when they were made.
            copies.push_back({path, st.st_ctim});
        }
        ::closedir(d);
    }
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        return a.made.tv_sec != b.made.tv_sec ? a.made.tv_sec > b.made.tv_sec : a.made.tv_nsec > b.made.tv_nsec;
    });
    std::vector<std::string> removed;
    const std::size_t others = keep > 0 ? static_cast<std::size_t>(keep - 1) : 0;
    for (std::size_t i = others; i < copies.size(); ++i) {
        if (::unlink(copies[i].path.c_str()) == 0) removed.push_back(copies[i].path);
    }
    return removed;
}

SoundRestore::SoundRestore(SpeechSession& session, std::shared_ptr<const TimeValue> redoStart)
    : ip_(session.Host()),
      wavePath_(session.waveOutputPath),
      oldStart_(session.previousSoundStart),
      redoStart_(std::move(redoStart)) {
    if (wavePath_.empty()) return;
    undoFile_ = UniqueSiblingName(wavePath_, "sndUndo_");
    const bool kept = RegularFileExists(wavePath_) && LinkOrCopyFile(wavePath_, undoFile_);
    session.undoWaveFile = kept ? undoFile_ : std::string();
    if (kept) {
        // A copy older than the undo levels can never be swapped back.
        kept_ = std::max(1, theHold.GetUndoLevels());
        removed_ = PruneUndoCopies(DirectoryOf(wavePath_), kept_, undoFile_);
    }
}

void SoundRestore::Restore(int /*isUndo*/) { Swap(oldStart_); }

void SoundRestore::Redo() { Swap(redoStart_ ? *redoStart_ : oldStart_); }

void SoundRestore::Swap(TimeValue start) {
    ip_.SetSoundObject(NewDefaultSoundObj());
    // Both names hold a whole file at every moment of the swap.
    if (!wavePath_.empty() && !undoFile_.empty()) ExchangeFiles(wavePath_, undoFile_);
    PlaceSoundOnTrack(ip_, wavePath_, start);
}

}  // namespace lipsmith
