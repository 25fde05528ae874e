// A recognition run with scripted parts: a fake audio source, a loudness
// detector, a scripted recognizer and the scripted voice; plus one run with
// the real ones (pocketsphinx, the espeak-ng voice, a wave file).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <thread>

#include "EspeakPronouncer.h"
#include "RecognitionFakes.h"
#include "RecognitionRun.h"
#include "Resampler.h"
#include "Riff.h"
#include "ScriptedVoice.h"

namespace lipsmith::tts {
namespace {

namespace fs = std::filesystem;
using namespace lipsmith::speech;
using lipsmith::testing::AppendSilence;
using lipsmith::testing::AppendSpeech;
using lipsmith::testing::FakeAudioSource;
using lipsmith::testing::LoudnessDetector;
using lipsmith::testing::ScriptedRecognizer;

SPEVENT Event(SPEVENTENUM id, WPARAM w, LPARAM l, std::uint64_t offset) {
    SPEVENT e;
    e.eEventId = id;
    e.wParam = w;
    e.lParam = l;
    e.ullAudioStreamOffset = offset;
    return e;
}

// The voice says every word as two phonemes of 100 ms, each boundary before
// its word's phonemes.
std::vector<lipsmith::testing::ScriptStep> TwoPhonemesAWord(const std::string& text, std::uint32_t) {
    std::vector<lipsmith::testing::ScriptStep> steps;
    std::uint64_t at = 0;
    steps.push_back({Event(SPEI_START_INPUT_STREAM, 0, 0, 0), {}});
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(' ', pos);
        if (end == std::string::npos) end = text.size();
        steps.push_back({Event(SPEI_WORD_BOUNDARY, end - pos, static_cast<LPARAM>(pos), at), {}});
        for (int i = 0; i < 2; ++i) {
            steps.push_back({Event(SPEI_PHONEME, (WPARAM{100} << 16), 10 + i, at), std::chrono::microseconds(100)});
            at += 4410;
        }
        pos = end + 1;
    }
    steps.push_back({Event(SPEI_END_INPUT_STREAM, 0, 0, at), {}});
    return steps;
}

class RecognitionRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("lipsmith-run-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        probe = std::make_shared<lipsmith::testing::VoiceProbe>();
        probe->script = TwoPhonemesAWord;
        ASSERT_EQ(lipsmith::testing::ScriptedVoiceFactory(probe)(&voice), S_OK);
    }
    void TearDown() override { fs::remove_all(dir); }

    RecognitionRunSetup Setup(FakeAudioSource& source) {
        RecognitionRunSetup s;
        s.grammarText = "hello world";
        s.phraseAudioPath = (dir / "phrase.wav").string();
        s.audio = &source;
        s.detector = &detector;
        s.recognizer = &recognizer;
        s.voice = voice.get();
        s.notify = [this](UINT message, WPARAM w, LPARAM l) {
            std::lock_guard lock(mutex);
            messages.push_back(message);
            durations.push_back(static_cast<unsigned>((w >> 16) & 0xFFFF));
            phones.push_back(static_cast<unsigned>(l & 0xFFFF));
        };
        return s;
    }
    static std::vector<std::int16_t> OnePhrase() {
        std::vector<std::int16_t> audio;
        AppendSilence(audio, 1.0);
        AppendSpeech(audio, 1.0);
        AppendSilence(audio, 1.0);
        return audio;
    }
    std::size_t Files() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }

    fs::path dir;
    std::shared_ptr<lipsmith::testing::VoiceProbe> probe;
    std::unique_ptr<ISpVoice> voice;
    LoudnessDetector detector;
    ScriptedRecognizer recognizer;
    std::mutex mutex;
    std::vector<UINT> messages;
    std::vector<unsigned> durations, phones;
};

TEST_F(RecognitionRunTest, WritesThePhraseAndSendsPhonemesTimedToTheSpeaker) {
    FakeAudioSource source(OnePhrase());
    // Spoken: "hello" over 200 ms, "world" over 300 ms.
    recognizer.answers.push_back(lipsmith::testing::Words({{"hello", 10, 29}, {"world", 30, 59}}));
    RecognitionRun run(Setup(source));
    const RecognitionRunResult r = run.Run();
    ASSERT_EQ(r.outcome, RunOutcome::Done) << r.message;
    EXPECT_EQ(r.text, "hello world");
    EXPECT_EQ(recognizer.grammars, std::vector<std::string>{"hello world"});

    // The voice re-spoke the words as plain text, silently, and got its output back.
    ASSERT_EQ(probe->Spoken(), std::vector<std::string>{"hello world"});
    EXPECT_EQ(probe->flags[0] & SPF_IS_XML, 0u);
    EXPECT_EQ(probe->setOutputCalls, 2);
    EXPECT_EQ(probe->output, probe->defaultSink);

    EXPECT_EQ(messages, std::vector<UINT>(4, WM_APP + 6));
    EXPECT_EQ(durations, (std::vector<unsigned>{100, 100, 150, 150}));
    EXPECT_EQ(phones, (std::vector<unsigned>{10, 11, 10, 11}));
    EXPECT_EQ(r.phonemesSent, 4u);

    // The file holds the words' 500 ms at 22050 Hz, 16-bit mono, and nothing else is left.
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo((dir / "phrase.wav").string(), info));
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.channels, 1u);
    EXPECT_EQ(info.format.bitsPerSample, 16u);
    EXPECT_NEAR(static_cast<double>(info.dataSize), 22050.0, 2.0);
    EXPECT_EQ(Files(), 1u);
}

