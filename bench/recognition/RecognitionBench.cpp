// bench_recognition: figures of listening with pocketsphinx.
//   - decoder start-up time (the model loaded once per process);
//   - recognition time per second of phrase audio, with and without a
//     grammar, on a 5-second espeak-ng phrase and on a human recording
//     (Debian's pocketsphinx-testdata, when installed);
//   - for the 5-second phrase played in real time: from the end of the
//     speech to the recognised words, and to the last rescaled phoneme of a
//     whole recognition run with the espeak-ng voice re-speaking.
// Wall-clock figures on a shared machine are noisy; CPU times are printed
// beside them.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "AudioInput.h"
#include "PhraseCapture.h"
#include "RecognitionRun.h"
#include "Recognizer.h"
#include "Resampler.h"

using namespace lipsmith;
using namespace lipsmith::engines;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

const char* kPhrase = "the animator opened the scene and read the first line of the script aloud to the whole team";
const char* kHuman = "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0870.wav";
const char* kHumanText =
    "and mister john dashwood had then leisure to consider how much there might be prudently in his power to do "
    "for them";

void DecodeFigures(Recognizer& recognizer, Recognizer& fallback, const char* name, const std::string& wave,
                   const char* text) {
    std::vector<std::int16_t> audio22;
    std::string message;
    if (!ReadWaveAs22kMono(wave, audio22, &message)) {
        std::printf("%s: %s\n", name, message.c_str());
        return;
    }
    const std::vector<std::int16_t> audio16 = Resample(audio22, kInputSampleRate, kRecognizerSampleRate);
    const double seconds = static_cast<double>(audio16.size()) / kRecognizerSampleRate;
    struct Way {
        Recognizer* recognizer;
        const char* grammar;
        const char* label;
    };
    for (const Way& way : {Way{&recognizer, text, "dictation+grammar"}, Way{&recognizer, "", "dictation only"},
                           Way{&fallback, text, "grammar (+fallback)"}}) {
        const char* grammar = way.grammar;
        const auto t0 = Clock::now();
        const double c0 = Cpu();
        const RecognitionResult r = way.recognizer->Recognize(audio16, grammar);
        const double wall = Seconds(Clock::now() - t0);
        const double cpu = Cpu() - c0;
        std::printf("%-18s %-20s audio %5.2f s  wall %6.3f s (%5.1fx real time)  cpu %6.3f s (%5.1fx)  %s: %s\n",
                    name, way.label, seconds, wall, seconds / wall, cpu,
                    seconds / cpu,
                    r.source == RecognitionSource::Grammar ? "grammar" : r.source == RecognitionSource::Dictation ? "dictation" : "none",
                    r.Text().c_str());
    }
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / ("lipsmith-bench-reco-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string phrase = (dir / "phrase.wav").string();
    if (std::system(("espeak-ng -v en -s 185 -w '" + phrase + "' '" + kPhrase + "'").c_str()) != 0) {
        std::printf("espeak-ng is needed to make the test phrase\n");
        return 1;
    }

    std::unique_ptr<Recognizer> recognizer;
    for (int i = 0; i < 3; ++i) {
        recognizer.reset();
        const double c0 = Cpu();
        const RecognizerCreation made = CreatePocketRecognizer({}, &recognizer);
        if (FAILED(made.status)) {
            std::printf("no recognizer: %s\n", made.message.c_str());
            return 1;
        }
        std::printf("decoder start-up %d: wall %.3f s  cpu %.3f s\n", i + 1,
                    static_cast<double>(made.elapsed.count()) / 1e6, Cpu() - c0);
    }
    std::unique_ptr<SpeechDetector> detector;
    const RecognizerCreation detecting = CreatePocketSpeechDetector({}, &detector);
    std::printf("speech detector start-up: %.4f s\n", static_cast<double>(detecting.elapsed.count()) / 1e6);

    // Phrases cut from a recording need dictation only where the text does not fit.
    RecognizerOptions grammarFirst;
    grammarFirst.dictation = DictationUse::WhenGrammarFails;
    std::unique_ptr<Recognizer> fallback;
    CreatePocketRecognizer(grammarFirst, &fallback);
    DecodeFigures(*recognizer, *fallback, "espeak-ng phrase", phrase, kPhrase);
    if (std::filesystem::exists(kHuman)) DecodeFigures(*recognizer, *fallback, "human recording", kHuman, kHumanText);

    // The phrase played in real time, as from a microphone.
    {
        auto source = CreateWaveFileSource(phrase, true);
        PhraseCapture capture(*source, *detector, *recognizer);
        const auto t0 = Clock::now();
        const CaptureResult r = capture.Listen(kPhrase);
        const auto t1 = Clock::now();
        if (r.status != CaptureStatus::Phrase) {
            std::printf("real-time listening found no phrase: %s\n", r.message.c_str());
        } else {
            const PhraseWord& last = r.phrase.words.back();
            const double speechEnd =
                (static_cast<double>(r.phrase.phraseStartSample) + (last.endFrame + 1) * 220.5) / kInputSampleRate;
            std::printf("real time, %.2f s of speech: end of speech to words %.3f s "
                        "(silence that ends the phrase 0.600 s + decoding after it %.3f s)\n",
                        speechEnd - static_cast<double>(r.phrase.retainedStartSample) / kInputSampleRate,
                        Seconds(t1 - t0) - speechEnd, static_cast<double>(r.finishTime.count()) / 1e6);
        }
    }
    // A whole run: listening, the phrase file and the re-spoken phonemes.
    {
        std::unique_ptr<speech::ISpVoice> voice;
        if (FAILED(speech::CreateSpVoice(&voice))) {
            std::printf("no voice\n");
        } else {
            auto source = CreateWaveFileSource(phrase, true);
            tts::RecognitionRunSetup setup;
            setup.grammarText = kPhrase;
            setup.phraseAudioPath = (dir / "heard.wav").string();
            setup.audio = source.get();
            setup.detector = detector.get();
            setup.recognizer = recognizer.get();
            setup.voice = voice.get();
            Clock::time_point lastKey;
            setup.notify = [&](UINT, WPARAM, LPARAM) { lastKey = Clock::now(); };
            const auto t0 = Clock::now();
            tts::RecognitionRun run(setup);
            const tts::RecognitionRunResult r = run.Run();
            if (r.outcome != tts::RunOutcome::Done) {
                std::printf("run ended without phonemes: %s\n", r.message.c_str());
            } else {
                const double speechEnd = static_cast<double>(r.speechEndSample) / kInputSampleRate;
                std::printf("real time, whole run: %zu phonemes; end of speech to last phoneme %.3f s\n",
                            r.phonemesSent, Seconds(lastKey - t0) - speechEnd);
            }
        }
    }
    std::filesystem::remove_all(dir);
    return 0;
}
