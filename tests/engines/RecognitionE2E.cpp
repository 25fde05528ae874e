// Recognition through the real parts: espeak-ng speaks a phrase into a wave
// file at another rate than the voice's own, the file stands in for the
// microphone, pocketsphinx decodes it, and the words and their start times
// are checked against espeak-ng's own account of the same synthesis. A real
// human recording from Debian's pocketsphinx test data must come out right
// as well.
#include <espeak-ng/speak_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AudioInput.h"
#include "PhraseCapture.h"
#include "Recognizer.h"
#include "Resampler.h"

namespace lipsmith::engines {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHumanDir = "/usr/share/pocketsphinx/test/data/librivox";

// Where espeak-ng's own synthesis puts each word: its word events (a word
// that starts with a stop starts with the stop's closure, before the
// phoneme event of the burst).
struct EspeakTiming {
    std::vector<double> wordStarts;  // seconds
    std::uint64_t samples = 0;
    std::string text;
};
EspeakTiming* gTiming = nullptr;

int CollectTiming(short*, int count, espeak_EVENT* events) {
    for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        // Punctuation gets word events of its own; only words count.
        const std::size_t at = e->text_position > 0 ? static_cast<std::size_t>(e->text_position - 1) : SIZE_MAX;
        if (e->type == espeakEVENT_WORD && at < gTiming->text.size() && std::isalnum(static_cast<unsigned char>(gTiming->text[at])))
            gTiming->wordStarts.push_back(static_cast<double>(e->sample) / 22050.0);
    }
    if (count > 0) gTiming->samples += static_cast<std::uint64_t>(count);
    return 0;
}

EspeakTiming SpeakTiming(const std::string& text, int rate) {
    static const int sampleRate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
    EXPECT_EQ(sampleRate, 22050);
    EspeakTiming timing;
    timing.text = text;
    gTiming = &timing;
    espeak_SetSynthCallback(CollectTiming);
    espeak_SetVoiceByName("en");
    espeak_SetParameter(espeakRATE, rate, 0);
    // As the espeak-ng program speaks: with the pause at the end.
    espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
    gTiming = nullptr;
    return timing;
}

struct Listened {
    CaptureResult capture;
    RecognizerCreation created;
};

class RecognitionE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        created_ = CreatePocketRecognizer({}, &recognizer_).status;
        CreatePocketSpeechDetector({}, &detector_);
    }
    static void TearDownTestSuite() {
        recognizer_.reset();
        detector_.reset();
    }
    void SetUp() override {
        if (FAILED(created_)) GTEST_SKIP() << "the pocketsphinx model is not installed";
        dir_ = fs::temp_directory_path() / ("lipsmith-reco-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // Listens to the file the way the server does with LIPSMITH_MIC_WAVE and
    // LIPSMITH_MIC_FAST.
    CaptureResult ListenTo(const std::string& wave, const std::string& grammar) {
        ::setenv("LIPSMITH_MIC_WAVE", wave.c_str(), 1);
        ::setenv("LIPSMITH_MIC_FAST", "1", 1);
        std::unique_ptr<AudioSource> source = CreateDefaultAudioSource();
        ::unsetenv("LIPSMITH_MIC_WAVE");
        ::unsetenv("LIPSMITH_MIC_FAST");
        PhraseCapture capture(*source, *detector_, *recognizer_);
        return capture.Listen(grammar);
    }

    std::string Espeak(const std::string& text, int rate) {
        const std::string wave = (dir_ / ("espeak-" + std::to_string(rate) + ".wav")).string();
        const std::string command =
            "espeak-ng -v en -s " + std::to_string(rate) + " -w '" + wave + "' '" + text + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return wave;
    }

    static std::vector<std::string> Words(const CapturedPhrase& p) {
        std::vector<std::string> out;
        for (const PhraseWord& w : p.words) out.push_back(w.text);
        return out;
    }

    static inline HRESULT created_ = E_FAIL;
    static inline std::unique_ptr<Recognizer> recognizer_;
    static inline std::unique_ptr<SpeechDetector> detector_;
    fs::path dir_;
};

TEST_F(RecognitionE2E, EspeakPhrasesAtOtherRatesComeOutExactlyAndOnTime) {
    struct Spoken {
        const char* text;
        int rate;
    };
    for (const Spoken& spoken : {Spoken{"the quick brown fox jumps over the lazy dog", 120},
                                 Spoken{"the quick brown fox jumps over the lazy dog", 220},
                                 Spoken{"the animator opened the scene, and read the first line aloud", 185}}) {
        const std::string text = spoken.text;
        const int rate = spoken.rate;
        const std::vector<std::string> expected = GrammarWords(text);
        SCOPED_TRACE("espeak-ng -s " + std::to_string(rate) + " " + text);
        const std::string wave = Espeak(text, rate);
        const EspeakTiming reference = SpeakTiming(text, rate);
        ASSERT_EQ(reference.wordStarts.size(), expected.size());
        std::vector<std::int16_t> recorded;
        ASSERT_TRUE(ReadWaveAs22kMono(wave, recorded, nullptr));
        // The library's synthesis is the one in the file (the program's
        // pause at a comma can be some milliseconds longer).
        ASSERT_NEAR(static_cast<double>(recorded.size()), static_cast<double>(reference.samples), 441.0);

        const CaptureResult heard = ListenTo(wave, text);
        ASSERT_EQ(heard.status, CaptureStatus::Phrase) << heard.message;
        const CapturedPhrase& phrase = heard.phrase;
        EXPECT_EQ(phrase.recognition.source, RecognitionSource::Grammar);
        ASSERT_EQ(Words(phrase), expected);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const double start =
                (static_cast<double>(phrase.phraseStartSample) + phrase.words[i].startFrame * 220.5) / 22050.0;
            EXPECT_NEAR(start, reference.wordStarts[i], 0.040) << expected[i];
        }
        // The retained audio is the recording from the first word to the end
        // of the last, and the words' offsets follow their frames.
        const double firstStart = phrase.words[0].startFrame * 0.01;
        EXPECT_NEAR(static_cast<double>(phrase.retainedStartSample) / 22050.0,
                    static_cast<double>(phrase.phraseStartSample) / 22050.0 + firstStart, 0.001);
        const std::size_t s0 = phrase.retainedStartSample;
        ASSERT_LE(s0 + phrase.audio.size(), recorded.size());
        EXPECT_TRUE(std::equal(phrase.audio.begin(), phrase.audio.end(), recorded.begin() + static_cast<long>(s0)));
        EXPECT_EQ(phrase.words[0].retainedOffset, 0u);
        for (std::size_t i = 1; i < phrase.words.size(); ++i) {
            EXPECT_EQ(phrase.words[i].retainedOffset,
                      static_cast<std::uint32_t>(phrase.words[i].startFrame - phrase.words[0].startFrame) * 441u);
        }
    }
}

