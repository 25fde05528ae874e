#include "PhraseCapture.h"

#include <algorithm>
#include <memory>

#include "Resampler.h"

namespace lipsmith::engines {

namespace {

// 441 samples at 22050 Hz are exactly 320 at 16 kHz: phrases start on such a
// boundary so the decoder's frames and the retained audio share one clock.
constexpr std::uint64_t kAlignSamples = 441;
constexpr std::size_t kReadSamples = 1024;

using Clock = std::chrono::steady_clock;

std::uint64_t SamplesFor(std::chrono::milliseconds ms) {
    const std::uint64_t n = static_cast<std::uint64_t>(ms.count()) * kInputSampleRate / 1000;
    return (n + kAlignSamples - 1) / kAlignSamples * kAlignSamples;
}

// Keeps at most about `keep` samples at the end, dropping whole alignment units.
void TrimFront(std::vector<std::int16_t>& audio, std::uint64_t& start, std::uint64_t keep) {
    if (audio.size() <= keep) return;
    const std::uint64_t drop = (audio.size() - keep) / kAlignSamples * kAlignSamples;
    audio.erase(audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(drop));
    start += drop;
}

}  // namespace

CapturedPhrase RetainPhrase(const std::vector<std::int16_t>& phrase, RecognitionResult recognition) {
    CapturedPhrase out;
    if (recognition.words.empty()) {
        out.recognition = std::move(recognition);
        return out;
    }
    const std::uint64_t size = phrase.size();
    const std::uint64_t first = static_cast<std::uint64_t>(std::max(0, recognition.words.front().startFrame));
    const std::uint64_t end = static_cast<std::uint64_t>(std::max(0, recognition.words.back().endFrame)) + 1;
    // 441 bytes are 220.5 samples: round the start down and the end up.
    const std::uint64_t s0 = std::min(size, first * kBytesPerFrame / 2);
    const std::uint64_t s1 = std::max(s0, std::min(size, (end * kBytesPerFrame + 1) / 2));
    out.audio.assign(phrase.begin() + static_cast<std::ptrdiff_t>(s0), phrase.begin() + static_cast<std::ptrdiff_t>(s1));
    out.retainedStartSample = s0;
    const std::uint64_t bytes = out.RetainedBytes();
    for (const RecognizedWord& w : recognition.words) {
        const std::uint64_t start = static_cast<std::uint64_t>(std::max(0, w.startFrame));
        const std::uint64_t offset = start > first ? (start - first) * kBytesPerFrame : 0;
        out.words.push_back(
            PhraseWord{w.text, static_cast<std::uint32_t>(std::min(offset, bytes)), w.startFrame, w.endFrame});
    }
    out.recognition = std::move(recognition);
    return out;
}

PhraseCapture::PhraseCapture(AudioSource& source, SpeechDetector& detector, Recognizer& recognizer,
                             CaptureOptions options)
    : source_(source), detector_(detector), recognizer_(recognizer), options_(options) {}

void PhraseCapture::Stop() {
    stop_ = true;
    source_.Stop();
}

CaptureResult PhraseCapture::Listen(std::string_view grammarText) {
    CaptureResult result;
    auto stopped = [&] {
        result.status = CaptureStatus::Stopped;
        result.message = "Listening was stopped.";
        return result;
    };
    if (stop_) return stopped();
    const AudioStart start = source_.Start();
    if (FAILED(start.status)) {
        result.status = CaptureStatus::CannotStart;
        result.message = start.message;
        return result;
    }
    if (stop_) return stopped();  // a Stop that came while the source was starting
    detector_.Reset();

    const std::uint64_t preroll = SamplesFor(options_.preroll);
    const std::uint64_t maxPhrase = static_cast<std::uint64_t>(options_.maxPhrase.count()) * kInputSampleRate;
    Resampler detectRate(kInputSampleRate, kRecognizerSampleRate);
    std::unique_ptr<Resampler> phraseRate;
    std::vector<std::int16_t> block(kReadSamples);
    std::vector<std::int16_t> detect16;
    std::vector<std::int16_t> phrase16;
    std::vector<std::int16_t> history;  // recent audio before a phrase, then the phrase
    std::uint64_t historyStart = 0;     // input position of history[0]
    std::uint64_t total = 0;
    bool inPhrase = false;
    bool speech = false;

    auto feedPhrase = [&](std::span<const std::int16_t> audio, bool last) {
        phrase16.clear();
        phraseRate->Process(audio, phrase16);
        if (last) phraseRate->Flush(phrase16);
        return recognizer_.FeedPhrase(phrase16);
    };

    for (;;) {
        if (stop_) return stopped();
        const std::size_t n = source_.Read(block);
        if (stop_) return stopped();
        const bool ended = n == 0;
        const std::span<const std::int16_t> in(block.data(), n);
        total += n;

        detect16.clear();
        detectRate.Process(in, detect16);
        if (!detect16.empty()) speech = detector_.Feed(detect16);

        if (!inPhrase) {
            history.insert(history.end(), in.begin(), in.end());
            if (speech && !ended) {
                // The detector speaks up a little after the speech began: the
                // phrase starts a pre-roll before the block that woke it.
                const std::uint64_t back = n + preroll;
                std::uint64_t from = total > back ? total - back : 0;
                from = std::max(from, historyStart);
                from = historyStart + (from - historyStart) / kAlignSamples * kAlignSamples;
                history.erase(history.begin(), history.begin() + static_cast<std::ptrdiff_t>(from - historyStart));
                historyStart = from;
                if (FAILED(recognizer_.StartPhrase())) {
                    result.status = CaptureStatus::Failed;
                    result.message = "The speech recognizer cannot start decoding.";
                    return result;
                }
                phraseRate = std::make_unique<Resampler>(kInputSampleRate, kRecognizerSampleRate);
                feedPhrase(history, false);
                inPhrase = true;
            } else {
                TrimFront(history, historyStart, preroll + kReadSamples + kAlignSamples);
            }
        } else {
            history.insert(history.end(), in.begin(), in.end());
            feedPhrase(in, false);
        }

        if (inPhrase && (!speech || ended || history.size() >= maxPhrase)) {
            const auto finishing = Clock::now();
            feedPhrase({}, true);
            RecognitionResult recognition = recognizer_.FinishPhrase(grammarText);
            result.finishTime = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - finishing);
            inPhrase = false;
            if (FAILED(recognition.status)) {
                result.status = CaptureStatus::Failed;
                result.message = "The speech recognizer failed while decoding the phrase.";
                return result;
            }
            if (!recognition.words.empty()) {
                result.status = CaptureStatus::Phrase;
                result.phrase = RetainPhrase(history, std::move(recognition));
                result.phrase.phraseStartSample = historyStart;
                result.phrase.retainedStartSample += historyStart;
                return result;
            }
            // Noise without words: go on listening.
            TrimFront(history, historyStart, preroll + kReadSamples + kAlignSamples);
        }
        if (ended) {
            result.status = CaptureStatus::NoPhrase;
            result.message = "The input ended before a phrase was recognised.";
            return result;
        }
    }
}

}  // namespace lipsmith::engines
