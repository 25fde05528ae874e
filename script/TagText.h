// The texts the editor's tag menu inserts into a script. Each builder takes
// the current selection: tags that enclose text wrap it, the others ignore
// it. The eyes and brow texts carry every attribute the script parser reads,
// so a cue inserted from its dialog parses without a warning into exactly
// the values the dialog showed.
#pragma once
#include <string>

namespace lipsmith {

enum class TagKind { Eyes, Brow };

// What the eyes/brow property dialog holds when OK is pressed.
struct CueTagValues {
    TagKind kind = TagKind::Eyes;
    std::string node;           // empty: the speaking actor (no attribute)
    std::string side = "both";
    float value = 0.0f;
    unsigned duration = 100;    // milliseconds
    bool checked = true;        // eyes: blink; brow: return
    int repeat = 1;             // eyes only
    int offset = 50;            // eyes only, written when repeat > 1
};

std::string ActorTagText(const std::string& node, const std::string& selection);
std::string RateTagText(int absspeed, const std::string& selection);
std::string PitchTagText(int absmiddle, const std::string& selection);
std::string SpellTagText(const std::string& selection);
std::string SilenceTagText(int msec);
std::string VoiceTagText(const std::string& voice, const std::string& selection);
// An `eyes` or `brow` element, by the kind of the values. A brow that
// returns splits the duration in two halves (remainder dropped): one for the
// raise, one for the return.
std::string CueTagText(const CueTagValues& values);

}  // namespace lipsmith
