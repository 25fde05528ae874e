#include "PocketListening.h"

#include "AudioInput.h"
#include "EspeakPronouncer.h"
#include "RecognitionRun.h"

namespace lipsmith::tts {

namespace {

engines::RecognizerOptions Options() {
    engines::RecognizerOptions o;
    o.pronounce = engines::EspeakPronunciation;
    return o;
}

// One run: it owns its audio input and detector, borrows the warm decoder
// and gives it back when it goes.
class PocketRun : public ListeningRun {
public:
    PocketRun(ListeningRequest request, engines::RecognizerCache cache, std::unique_ptr<engines::Recognizer> recognizer,
              std::unique_ptr<engines::SpeechDetector> detector, std::unique_ptr<engines::AudioSource> audio)
        : cache_(std::move(cache)),
          recognizer_(std::move(recognizer)),
          detector_(std::move(detector)),
          audio_(std::move(audio)) {
        RecognitionRunSetup setup;
        setup.grammarText = std::move(request.grammarText);
        setup.phraseAudioPath = std::move(request.phraseAudioPath);
        setup.audio = audio_.get();
        setup.detector = detector_.get();
        setup.recognizer = recognizer_.get();
        setup.voice = request.voice;
        setup.notify = std::move(request.notify);
        run_ = std::make_unique<RecognitionRun>(std::move(setup));
    }
    ~PocketRun() override {
        run_.reset();
        // A decoder that failed is not kept for the next run.
        if (!failed_) cache_.Give(std::move(recognizer_));
    }

    ListeningOutcome Run() override {
        const RecognitionRunResult r = run_->Run();
        ListeningOutcome out;
        out.message = r.message;
        out.text = r.text;
        for (const std::string& note : r.notes) {
            if (note.rfind("The grammar could not be built", 0) == 0)
                out.grammarFailed = true;
            else
                out.notes.push_back(note);
        }
        switch (r.outcome) {
            case RunOutcome::Done: out.end = ListeningEnd::Done; break;
            case RunOutcome::Stopped: out.end = ListeningEnd::Stopped; break;
            case RunOutcome::CannotStart: out.end = ListeningEnd::CannotStart; break;
            case RunOutcome::NoPhrase:
            case RunOutcome::NoAudio: out.end = ListeningEnd::NoPhrase; break;
            case RunOutcome::DecoderFailed: failed_ = true; [[fallthrough]];
            case RunOutcome::FileFailed: out.end = ListeningEnd::Failed; break;
        }
        return out;
    }
    void Stop() override { run_->Stop(); }

private:
    engines::RecognizerCache cache_;
    std::unique_ptr<engines::Recognizer> recognizer_;
    std::unique_ptr<engines::SpeechDetector> detector_;
    std::unique_ptr<engines::AudioSource> audio_;
    std::unique_ptr<RecognitionRun> run_;
    bool failed_ = false;
};

}  // namespace

PocketListening::PocketListening() : options_(Options()), cache_(options_) {}

HRESULT PocketListening::Check(std::string* why) { return cache_.Check(why); }

std::unique_ptr<ListeningRun> PocketListening::Prepare(ListeningRequest request, std::string* why) {
    std::unique_ptr<engines::Recognizer> recognizer;
    const engines::RecognizerCreation made = cache_.Take(&recognizer);
    if (FAILED(made.status) || !recognizer) {
        if (why) *why = made.message;
        return nullptr;
    }
    std::unique_ptr<engines::SpeechDetector> detector;
    const engines::RecognizerCreation detecting = engines::CreatePocketSpeechDetector(options_, &detector);
    if (FAILED(detecting.status) || !detector) {
        cache_.Give(std::move(recognizer));
        if (why) *why = detecting.message;
        return nullptr;
    }
    return std::make_unique<PocketRun>(std::move(request), cache_, std::move(recognizer), std::move(detector),
                                       engines::CreateDefaultAudioSource());
}

}  // namespace lipsmith::tts