TEST_F(RecognitionE2E, APhraseOffTheGrammarStillGivesDictatedWords) {
    const std::string wave = Espeak("go forward ten meters", 160);
    const CaptureResult heard = ListenTo(wave, "the quick brown fox jumps over the lazy dog");
    ASSERT_EQ(heard.status, CaptureStatus::Phrase) << heard.message;
    EXPECT_EQ(heard.phrase.recognition.source, RecognitionSource::Dictation);
    EXPECT_FALSE(heard.phrase.words.empty());
}

TEST_F(RecognitionE2E, GrammarWordsMissingFromTheDictionaryAreLeftOutWithANote) {
    const std::string wave = Espeak("the quick brown fox", 160);
    const CaptureResult heard = ListenTo(wave, "the quick <eyes/> brown fox zzxqvw");
    ASSERT_EQ(heard.status, CaptureStatus::Phrase) << heard.message;
    ASSERT_EQ(heard.phrase.recognition.notes.size(), 1u);
    EXPECT_NE(heard.phrase.recognition.notes[0].find("\"zzxqvw\""), std::string::npos);
    EXPECT_EQ(Words(heard.phrase), (std::vector<std::string>{"the", "quick", "brown", "fox"}));
}

TEST_F(RecognitionE2E, ARealHumanVoiceComesOutRight) {
    struct Recording {
        const char* file;
        const char* text;
    };
    const Recording recordings[] = {
        {"sense_and_sensibility_01_austen_64kb-0880.wav", "he was not an ill disposed young man"},
        {"sense_and_sensibility_01_austen_64kb-0930.wav", "he might even have been made amiable himself"},
    };
    for (const Recording& r : recordings) {
        const std::string path = std::string(kHumanDir) + "/" + r.file;
        if (!fs::exists(path)) GTEST_SKIP() << path << " is missing (Debian package pocketsphinx-testdata)";
        SCOPED_TRACE(r.file);
        std::vector<std::int16_t> recorded;
        ASSERT_TRUE(ReadWaveAs22kMono(path, recorded, nullptr));
        const CaptureResult heard = ListenTo(path, r.text);
        ASSERT_EQ(heard.status, CaptureStatus::Phrase) << heard.message;
        EXPECT_EQ(heard.phrase.recognition.source, RecognitionSource::Grammar);
        EXPECT_EQ(Words(heard.phrase), GrammarWords(r.text));
        // Every word lies inside the recording, in order.
        int previousEnd = -1;
        for (const PhraseWord& w : heard.phrase.words) {
            EXPECT_GT(w.startFrame, previousEnd);
            EXPECT_GE(w.endFrame, w.startFrame);
            previousEnd = w.endFrame;
        }
        EXPECT_LE(heard.phrase.retainedStartSample + heard.phrase.audio.size(), recorded.size());
    }
}

