// The wave pass: the script spoken a second time into the wave output file,
// the animation fitted to the recording's length, the recording merged into
// the previous output and placed on the scene's sound track.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CNumbers.h"
#include "FileUtil.h"
#include "Interface.h"
#include "PipelineMessages.h"
#include "SceneSound.h"
#include "SoundRestore.h"
#include "SpeechController.h"
#include "SpeechSession.h"
#include "WaveFiles.h"

namespace lipsmith {

namespace {

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    AtomicFileWriter writer(to);
    std::FILE* out = writer.Open();
    if (!out) return false;
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        const std::size_t n = static_cast<std::size_t>(in.gcount());
        if (n && std::fwrite(buffer, 1, n, out) != n) return false;
    }
    return in.eof() && writer.Commit();
}

}  // namespace

HRESULT SpeechSession::WaveSwitch(bool on) {
    if (!engine_) return E_FAIL;
    if (on && !waveMode) {
        waveMode = 1;
        // The server runs in a folder of its own: it needs the full path.
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(waveOutputPath, ec);
        const HRESULT hr = engine_->SetToWaveMode(ec ? waveOutputPath : full.string());
        if (FAILED(hr)) waveMode = 0;
        return hr;
    }
    const HRESULT hr = engine_->SetToVoiceMode();
    if (SUCCEEDED(hr)) waveMode = 0;
    return hr;
}

void SpeechSession::WavePassAndFitting(const std::string& script) {
    ip_.SetSoundObject(NewDefaultSoundObj());

    // Without "Enable Undo" nothing has moved the previous output aside yet;
    // the server would overwrite it, so keep it for the merge.
    previousOutputCopy_.clear();
    if (!options.enableUndo && FileExists(waveOutputPath)) {
        const std::string aside = UniqueSiblingName(waveOutputPath, "prevWave_", ".wav");
        if (std::rename(waveOutputPath.c_str(), aside.c_str()) == 0) previousOutputCopy_ = aside;
    }
    const std::string previous = options.enableUndo ? undoWaveFile : previousOutputCopy_;

    if (FAILED(WaveSwitch(true))) {
        Log(CFormat(msg::kNotRecorded, waveOutputPath.c_str()), OutputKind::Error);
        RestorePreviousOutput();
        return;
    }
    editor_.reportWarnings = false;
    wavePassActive = true;
    const HRESULT spoken = editor_.ParseScript(script, 1);
    wavePassActive = false;
    // Back to the speakers in every case, so the next run's keys pass is not
    // recorded into the file.
    WaveSwitch(false);
    engine_->ReleaseWaveStream();
    if (spoken != S_OK || !editor_.isParsing || !FileExists(waveOutputPath)) {
        // A stop has said so already; anything else must not pass for success.
        if (editor_.isParsing && spoken != S_FALSE) {
            Log(CFormat(msg::kNotRecorded, waveOutputPath.c_str()), OutputKind::Error);
        }
        std::remove(waveOutputPath.c_str());  // a partial recording is of no use
        RestorePreviousOutput();
        return;
    }

    const double seconds = WaveLengthSeconds(waveOutputPath);
    if (seconds < 0) {
        Log(msg::kNoFitNoSound);
    } else if (clock.spokenMs <= 0) {
        Log(msg::kNoFitNoSpeech);
    } else {
        SynchronizeToWave(static_cast<TimeValue>(std::floor(seconds * 4800.0 + 0.5)));
    }

    if (FileExists(previous)) MergeWithPrevious(previous);
    PlaceSoundOnTrack(ip_, waveOutputPath, std::min(previousSoundStart, clock.runStartTick));
}

void SpeechSession::MergeWithPrevious(const std::string& previous) {
    const std::string tmp = DirectoryOf(waveOutputPath) + "/ed_tmp";
    std::remove(tmp.c_str());
    if (std::rename(waveOutputPath.c_str(), tmp.c_str()) != 0) return;
    const TimeValue S = clock.runStartTick;
    const TimeValue P = previousSoundStart;
    const bool replace = editor_.replaceMode != 0;
    const bool merged = P <= S ? MergeWaves(previous, tmp, waveOutputPath, static_cast<std::int64_t>(S) - P, replace)
                               : MergeWaves(tmp, previous, waveOutputPath, static_cast<std::int64_t>(P) - S, replace);
    if (merged) {
        std::remove(tmp.c_str());
        if (previous == previousOutputCopy_) std::remove(previous.c_str());
        previousOutputCopy_.clear();
        return;
    }
    // Never lose the new recording: it becomes the output on its own.
    std::rename(tmp.c_str(), waveOutputPath.c_str());
    Log(CFormat(msg::kMergeKeptRecording, waveOutputPath.c_str()), OutputKind::Warning);
    previousOutputCopy_.clear();  // stays on disk beside the output, named in the log
}

void SpeechSession::RestorePreviousOutput() {
    if (!FileExists(waveOutputPath)) {
        if (FileExists(previousOutputCopy_)) {
            std::rename(previousOutputCopy_.c_str(), waveOutputPath.c_str());
        } else if (options.enableUndo && FileExists(undoWaveFile)) {
            // The undo record keeps its copy; the output gets one of its own.
            CopyFile(undoWaveFile, waveOutputPath);
        }
    }
    previousOutputCopy_.clear();
    // The sound the scene had when the run began.
    ip_.SetSoundObject(NewDefaultSoundObj());
    if (!previousSoundFile_.empty()) PlaceSoundOnTrack(ip_, previousSoundFile_, previousSoundStart);
}

void SpeechSession::SynchronizeToWave(TimeValue soundTicks) {
    const double animTicks = clock.spokenMs * clock.ticksPerMs;
    const double r = (soundTicks - animTicks) / animTicks;
    Log(CFormat(msg::kTotalAnimationTime, animTicks));
    Log(CFormat(msg::kTotalSoundTime, static_cast<double>(soundTicks)));
    Log(msg::kSynchronizing);
    const TimeValue start = clock.runStartTick;
    const TimeValue end = AddTicksClamped(start, static_cast<long long>(animTicks + 0.5));
    const float factor = static_cast<float>(r + 1.0);
    for (SpeakerEntry& entry : speakers_.Entries()) {
        for (SpeechController* c : entry.controllers) {
            if (c->active) c->ScaleTimeRange(start, end, factor);
        }
    }
    Log(CFormat(msg::kAdjusted, r * 100.0, r * animTicks));
    Log(msg::kDoneSynchronizing);
}

}  // namespace lipsmith
