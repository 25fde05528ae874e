#include "RecognitionRun.h"

#include "PhraseRescaler.h"

#include <algorithm>
#include <cstdio>

namespace lipsmith::tts {

using namespace lipsmith::engines;
using namespace lipsmith::speech;

namespace {

// Where the voice speaks while it only times the phonemes.
class DiscardSink : public AudioSink {
public:
    WaveFormat Format() const override { return Format22kHz16BitMono(); }
    HRESULT Write(const void*, std::size_t) override { return S_OK; }
};

constexpr std::size_t kWriteChunk = 1000;

}  // namespace

RecognitionRun::RecognitionRun(RecognitionRunSetup setup) : setup_(std::move(setup)) {}

RecognitionRun::~RecognitionRun() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void RecognitionRun::Start(std::function<void(const RecognitionRunResult&)> done) {
    if (thread_.joinable()) return;
    thread_ = std::thread([this, done = std::move(done)] {
        RecognitionRunResult result = Run();
        {
            std::lock_guard lock(mutex_);
            result_ = result;
        }
        if (done) done(result);
    });
}

RecognitionRunResult RecognitionRun::Wait() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return result_;
}

void RecognitionRun::Stop() {
    stop_ = true;
    std::lock_guard lock(mutex_);
    if (capture_) capture_->Stop();
}

RecognitionRunResult RecognitionRun::Run() {
    RecognitionRunResult result;
    if (!setup_.audio || !setup_.detector || !setup_.recognizer) {
        result.outcome = RunOutcome::CannotStart;
        result.message = "Listening cannot start: no audio input or no recognizer.";
        return result;
    }
    PhraseCapture capture(*setup_.audio, *setup_.detector, *setup_.recognizer, setup_.capture);
    {
        std::lock_guard lock(mutex_);
        capture_ = &capture;
        if (stop_) capture.Stop();
    }
    CaptureResult captured = capture.Listen(setup_.grammarText);
    {
        std::lock_guard lock(mutex_);
        capture_ = nullptr;
    }
    result.message = captured.message;
    result.finishTime = captured.finishTime;
    result.notes = captured.phrase.recognition.notes;
    switch (captured.status) {
        case CaptureStatus::Phrase: break;
        case CaptureStatus::Stopped: result.outcome = RunOutcome::Stopped; return result;
        case CaptureStatus::NoPhrase: result.outcome = RunOutcome::NoPhrase; return result;
        case CaptureStatus::CannotStart: result.outcome = RunOutcome::CannotStart; return result;
        case CaptureStatus::Failed: result.outcome = RunOutcome::DecoderFailed; return result;
    }
    const CapturedPhrase& phrase = captured.phrase;
    result.text = phrase.Text();
    result.source = phrase.recognition.source;
    result.speechEndSample = phrase.retainedStartSample + phrase.audio.size();
    if (stop_) {
        result.outcome = RunOutcome::Stopped;
        result.message = "Listening was stopped.";
        return result;
    }
    // Without audio there is nothing to time the words by, and nothing to
    // put in the file: no phonemes rather than phonemes of no length.
    if (phrase.audio.empty()) {
        result.outcome = RunOutcome::NoAudio;
        result.message = "The recognised phrase has no audio.";
        return result;
    }
    // The file first: keys are only made for a phrase that was recorded.
    if (!WritePhraseAudio(phrase)) {
        result.outcome = RunOutcome::FileFailed;
        result.message = "The phrase audio file \"" + setup_.phraseAudioPath + "\" cannot be written.";
        return result;
    }
    return Respeak(phrase, std::move(result));
}

