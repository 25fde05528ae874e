// Long, varied English dialogue for the pipeline benchmarks: sentences made
// from templates and word lists with a fixed seed, so every run reads the
// same text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lipsmith::bench {

struct Turn {
    std::string actor;  // node name
    std::string text;   // plain prose, no markup
};

// About `words` words in turns that alternate between the actors.
std::vector<Turn> MakeDialogue(long words, const std::vector<std::string>& actors, std::uint32_t seed = 7);

// The script of the turns, with an eyes or brow cue now and then.
std::string ScriptOf(const std::vector<Turn>& turns);
// The same words as plain text, one turn per line.
std::string PlainTextOf(const std::vector<Turn>& turns);

// Peak resident memory of this process in kilobytes (VmHWM), or -1.
long PeakResidentKb();

}  // namespace lipsmith::bench
