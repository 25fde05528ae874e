// Which files an item reads and which it writes, found from its options, so
// a second batch can skip what is already done.
//   inputs:  the command's plain arguments (a script, a recording, a scene),
//            --scene, --map, --transcript, --script
//   outputs: --save, --wave, --keys, -o/--output, the FILE of --export FORMAT:FILE,
//            and the plain argument of new-scene and map-default
// Options that take another kind of value (--fps, --text, --actor, …) are
// known; an unknown option is taken as a switch, so a value after it counts
// as an input, which at worst makes the item run again.
#pragma once
#include <string>
#include <vector>

namespace lipsmith::batch {

struct ItemFiles {
    std::vector<std::string> inputs;   // as written (relative to the manifest's folder)
    std::vector<std::string> outputs;
    bool outputsUnknown = false;       // an output is named by a pattern ("{node}")
};

// words: the command, then its arguments.
ItemFiles FilesOf(const std::vector<std::string>& words);

// Whether the item need not run again: it names outputs, every output exists
// and is newer than every input, and every input exists. Relative paths are
// taken from `folder`.
bool UpToDate(const ItemFiles& files, const std::string& folder);

// Marks outputs as older than any input (their modification time set to the
// epoch), so the next batch runs a failed item again. Missing files are left.
void MarkStale(const ItemFiles& files, const std::string& folder);

}  // namespace lipsmith::batch