TEST_F(RecognitionRunTest, OnlyTheFirstPhraseIsUsed) {
    std::vector<std::int16_t> audio = OnePhrase();
    AppendSpeech(audio, 1.0);
    AppendSilence(audio, 1.0);
    FakeAudioSource source(audio);
    recognizer.answers.push_back(lipsmith::testing::Words({{"first", 10, 50}}));
    recognizer.answers.push_back(lipsmith::testing::Words({{"second", 10, 50}}));
    RecognitionRun run(Setup(source));
    const RecognitionRunResult r = run.Run();
    ASSERT_EQ(r.outcome, RunOutcome::Done);
    EXPECT_EQ(r.text, "first");
    EXPECT_EQ(recognizer.phraseSamples.size(), 1u);
    EXPECT_EQ(probe->Spoken(), std::vector<std::string>{"first"});
}

TEST_F(RecognitionRunTest, StopBeforeSpeakingEndsWithoutFileOrPhonemes) {
    std::vector<std::int16_t> quiet;
    AppendSilence(quiet, 0.5);
    FakeAudioSource source(quiet);
    source.waitAtEnd = true;
    RecognitionRun run(Setup(source));
    bool reported = false;
    run.Start([&](const RecognitionRunResult&) { reported = true; });
    source.WaitUntilWaiting();
    run.Stop();
    const RecognitionRunResult r = run.Wait();
    EXPECT_TRUE(reported);
    EXPECT_EQ(r.outcome, RunOutcome::Stopped);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(probe->Spoken().empty());
    EXPECT_EQ(Files(), 0u);
}

TEST_F(RecognitionRunTest, StopWhileTheVoiceReSpeaksSendsNothingMore) {
    FakeAudioSource source(OnePhrase());
    recognizer.answers.push_back(lipsmith::testing::Words({{"one", 10, 20}, {"two", 21, 30}, {"three", 31, 40}}));
    RecognitionRunSetup setup = Setup(source);
    RecognitionRun* self = nullptr;
    auto notify = setup.notify;
    setup.notify = [&](UINT m, WPARAM w, LPARAM l) {
        notify(m, w, l);
        self->Stop();
    };
    RecognitionRun run(std::move(setup));
    self = &run;
    const RecognitionRunResult r = run.Run();
    EXPECT_EQ(r.outcome, RunOutcome::Stopped);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(probe->output, probe->defaultSink);
}

