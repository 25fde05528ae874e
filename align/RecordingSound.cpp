#include "RecordingSound.h"

#include <algorithm>

#include "CNumbers.h"
#include "FileUtil.h"
#include "Interface.h"
#include "PipelineMessages.h"
#include "SceneSound.h"
#include "WaveFiles.h"

namespace lipsmith::align {

bool PlaceRecording(Interface& ip, const SoundPlacement& p,
                    const std::function<void(const std::string& line, bool error)>& log) {
    const TimeValue S = p.runStart;
    if (p.waveOutput.empty()) {
        PlaceSoundOnTrack(ip, p.recording, S);
        return true;
    }
    // The previous output's place on the time line: where the scene's sound
    // starts when it plays that file, else the run's start.
    TimeValue P = S;
    if (IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
        ws && !ws->GetSoundFileName().empty() && ws->GetSoundFileName() == p.waveOutput)
        P = ws->GetStartTime();

    TimeValue start = S;
    if (!p.fresh && RegularFileExists(p.waveOutput)) {
        const double newSeconds = WaveLengthSeconds(p.copy);
        const double oldSeconds = WaveLengthSeconds(p.waveOutput);
        const std::int64_t offset = P <= S ? static_cast<std::int64_t>(S) - P : static_cast<std::int64_t>(P) - S;
        const bool merged = P <= S ? MergeWaves(p.waveOutput, p.copy, p.waveOutput, offset, p.replace)
                                   : MergeWaves(p.copy, p.waveOutput, p.waveOutput, offset, p.replace);
        RemoveTemporary(p.copy);
        if (!merged) {
            log(CFormat(msg::kNotRecorded, p.waveOutput.c_str()), true);
            return false;
        }
        const double at = static_cast<double>(offset) / TIME_TICKSPERSEC;
        const char* how = p.replace ? msg::kMergeReplaced : msg::kMergeInserted;
        const double total = WaveLengthSeconds(p.waveOutput);
        log(P <= S ? CFormat(msg::kMergedIntoPrevious, newSeconds, oldSeconds, at, how, total)
                   : CFormat(msg::kMergedPreviousInto, oldSeconds, newSeconds, at, how, total),
            false);
        start = std::min(P, S);
    } else {
        const bool hadPrevious = RegularFileExists(p.waveOutput);
        std::string error;
        if (!ReplaceWithFile(p.copy, p.waveOutput, &error)) {
            RemoveTemporary(p.copy);
            log(CFormat(msg::kCannotWriteWave, p.waveOutput.c_str(), error.c_str()), true);
            return false;
        }
        if (hadPrevious) log(msg::kPreviousReplaced, false);
    }
    PlaceSoundOnTrack(ip, p.waveOutput, start);
    return true;
}

}  // namespace lipsmith::align
