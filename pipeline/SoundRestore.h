// The undo record of a run's sound: made at the start of a run with "Enable
// Undo", it keeps the previous wave output as an undo copy beside it, and
// undo and redo swap the two files and put the matching sound on the scene's
// sound track.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Hold.h"
#include "Time.h"

class Interface;

namespace lipsmith {

class SpeechSession;

class SoundRestore : public RestoreObj {
public:
    // Keeps the session's wave output as a new undo file beside it (a second
    // name for the same file, so the output itself never goes away) and sets
    // the session's undoWaveFile (empty when there was no output). Redo puts
    // the sound at *redoStart, which the run sets once it knows where its
    // recording went. Undo copies beyond what the undo levels can reach are
    // removed.
    SoundRestore(SpeechSession& session, std::shared_ptr<const TimeValue> redoStart);

    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return 4096; }
    TSTR Description() override { return TSTR("---"); }

    const std::string& UndoFile() const { return undoFile_; }
    // The older undo copies removed when this one was made, and how many are kept.
    const std::vector<std::string>& RemovedCopies() const { return removed_; }
    int KeptCopies() const { return kept_; }

private:
    void Swap(TimeValue start);

    Interface& ip_;
    std::string wavePath_;
    // Kept even when there was no output at creation: the swap then moves the
    // run's recording here on undo and back on redo, so it is never lost.
    std::string undoFile_;
    TimeValue oldStart_;
    std::shared_ptr<const TimeValue> redoStart_;
    std::vector<std::string> removed_;
    int kept_ = 0;
};

// A name beside `path` that no file has yet: DIR/PREFIX<number>SUFFIX.
std::string UniqueSiblingName(const std::string& path, const std::string& prefix, const std::string& suffix = "");

// Removes the oldest "sndUndo_" files in `dir` so that at most `keep` remain,
// never `except`; returns the paths removed.
std::vector<std::string> PruneUndoCopies(const std::string& dir, int keep, const std::string& except);

}  // namespace lipsmith