TEST_F(RecognitionRunTest, FailuresEndTheRunWithAReasonAndNoPhonemes) {
    {
        SCOPED_TRACE("no audio input");
        FakeAudioSource source;
        source.start = engines::AudioStart{E_FAIL, "Cannot start listening: there is no audio input device."};
        RecognitionRun run(Setup(source));
        const RecognitionRunResult r = run.Run();
        EXPECT_EQ(r.outcome, RunOutcome::CannotStart);
        EXPECT_EQ(r.message, "Cannot start listening: there is no audio input device.");
    }
    {
        SCOPED_TRACE("phrase audio file in a missing folder");
        FakeAudioSource source(OnePhrase());
        recognizer.answers.push_back(lipsmith::testing::Words({{"hello", 10, 29}}));
        RecognitionRunSetup setup = Setup(source);
        setup.phraseAudioPath = (dir / "missing" / "phrase.wav").string();
        RecognitionRun run(setup);
        const RecognitionRunResult r = run.Run();
        EXPECT_EQ(r.outcome, RunOutcome::FileFailed);
        EXPECT_NE(r.message.find(setup.phraseAudioPath), std::string::npos);
    }
    {
        SCOPED_TRACE("words outside the phrase's audio");
        FakeAudioSource source(OnePhrase());
        recognizer.answers.push_back(lipsmith::testing::Words({{"ghost", 100000, 100010}}));
        RecognitionRun run(Setup(source));
        const RecognitionRunResult r = run.Run();
        EXPECT_EQ(r.outcome, RunOutcome::NoAudio);
    }
    {
        SCOPED_TRACE("input without a phrase");
        std::vector<std::int16_t> quiet;
        AppendSilence(quiet, 1.0);
        FakeAudioSource source(quiet);
        RecognitionRun run(Setup(source));
        EXPECT_EQ(run.Run().outcome, RunOutcome::NoPhrase);
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(probe->Spoken().empty());
    EXPECT_EQ(Files(), 0u);
}

// The real parts: pocketsphinx hears an espeak-ng recording through the
// wave-file input, the espeak-ng voice re-speaks it, and every word's
// phonemes fill that word's stretch of the recorded phrase.
TEST(RecognitionRunEndToEnd, RealPartsFitTheVoiceToTheRecording) {
    std::unique_ptr<engines::Recognizer> recognizer;
    if (FAILED(engines::CreatePocketRecognizer({}, &recognizer).status)) GTEST_SKIP() << "no pocketsphinx model";
    std::unique_ptr<engines::SpeechDetector> detector;
    ASSERT_EQ(engines::CreatePocketSpeechDetector({}, &detector).status, S_OK);
    std::unique_ptr<ISpVoice> voice;
    ASSERT_EQ(CreateSpVoice(&voice), S_OK);

    const fs::path dir = fs::temp_directory_path() / ("lipsmith-run-e2e-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string text = "the quick brown fox jumps over the lazy dog";
    const std::string recording = (dir / "spoken.wav").string();
    ASSERT_EQ(std::system(("espeak-ng -v en -s 120 -w '" + recording + "' '" + text + "'").c_str()), 0);
    auto source = engines::CreateWaveFileSource(recording, false);

    RecognitionRunSetup setup;
    setup.grammarText = text;
    setup.phraseAudioPath = (dir / "phrase.wav").string();
    setup.audio = source.get();
    setup.detector = detector.get();
    setup.recognizer = recognizer.get();
    setup.voice = voice.get();
    std::vector<unsigned> durations;
    setup.notify = [&](UINT message, WPARAM w, LPARAM) {
        EXPECT_EQ(message, WM_APP + 6);
        durations.push_back(static_cast<unsigned>((w >> 16) & 0xFFFF));
    };
    RecognitionRun run(setup);
    const RecognitionRunResult r = run.Run();
    ASSERT_EQ(r.outcome, RunOutcome::Done) << r.message;
    EXPECT_EQ(r.text, text);
    ASSERT_FALSE(durations.empty());

    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(setup.phraseAudioPath, info));
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    // The phonemes span the recorded phrase: its length plus the voice's
    // trailing pause, scaled like the last word.
    const double phraseMs = info.dataSize / 44.1;
    const unsigned total = std::accumulate(durations.begin(), durations.end(), 0u);
    EXPECT_GE(total + 0.5 * static_cast<double>(durations.size()), phraseMs);
    EXPECT_LT(total, phraseMs + 1500);
    fs::remove_all(dir);
}

// A name the dictionary lacks is pronounced by espeak-ng's rules, so the
// grammar keeps it and the phrase comes out exactly.
TEST(RecognitionRunEndToEnd, ANameMissingFromTheDictionaryIsPronouncedByTheVoicesRules) {
    const std::string phones = engines::EspeakPronunciation("lipsmith");
    ASSERT_FALSE(phones.empty());
    EXPECT_EQ(phones.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ "), std::string::npos) << phones;
    EXPECT_EQ(engines::EspeakPronunciation("hello"), "HH AH L OW");

    engines::RecognizerOptions options;
    options.pronounce = engines::EspeakPronunciation;
    std::unique_ptr<engines::Recognizer> recognizer;
    if (FAILED(engines::CreatePocketRecognizer(options, &recognizer).status)) GTEST_SKIP() << "no pocketsphinx model";
    const fs::path dir = fs::temp_directory_path() / ("lipsmith-name-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string text = "the quick brown fox met lipsmith";
    const std::string recording = (dir / "name.wav").string();
    ASSERT_EQ(std::system(("espeak-ng -v en-us -s 150 -w '" + recording + "' '" + text + "'").c_str()), 0);
    std::vector<std::int16_t> audio;
    ASSERT_TRUE(engines::ReadWaveAs22kMono(recording, audio, nullptr));
    const engines::RecognitionResult r =
        recognizer->Recognize(engines::Resample(audio, 22050, 16000), "The quick brown fox met Lipsmith.");
    EXPECT_TRUE(r.notes.empty());
    EXPECT_EQ(r.source, engines::RecognitionSource::Grammar);
    EXPECT_EQ(r.Text(), text);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace lipsmith::tts
