// Texts the phrase listener writes to the Parser Output pane and shows in
// message boxes.
#pragma once

namespace lipsmith::msg {

inline constexpr const char* kListenerStarted = "---[ Listener started at %Y/%m/%d %H:%M:%S ]---\n\n";
inline constexpr const char* kListenerStoppedTime = "\n---[ Listener stopped at %Y/%m/%d %H:%M:%S ";
inline constexpr const char* kSelectActor =
    "Please select an actor in the actor view before pressing the 'Speak Phrase' button.";
inline constexpr const char* kInternalError14231 = "Internal error 14231";
inline constexpr const char* kSpeechRecoFailed = "Speech Reco Failed";
inline constexpr const char* kListenerInterrupted = "Listener was interrupted.\n";
// Written when recognition ended without a phrase, so nothing was recorded
// (kind Error).
inline constexpr const char* kNoPhraseRecorded =
    "Error: No phrase was recognised, so nothing was recorded into the wave output file '%s'.\n";
// What was heard (verbose output).
inline constexpr const char* kPhraseRecorded = "Recorded the phrase (%.2f s) for actor named '%s' at frame %.2f (Tick: %d).\n";

}  // namespace lipsmith::msg
