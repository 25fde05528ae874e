// What a node's speech controllers hold, read for export: the phonemes named
// by the notes of its mouth channels and the controller of each channel.
//
// Which controllers count: the node's own first. Every mouth controller of a
// speaking node carries the same phoneme notes, so the one with the most
// notes gives them (an inactive or later added controller has fewer). Only
// when none of the node's own mouth controllers has a note are its
// descendants searched, depth first, and the first that has notes gives
// them: a rig whose head node holds no speech controllers and whose jaw and
// lips below it do still exports. A channel's curve likewise comes from the
// node's own first controller on that channel, else from the first
// descendant that has one.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "Channels.h"
#include "Interface.h"

namespace lipsmith {
class SpeechController;
}

namespace lipsmith::exports {

// One phoneme note and how long it lasts: up to the next note, the last one
// up to the end of the speech.
struct PhonemeSpan {
    TimeValue start = 0;
    TimeValue end = 0;
    int phoneme = 0;   // identifier 1 to 49; 0 when the note names no phoneme of the set
    std::string text;  // the note as written
};

struct NodeSpeech {
    std::string node;
    std::vector<PhonemeSpan> phonemes;  // in time order
    // The controller that gives each channel's curve (index channel - 1); none
    // when neither the node nor a descendant has one.
    std::array<SpeechController*, kNumChannels> channels{};
    // The end of the speech: the end of the scene's sound, or one frame after
    // the last note when that is later.
    TimeValue end = 0;
    std::string soundFile;                  // the scene's sound file; "" when it has none
    std::vector<std::string> unknownNotes;  // note texts that name no phoneme, each once
};

// A small result, as a parser's: the speech, or a message saying why not.
struct NodeSpeechResult {
    NodeSpeech speech;
    std::string error;
    explicit operator bool() const { return error.empty(); }
};

// Reads the named node of ip's scene: as a run finds its actor, the first
// node of that name (depth first) that carries speech controllers itself,
// else the first of that name. Errors: no such node; no speech controllers
// on it or below it.
NodeSpeechResult ReadNodeSpeech(Interface& ip, const std::string& nodeName);

// The phoneme identifier whose symbol is `text`; 0 when none is.
int PhonemeIdOfNote(const std::string& text);

}  // namespace lipsmith::exports
