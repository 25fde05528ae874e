// The aligned recording becomes the scene's sound, as a recorded phrase
// does: merged into the wave output at the run's start (inserted or written
// over what is there), or the output's whole content when there was none or
// a fresh one is asked for. Without a wave output the recording itself is
// placed on the sound track.
#pragma once
#include <functional>
#include <string>

#include "Time.h"

class Interface;

namespace lipsmith::align {

struct SoundPlacement {
    std::string copy;        // the recording at 22050 Hz mono, a temporary file beside the output
    std::string waveOutput;  // empty: no wave output
    std::string recording;   // the original recording
    TimeValue runStart = 0;
    bool replace = true;
    bool fresh = false;
};

// Writes log lines through `log`; false after an error line (the wave
// output is then as it was, and the copy is removed).
bool PlaceRecording(Interface& ip, const SoundPlacement& placement,
                    const std::function<void(const std::string& line, bool error)>& log);

}  // namespace lipsmith::align
