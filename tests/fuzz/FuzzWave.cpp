// The RIFF/wave reader and the merge of two recordings. The input is split
// into an old and a new wave file at a point its first bytes choose; the
// next bytes choose the offset and Insert or Replace.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "WaveFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lipsmith;
    static fuzz::ScratchFiles files;
    static const std::string first = files.Add("first.wav");
    static const std::string second = files.Add("second.wav");
    static const std::string out = files.Add("out.wav");
    fuzz::UseQuietPrompts();
    if (size < 5) return 0;
    std::uint16_t split = 0, offset = 0;
    std::memcpy(&split, data, 2);
    std::memcpy(&offset, data + 2, 2);
    const bool replace = data[4] & 1;
    data += 5;
    size -= 5;
    const std::size_t cut = size ? split % (size + 1) : 0;
    if (!fuzz::WriteBytes(first, data, cut) || !fuzz::WriteBytes(second, data + cut, size - cut)) return 0;
    (void)WaveLengthSeconds(first);
    (void)WaveLengthSeconds(second);
    // Up to 0.2 s: past the end of a short first recording, so a gap of
    // silence is written too, yet every run stays small.
    if (MergeWaves(first, second, out, offset % 960, replace)) (void)WaveLengthSeconds(out);
    return 0;
}
