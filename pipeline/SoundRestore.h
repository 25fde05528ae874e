// The undo record of a run's sound: made at the start of a run with "Enable
// Undo", it moves the previous wave output aside, and undo and redo swap the
// two files and put the matching sound on the scene's sound track.
#pragma once
#include <string>

#include "Hold.h"
#include "Time.h"

class Interface;

namespace lipsmith {

class SpeechSession;

class SoundRestore : public RestoreObj {
public:
    // Renames the session's wave output to a new undo file beside it and sets
    // the session's undoWaveFile (empty when there was nothing to rename).
    explicit SoundRestore(SpeechSession& session);

    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return 4096; }
    TSTR Description() override { return TSTR("---"); }

    const std::string& UndoFile() const { return undoFile_; }

private:
    void Swap(TimeValue start);

    Interface& ip_;
    std::string wavePath_;
    // Kept even when nothing was renamed at creation: the swap then moves the
    // run's recording here on undo and back on redo, so it is never lost.
    std::string undoFile_;
    TimeValue oldStart_;
    TimeValue runStart_;
};

// A name beside `path` that no file has yet: DIR/PREFIX<number>SUFFIX.
std::string UniqueSiblingName(const std::string& path, const std::string& prefix, const std::string& suffix = "");

}  // namespace lipsmith
