#include "RecordingAligner.h"

#include <algorithm>

#include "AudioInput.h"
#include "Resampler.h"
#include "Riff.h"
#include "SpeechApi.h"
#include "TranscriptMatcher.h"

namespace lipsmith::align {

namespace {

constexpr std::size_t kBlock = 22050 / 4;  // a quarter second per read
// Words further apart than this are keyed as two runs with a pause between.
constexpr Ms kRunGap{150};

// Splits a phrase's words into runs: no missing word, no pause, one actor.
std::vector<std::vector<MatchedWord>> Runs(const std::vector<MatchedWord>& matched,
                                           const std::vector<std::size_t>& actorOfWord) {
    std::vector<std::vector<MatchedWord>> runs;
    for (const MatchedWord& w : matched) {
        if (!runs.empty()) {
            const MatchedWord& prev = runs.back().back();
            if (w.index == prev.index + 1 && w.start - prev.end < kRunGap &&
                actorOfWord[w.index] == actorOfWord[prev.index]) {
                runs.back().push_back(w);
                continue;
            }
        }
        runs.push_back({w});
    }
    return runs;
}

}  // namespace

AlignReport AlignRecording(const AlignSetup& setup, AlignListener& listener) {
    AlignReport report;
    for (std::size_t a = 0; a < setup.actors.size(); ++a) {
        for (std::string& w : engines::GrammarWords(setup.actors[a].text)) {
            report.words.push_back(std::move(w));
            report.actorOfWord.push_back(a);
        }
    }
    auto fail = [&](AlignStatus status, std::string message) {
        report.status = status;
        report.message = std::move(message);
        return report;
    };
    if (!setup.aligner) return fail(AlignStatus::DecoderFailed, "No recognizer to align with.");

    WaveInfo info;
    if (!ReadWaveInfo(setup.recording, info) || info.format.avgBytesPerSec == 0)
        return fail(AlignStatus::CannotRead, "Cannot read the recording \"" + setup.recording +
                                                 "\": it is not a readable RIFF WAVE file.");
    const Ms total(static_cast<long long>(static_cast<double>(info.dataSize) * 1000.0 / info.format.avgBytesPerSec));
    std::unique_ptr<engines::AudioSource> source = engines::CreateWaveFileSource(setup.recording, false);
    const engines::AudioStart started = source->Start();
    if (FAILED(started.status)) return fail(AlignStatus::CannotRead, started.message);

    std::shared_ptr<speech::SpStream> copy;
    if (!setup.copyPath.empty()) {
        copy = speech::CreateSpStream();
        if (!copy || FAILED(copy->BindToFile(setup.copyPath, speech::SPFM_CREATE_ALWAYS, speech::Format22kHz16BitMono(), 0)))
            return fail(AlignStatus::CannotWrite, "Cannot write \"" + setup.copyPath + "\".");
    }

    TranscriptMatcher matcher(report.words, *setup.aligner);
    engines::Resampler to16k(engines::kInputSampleRate, kCutRate);
    PhraseCutter cutter;
    std::vector<std::int16_t> block(kBlock), decoded;
    std::vector<CutPhrase> phrases;
    std::uint64_t read = 0;
    std::size_t currentActor = SIZE_MAX;
    bool writeFailed = false;

    auto handle = [&](const CutPhrase& phrase) -> bool {
        ++report.phrases;
        PhraseMatch match = matcher.Match(phrase);
        if (FAILED(match.status)) return false;
        report.missed.insert(report.missed.end(), match.missed.begin(), match.missed.end());
        report.extra.insert(report.extra.end(), match.extra.begin(), match.extra.end());
        for (const std::vector<MatchedWord>& run : Runs(match.matched, report.actorOfWord)) {
            const std::size_t actor = report.actorOfWord[run.front().index];
            if (actor != currentActor) {
                currentActor = actor;
                listener.ActorStarts(actor, run.front().start);
            }
            WordRun words;
            for (const MatchedWord& w : run) {
                words.words.push_back(report.words[w.index]);
                words.starts.push_back(w.start);
            }
            words.end = run.back().end;
            std::vector<PhonemeEvent> phonemes;
            if (setup.voice) phonemes = setup.voice->Phonemes(words);
            listener.Phonemes(run.front().start, phonemes);
        }
        report.matched.insert(report.matched.end(), match.matched.begin(), match.matched.end());
        return true;
    };
    auto handleAll = [&]() -> bool {
        for (const CutPhrase& p : phrases)
            if (!handle(p)) return false;
        phrases.clear();
        return true;
    };

    for (;;) {
        if (setup.stopRequested && setup.stopRequested()) {
            if (copy) copy->Close();
            return fail(AlignStatus::Stopped, "Aligning was stopped.");
        }
        const std::size_t n = source->Read(block);
        const std::span<const std::int16_t> got(block.data(), n);
        if (copy && n > 0 && FAILED(copy->Write(got.data(), n * 2))) writeFailed = true;
        decoded.clear();
        if (n > 0) {
            to16k.Process(got, decoded);
        } else {
            to16k.Flush(decoded);
        }
        cutter.Feed(decoded, phrases);
        if (n == 0) cutter.Finish(phrases);
        if (!handleAll()) {
            if (copy) copy->Close();
            return fail(AlignStatus::DecoderFailed, "The recognizer failed.");
        }
        read += n;
        if (setup.progress) setup.progress(std::min(SamplesToMs(read, engines::kInputSampleRate), total), total);
        if (n == 0) break;
    }
    report.length = SamplesToMs(read, engines::kInputSampleRate);
    if (copy && (FAILED(copy->Close()) || writeFailed))
        return fail(AlignStatus::CannotWrite, "Cannot write \"" + setup.copyPath + "\".");
    std::vector<MissedWord> rest = matcher.Finish(report.length);
    report.missed.insert(report.missed.end(), rest.begin(), rest.end());
    std::sort(report.missed.begin(), report.missed.end(),
              [](const MissedWord& a, const MissedWord& b) { return a.index < b.index; });
    return report;
}

}  // namespace lipsmith::align