TEST_F(RecognitionE2E, OnlyTheFirstPhraseOfTheInputIsTaken) {
    // Two phrases with a second of silence between them.
    const std::string first = Espeak("the quick brown fox", 160);
    const std::string both = (dir_ / "two.wav").string();
    const std::string command = "sox '" + first + "' -p pad 0 1 | sox - '" + Espeak("go forward ten meters", 161) +
                                "' '" + both + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const CaptureResult heard = ListenTo(both, "the quick brown fox");
    ASSERT_EQ(heard.status, CaptureStatus::Phrase) << heard.message;
    EXPECT_EQ(Words(heard.phrase), (std::vector<std::string>{"the", "quick", "brown", "fox"}));
}

TEST_F(RecognitionE2E, AFileWithoutSpeechEndsWithNoPhrase) {
    const std::string quiet = (dir_ / "quiet.wav").string();
    ASSERT_EQ(std::system(("sox -n -r 16000 -c 1 -b 16 '" + quiet + "' trim 0 2").c_str()), 0);
    const CaptureResult heard = ListenTo(quiet, "anything");
    EXPECT_EQ(heard.status, CaptureStatus::NoPhrase);
    EXPECT_FALSE(heard.message.empty());
}

// Phrases cut from a recording: decoded whole, dictation only where the
// grammar does not fit.
TEST_F(RecognitionE2E, AWholePhraseWithDictationOnlyAsAFallback) {
    RecognizerOptions options;
    options.dictation = DictationUse::WhenGrammarFails;
    std::unique_ptr<Recognizer> recognizer;
    ASSERT_EQ(CreatePocketRecognizer(options, &recognizer).status, S_OK);
    std::vector<std::int16_t> audio;
    ASSERT_TRUE(ReadWaveAs22kMono(Espeak("the quick brown fox jumps over the lazy dog", 150), audio, nullptr));
    const std::vector<std::int16_t> phrase = Resample(audio, kInputSampleRate, kRecognizerSampleRate);
    const RecognitionResult fits = recognizer->Recognize(phrase, "The quick brown fox jumps over the lazy dog.");
    EXPECT_EQ(fits.source, RecognitionSource::Grammar);
    EXPECT_EQ(fits.Text(), "the quick brown fox jumps over the lazy dog");
    const RecognitionResult other = recognizer->Recognize(phrase, "go forward ten meters");
    EXPECT_EQ(other.source, RecognitionSource::Dictation);
    EXPECT_FALSE(other.words.empty());
}

TEST(RecognizerCheck, AMissingModelIsNotRegisteredAndAnInstalledOneIsKeptForUse) {
    const fs::path empty = fs::temp_directory_path() / ("lipsmith-nomodel-" + std::to_string(::getpid()));
    fs::create_directories(empty);
    RecognizerOptions missing;
    missing.modelDir = empty.string();
    std::unique_ptr<Recognizer> none;
    const RecognizerCreation made = CreatePocketRecognizer(missing, &none);
    EXPECT_EQ(made.status, REGDB_E_CLASSNOTREG);
    EXPECT_NE(made.message.find(empty.string()), std::string::npos);
    EXPECT_FALSE(none);
    RecognizerCache absent(missing);
    std::string why;
    EXPECT_EQ(absent.Check(&why), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(why.empty());
    fs::remove_all(empty);

    if (!fs::exists(DefaultModelDir())) GTEST_SKIP() << "the pocketsphinx model is not installed";
    RecognizerCache cache;
    ASSERT_EQ(cache.Check(), S_OK);
    // The checked decoder is the one the next user gets.
    std::unique_ptr<Recognizer> first;
    const RecognizerCreation taken = cache.Take(&first);
    ASSERT_EQ(taken.status, S_OK);
    EXPECT_EQ(taken.elapsed.count(), 0);
    Recognizer* kept = first.get();
    cache.Give(std::move(first));
    std::unique_ptr<Recognizer> again;
    cache.Take(&again);
    EXPECT_EQ(again.get(), kept);
}

}  // namespace
}  // namespace lipsmith::engines
