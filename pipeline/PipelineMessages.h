// Texts the speech-to-animation pipeline writes to the Parser Output pane and
// shows in message boxes.
#pragma once

namespace lipsmith::msg {

inline constexpr const char* kRunStarted = "---[ Parsing started at %Y/%m/%d %H:%M:%S ]---\n\n";
inline constexpr const char* kRunStoppedTime = "\n---[ Parsing stopped at %Y/%m/%d %H:%M:%S ";
inline constexpr const char* kRunCounts = "\n%s: %d Errors, %d warnings ]---\n";
inline constexpr const char* kAddingKeys = "+++ Adding keys for actor named '%s' starting at frame %.2f (Tick: %d) +++\n";
inline constexpr const char* kNoActor =
    "Warning: No actor named '%s' was found in the scene. Keys for actor named '%s' not created.\n";
inline constexpr const char* kStoppedByUser = "Parsing stopped by user.\n";
inline constexpr const char* kStopFailed = "Failed to stop current speech process...\n";
inline constexpr const char* kNoWaveFileAsk = "Please specify a destination file for the speech output.";
inline constexpr const char* kNoWaveFile = "No wave output file was specified. Parsing can not continue.";
inline constexpr const char* kInactiveController = "Not adding keys for inactive %s controller on node '%s'.\n";

inline constexpr const char* kAddingLeftEye = "Adding left eye keys for actor named '%s' starting at frame %.2f (Tick: %d)\n";
inline constexpr const char* kAddingRightEye =
    "Adding right eye keys for actor named '%s' starting at frame %.2f (Tick: %d)\n";
inline constexpr const char* kAddingLeftBrow =
    "Adding left eye brow keys for actor named '%s' starting at frame %.2f (Tick: %d)\n";
inline constexpr const char* kAddingRightBrow =
    "Adding right eye brow keys for actor named '%s' starting at frame %.2f (Tick: %d)\n";
inline constexpr const char* kLeftBlinkAdjusted = "Warning: Left eye blink key adjusted with %d ticks to avoid blink overlap.\n";
inline constexpr const char* kRightBlinkAdjusted =
    "Warning: Right eye blink key adjusted with %d ticks to avoid blink overlap.\n";
// A bookmark written by hand with numbers no cue may have (kind Warning).
inline constexpr const char* kMarkValuesReplaced =
    "Warning: Bookmark '%s' holds a negative or too long time (0 to 60000 msecs), more than 100 blinks or a value "
    "out of range; the eyes or brow defaults were used instead.\n";
inline constexpr const char* kEyesNodeMissing =
    "Warning: Node '%s' defined in 'eyes' tag does not exist. Eye keys will not be set.\n";

inline constexpr const char* kTotalAnimationTime = "Total animation time %f ticks.\n";
inline constexpr const char* kTotalSoundTime = "Total sound time %f ticks.\n";
inline constexpr const char* kSynchronizing = "Synchronizing wave file\n";
inline constexpr const char* kAdjusted = "\nAnimation adjusted by %.2f %% (%f ticks).\n";
inline constexpr const char* kDoneSynchronizing = "Done Synchronizing wave file.";
// Written instead of fitting when there is nothing to fit by.
inline constexpr const char* kNoFitNoSound = "The animation was not fitted to the wave file: its length could not be read.\n";
inline constexpr const char* kNoFitNoSpeech = "The animation was not fitted to the wave file: no phonemes were spoken.\n";
// Written when the wave pass made no recording (kind Error).
inline constexpr const char* kNotRecorded =
    "Error: The speech could not be recorded into the wave output file '%s'. No sound was placed on the sound track.\n";
// Written when a merge failed and the new recording was kept on its own.
inline constexpr const char* kMergeKeptRecording =
    "The new recording could not be merged with the previous wave output; it was kept on its own in '%s'.\n";
inline constexpr const char* kPreviousKeptAs = "The previous wave output was kept as '%s'.\n";
// Written when the wave output cannot take the new recording (kind Error).
inline constexpr const char* kCannotWriteWave =
    "Error: The wave output file '%s' cannot be written: %s. No sound was recorded.\n";
// What a merge did, in the two orders of the merge.
inline constexpr const char* kMergedIntoPrevious =
    "Merged the new recording (%.2f s) into the previous wave output (%.2f s) at %.2f s, %s. The wave output "
    "now holds %.2f s.\n";
inline constexpr const char* kMergedPreviousInto =
    "Merged the previous wave output (%.2f s), which begins after this run, into the new recording (%.2f s) at "
    "%.2f s, %s. The wave output now holds %.2f s.\n";
inline constexpr const char* kMergeInserted = "inserted (Insert mode)";
inline constexpr const char* kMergeReplaced = "written over it (Replace mode)";
// Written when the recording replaced a previous wave output without a merge.
inline constexpr const char* kPreviousReplaced =
    "The previous wave output was not merged: the new recording replaces it.\n";
// Leftovers of a run that was killed, found and removed by a later run.
inline constexpr const char* kRemovedLeftover = "Removed '%s', left behind by an interrupted run.\n";
// Undo copies beyond what the undo levels can reach.
inline constexpr const char* kRemovedUndoCopy = "Removed the old undo copy '%s' (the newest %d are kept).\n";
// Shown instead of starting a run whose In Frame the time line cannot hold.
inline constexpr const char* kInFrameOutOfRange =
    "In Frame %lld is out of range: at %d frames per second it must lie between 0 and %lld.";

inline constexpr const char* kEngineFailed = "Failed to start speech engine. Please reinstall Lipsmith.";
inline constexpr const char* kSettingsKeyFailed = "Internal Error 8765.";

inline constexpr const char* kUndoName = "Speech to Anim";

}  // namespace lipsmith::msg
