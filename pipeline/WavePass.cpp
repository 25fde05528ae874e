// The wave pass: the script spoken a second time into the wave output file,
// the animation fitted to the recording's length, the recording merged into
// the previous output and placed on the scene's sound track.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "CNumbers.h"
#include "FileUtil.h"
#include "Interface.h"
#include "PipelineMessages.h"
#include "SceneSound.h"
#include "SoundRestore.h"
#include "Time.h"
#include "SpeechController.h"
#include "SpeechSession.h"
#include "Riff.h"
#include "WaveFiles.h"

namespace lipsmith {

namespace {

// Seconds of audio in a wave file; 0 when it cannot be read.
double SecondsOf(const std::string& path) {
    WaveInfo info;
    if (!ReadWaveInfo(path, info) || info.format.avgBytesPerSec == 0) return 0.0;
    return static_cast<double>(info.dataSize) / info.format.avgBytesPerSec;
}

}  // namespace

HRESULT SpeechSession::WaveSwitch(bool on) {
    if (!engine_) return E_FAIL;
    if (on && !waveMode) {
        waveMode = 1;
        // The server runs in a folder of its own: it needs the full path.
        const std::string& file = recording_.empty() ? waveOutputPath : recording_;
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::absolute(file, ec);
        const HRESULT hr = engine_->SetToWaveMode(ec ? file : full.string());
        if (FAILED(hr)) waveMode = 0;
        return hr;
    }
    const HRESULT hr = engine_->SetToVoiceMode();
    if (SUCCEEDED(hr)) waveMode = 0;
    return hr;
}

void SpeechSession::WavePassAndFitting(const std::string& script) {
    ip_.SetSoundObject(NewDefaultSoundObj());
    for (const std::string& name : RemoveStaleTemporaries(waveOutputPath)) {
        LogLine(CFormat(msg::kRemovedLeftover, name.c_str()));
    }
    if (const std::string problem = OutputTargetProblem(waveOutputPath); !problem.empty()) {
        LogLine(CFormat(msg::kCannotWriteWave, waveOutputPath.c_str(), problem.c_str()), OutputKind::Error);
        RestorePreviousSound();
        return;
    }

    // The server records into a file of this run beside the output; the
    // output keeps the previous recording until the new one is complete.
    recording_ = TemporarySiblingName(waveOutputPath, "rec");
    if (FAILED(WaveSwitch(true))) {
        LogLine(CFormat(msg::kNotRecorded, waveOutputPath.c_str()), OutputKind::Error);
        DiscardRecording();
        RestorePreviousSound();
        return;
    }
    editor_.reportWarnings = false;
    wavePassActive = true;
    const HRESULT spoken = editor_.ParseScript(script, 1);
    wavePassActive = false;
    if (!editor_.isParsing) stoppedByUser = true;
    // Back to the speakers in every case, so the next run's keys pass is not
    // recorded into the file.
    WaveSwitch(false);
    engine_->ReleaseWaveStream();
    if (spoken != S_OK || !editor_.isParsing || !RegularFileExists(recording_)) {
        // A stop has said so already; anything else must not pass for success.
        if (editor_.isParsing && spoken != S_FALSE) {
            LogLine(CFormat(msg::kNotRecorded, waveOutputPath.c_str()), OutputKind::Error);
        }
        DiscardRecording();
        RestorePreviousSound();
        return;
    }

    const double seconds = WaveLengthSeconds(recording_);
    if (seconds < 0) {
        Log(msg::kNoFitNoSound);
    } else if (clock.spokenMs <= 0) {
        Log(msg::kNoFitNoSpeech);
    } else {
        SynchronizeToWave(static_cast<TimeValue>(std::floor(seconds * TIME_TICKSPERSEC + 0.5)));
    }

    // The merged file begins with whichever of the old sound and the new
    // speech comes first; the new recording alone begins at the run start.
    TimeValue start = clock.runStartTick;
    bool placed = true;
    if (!options.freshRecording && RegularFileExists(waveOutputPath)) {
        const MergeOutcome outcome = MergeRecordingIntoOutput();
        if (outcome == MergeOutcome::Merged) start = std::min(previousSoundStart, clock.runStartTick);
        placed = outcome != MergeOutcome::Failed;
    } else {
        const bool hadPrevious = RegularFileExists(waveOutputPath);
        placed = RecordingBecomesOutput();
        if (placed && hadPrevious) LogLine(msg::kPreviousReplaced);
    }
    DiscardRecording();
    if (!placed) {
        RestorePreviousSound();
        return;
    }
    PlaceSoundOnTrack(ip_, waveOutputPath, start);
    SetRedoSoundStart(start);
}

SpeechSession::MergeOutcome SpeechSession::MergeRecordingIntoOutput() {
    const TimeValue S = clock.runStartTick;
    const TimeValue P = previousSoundStart;
    const bool replace = editor_.replaceMode != 0;
    const double newSeconds = SecondsOf(recording_);
    const double oldSeconds = SecondsOf(waveOutputPath);
    const std::int64_t offset = P <= S ? static_cast<std::int64_t>(S) - P : static_cast<std::int64_t>(P) - S;
    // The output is read while the merge is written beside it, and the merge
    // replaces it in one step once complete.
    const bool merged = P <= S ? MergeWaves(waveOutputPath, recording_, waveOutputPath, offset, replace)
                               : MergeWaves(recording_, waveOutputPath, waveOutputPath, offset, replace);
    if (merged) {
        const double at = static_cast<double>(offset) / TIME_TICKSPERSEC;
        const char* how = replace ? msg::kMergeReplaced : msg::kMergeInserted;
        const double total = SecondsOf(waveOutputPath);
        LogLine(P <= S ? CFormat(msg::kMergedIntoPrevious, newSeconds, oldSeconds, at, how, total)
                       : CFormat(msg::kMergedPreviousInto, oldSeconds, newSeconds, at, how, total));
        return MergeOutcome::Merged;
    }
    // Never lose the new recording: it becomes the output on its own, and
    // the previous output stays beside it (the undo copy already holds it).
    std::string keptAs;
    if (!options.enableUndo || !RegularFileExists(undoWaveFile)) {
        keptAs = UniqueSiblingName(waveOutputPath, "prevWave_", ".wav");
        if (!LinkOrCopyFile(waveOutputPath, keptAs)) keptAs.clear();
    } else {
        keptAs = undoWaveFile;
    }
    if (keptAs.empty()) {
        // Without a copy of the previous output, replacing it would lose it.
        LogLine(CFormat(msg::kNotRecorded, waveOutputPath.c_str()), OutputKind::Error);
        return MergeOutcome::Failed;
    }
    if (!RecordingBecomesOutput()) return MergeOutcome::Failed;
    LogLine(CFormat(msg::kMergeKeptRecording, waveOutputPath.c_str()), OutputKind::Warning);
    LogLine(CFormat(msg::kPreviousKeptAs, keptAs.c_str()));
    return MergeOutcome::KeptAlone;
}

bool SpeechSession::RecordingBecomesOutput() {
    std::string error;
    if (ReplaceWithFile(recording_, waveOutputPath, &error)) return true;
    LogLine(CFormat(msg::kCannotWriteWave, waveOutputPath.c_str(), error.c_str()), OutputKind::Error);
    return false;
}

void SpeechSession::DiscardRecording() {
    RemoveTemporary(recording_);
    recording_.clear();
}

void SpeechSession::RestorePreviousSound() {
    ip_.SetSoundObject(NewDefaultSoundObj());
    if (!previousSoundFile_.empty()) PlaceSoundOnTrack(ip_, previousSoundFile_, previousSoundStart);
    SetRedoSoundStart(previousSoundStart);
}

void SpeechSession::SetRedoSoundStart(TimeValue start) {
    if (redoSoundStart_) *redoSoundStart_ = start;
}

void SpeechSession::MakeSoundRestore() {
    redoSoundStart_ = std::make_shared<TimeValue>(previousSoundStart);
    auto* record = new SoundRestore(*this, redoSoundStart_);
    theHold.Put(record);
    for (const std::string& name : record->RemovedCopies()) {
        Log(CFormat(msg::kRemovedUndoCopy, name.c_str(), record->KeptCopies()));
    }
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
    // It has no line break of its own: whatever follows starts a line (LogLine).
    Log(msg::kDoneSynchronizing);
}

}  // namespace lipsmith