bool RecognitionRun::WritePhraseAudio(const CapturedPhrase& phrase) {
    if (setup_.phraseAudioPath.empty()) return false;
    // The stream completes its file on Close whatever happened before, so it
    // writes to a name of our own that becomes the target only when whole.
    const std::string part = setup_.phraseAudioPath + ".part";
    std::shared_ptr<SpStream> stream = setup_.createStream ? setup_.createStream() : CreateSpStream();
    if (!stream || FAILED(stream->BindToFile(part, SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), SPFEI_ALL_EVENTS)))
        return false;
    const std::size_t bytes = phrase.audio.size() * 2;
    const auto* data = reinterpret_cast<const char*>(phrase.audio.data());
    bool written = true;
    for (std::size_t at = 0; written && at < bytes; at += kWriteChunk)
        written = SUCCEEDED(stream->Write(data + at, std::min(kWriteChunk, bytes - at)));
    const bool closed = SUCCEEDED(stream->Close());
    stream.reset();
    if (written && closed && std::rename(part.c_str(), setup_.phraseAudioPath.c_str()) == 0) return true;
    std::remove(part.c_str());
    return false;
}

RecognitionRunResult RecognitionRun::Respeak(const CapturedPhrase& phrase, RecognitionRunResult result) {
    result.outcome = RunOutcome::Done;
    ISpVoice* voice = setup_.voice;
    if (!voice || result.text.empty()) return result;

    PhraseTiming timing;
    std::vector<std::string> words;
    for (const PhraseWord& w : phrase.words) {
        timing.wordOffsets.push_back(w.retainedOffset);
        words.push_back(w.text);
    }
    // The voice re-speaks the words joined by blanks: its boundaries are
    // matched to the words by their places in that text.
    if (result.text == phrase.Text()) timing.wordPositions = WordPositionsOf(words);
    timing.retainedBytes = phrase.RetainedBytes();
    timing.bytesPerSecond = Format22kHz16BitMono().avgBytesPerSec;
    PhraseRescaler rescaler(timing, [&](WPARAM wParam, LPARAM lParam) {
        if (stop_) return;
        if (setup_.notify) setup_.notify(kPhonemeMessage, wParam, lParam);
        ++result.phonemesSent;
    });

    std::shared_ptr<AudioSink> previous;
    const bool silent = setup_.respeakSilently && SUCCEEDED(voice->GetOutputStream(&previous)) &&
                        SUCCEEDED(voice->SetOutput(std::make_shared<DiscardSink>(), true));
    voice->SetInterest(SPFEI_ALL_TTS_EVENTS, SPFEI_ALL_TTS_EVENTS);
    std::uint32_t stream = 0;
    // Plain text; the events are fetched here while the voice speaks.
    const HRESULT spoke = voice->Speak(result.text, SPF_ASYNC, &stream);
    bool ended = FAILED(spoke);
    bool purged = false;
    while (!ended) {
        SPEVENT event;
        std::uint32_t fetched = 0;
        while (SUCCEEDED(voice->GetEvents(1, &event, &fetched)) && fetched == 1) {
            if (stream == 0 || event.ulStreamNum == stream) {
                rescaler.OnVoiceEvent(event);
                if (event.eEventId == SPEI_END_INPUT_STREAM) ended = true;
            }
            event = SPEVENT{};
            fetched = 0;
        }
        if (ended) break;
        if (stop_ && !purged) {
            voice->Speak(std::string(), SPF_PURGEBEFORESPEAK, nullptr);
            purged = true;
        }
        // Done and every event fetched: the stream has ended even if its end
        // event was not ours to see.
        if (voice->WaitUntilDone(5) == S_OK) {
            while (SUCCEEDED(voice->GetEvents(1, &event, &fetched)) && fetched == 1) {
                if (stream == 0 || event.ulStreamNum == stream) rescaler.OnVoiceEvent(event);
                event = SPEVENT{};
                fetched = 0;
            }
            break;
        }
    }
    if (silent) voice->SetOutput(previous, true);
    if (stop_) {
        result.outcome = RunOutcome::Stopped;
        result.message = "Listening was stopped.";
    }
    return result;
}

}  // namespace lipsmith::tts
