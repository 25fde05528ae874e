// Listening without the decoder: grammar words, sample-rate conversion, wave
// files standing in for the microphone, and the phrase capture's timing with
// scripted detector and recognizer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AudioInput.h"
#include "PhraseCapture.h"
#include "RecognitionFakes.h"
#include "Recognizer.h"
#include "Resampler.h"

namespace lipsmith::engines {
namespace {

namespace fs = std::filesystem;
using testing::AppendSilence;
using testing::AppendSpeech;
using testing::FakeAudioSource;
using testing::LoudnessDetector;
using testing::ScriptedRecognizer;

TEST(GrammarWordsTest, KeepsOnlyTheSpokenWordsOfAScript) {
    EXPECT_EQ(GrammarWords("<actor node=\"Head\">Hello, World! <eyes blink=\"2\"/>Don't \"stop\"</actor>"),
              (std::vector<std::string>{"hello", "world", "don't", "stop"}));
    EXPECT_EQ(GrammarWords("well-known 'quoted' words... 42"),
              (std::vector<std::string>{"well", "known", "quoted", "words", "42"}));
    EXPECT_TRUE(GrammarWords("  <silence msec=\"100\"/> ... -- ").empty());
    EXPECT_EQ(BuildJsgf({"go", "forward"}), "#JSGF V1.0;\ngrammar lipsmith;\npublic <MyState> = go forward;\n");
}

TEST(ResamplerTest, StreamedBlocksMatchOneGoAndKeepTheTimeline) {
    // A click at 0.5 s must come out at 0.5 s, however the input is cut.
    std::vector<std::int16_t> in(22050, 0);
    in[11025] = 20000;
    const std::vector<std::int16_t> whole = Resample(in, 22050, 16000);
    EXPECT_NEAR(static_cast<double>(whole.size()), 16000.0, 2.0);
    const auto peak = std::max_element(whole.begin(), whole.end()) - whole.begin();
    EXPECT_NEAR(static_cast<double>(peak), 8000.0, 1.0);

    Resampler streamed(22050, 16000);
    std::vector<std::int16_t> out;
    for (std::size_t at = 0; at < in.size(); at += 997)
        streamed.Process(std::span(in).subspan(at, std::min<std::size_t>(997, in.size() - at)), out);
    streamed.Flush(out);
    ASSERT_EQ(out.size(), whole.size());
    EXPECT_EQ(out, whole);
}

class WaveInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("lipsmith-wavein-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A wave file of `frames` frames; `sample(frame, channel)` gives each
    // sample as a value from -1 to 1.
    std::string Write(const std::string& name, std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint16_t bits, std::size_t frames, double (*sample)(std::size_t, unsigned)) {
        std::string data;
        for (std::size_t f = 0; f < frames; ++f) {
            for (unsigned c = 0; c < channels; ++c) {
                const double v = sample(f, c);
                if (tag == 3) {
                    const float x = static_cast<float>(v);
                    data.append(reinterpret_cast<const char*>(&x), 4);
                } else if (bits == 8) {
                    data += static_cast<char>(static_cast<int>(std::lround(v * 127)) + 128);
                } else {
                    const std::int64_t x = std::llround(v * (std::pow(2.0, bits - 1) - 1));
                    for (int b = 0; b < bits / 8; ++b) data += static_cast<char>((x >> (8 * b)) & 0xFF);
                }
            }
        }
        auto le = [](std::uint32_t v, int n) {
            std::string s;
            for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
            return s;
        };
        const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
        std::string fmt = le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2) + le(bits, 2);
        const std::string file = "RIFF" + le(static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + data.size()), 4) +
                                 "WAVEfmt " + le(static_cast<std::uint32_t>(fmt.size()), 4) + fmt + "data" +
                                 le(static_cast<std::uint32_t>(data.size()), 4) + data;
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << file;
        return path;
    }

    fs::path dir;
};

double Tone(std::size_t f, unsigned) { return 0.5 * std::sin(static_cast<double>(f) * 0.05); }
double Opposed(std::size_t f, unsigned c) { return c == 0 ? Tone(f, 0) : -Tone(f, 0); }

TEST_F(WaveInputTest, AnyRateChannelsAndSampleFormatBecome22kHzMono) {
    struct Case {
        const char* name;
        std::uint16_t tag, channels;
        std::uint32_t rate;
        std::uint16_t bits;
    };
    for (const Case& c : {Case{"pcm8.wav", 1, 1, 8000, 8}, Case{"stereo16.wav", 1, 2, 44100, 16},
                          Case{"pcm24.wav", 1, 1, 48000, 24}, Case{"pcm32.wav", 1, 1, 22050, 32},
                          Case{"float.wav", 3, 2, 16000, 32}}) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.tag, c.channels, c.rate, c.bits, c.rate, Tone);  // one second
        std::vector<std::int16_t> samples;
        std::string message;
        ASSERT_TRUE(ReadWaveAs22kMono(path, samples, &message)) << message;
        EXPECT_NEAR(static_cast<double>(samples.size()), 22050.0, 3.0);
        // Away from the ends, where the cut-off tone rings in the filter.
        const std::int16_t loudest = *std::max_element(samples.begin() + 2205, samples.end() - 2205);
        EXPECT_NEAR(loudest, 16384, c.bits == 8 ? 400 : 200);
    }
    // Channels are mixed: opposite channels cancel out.
    const std::string opposed = Write("opposed.wav", 1, 2, 22050, 16, 22050, Opposed);
    std::vector<std::int16_t> samples;
    ASSERT_TRUE(ReadWaveAs22kMono(opposed, samples, nullptr));
    EXPECT_LE(*std::max_element(samples.begin(), samples.end()), 1);
}

TEST_F(WaveInputTest, UnreadableFilesCannotStartWithAClearMessage) {
    const std::string text = (dir / "text.wav").string();
    std::ofstream(text) << "not a wave file at all";
    const std::string mp3 = Write("mp3.wav", 0x55, 1, 22050, 16, 100, Tone);
    const std::string zeroRate = Write("zero.wav", 1, 1, 0, 16, 100, Tone);
    for (const std::string& path : {text, mp3, zeroRate, (dir / "missing.wav").string()}) {
        SCOPED_TRACE(path);
        auto source = CreateWaveFileSource(path, false);
        const AudioStart start = source->Start();
        EXPECT_TRUE(FAILED(start.status));
        EXPECT_NE(start.message.find(path), std::string::npos) << start.message;
        std::int16_t buffer[16];
        EXPECT_EQ(source->Read(buffer), 0u);
    }
}

TEST_F(WaveInputTest, TheEnvironmentChoosesTheFileAndItsPace) {
    const std::string path = Write("one.wav", 1, 1, 22050, 16, 22050 * 30, Tone);
    ::setenv("LIPSMITH_MIC_WAVE", path.c_str(), 1);
    ::unsetenv("LIPSMITH_MIC_FAST");
    auto realTime = CreateDefaultAudioSource();
    ::unsetenv("LIPSMITH_MIC_WAVE");
    ASSERT_EQ(realTime->Start().status, S_OK);
    // Played in real time: a Stop from another thread ends the wait for the
    // next block long before the 30 seconds are through.
    std::size_t read = 0;
    std::thread reader([&] {
        std::vector<std::int16_t> block(2205);
        while (const std::size_t n = realTime->Read(block)) read += n;
    });
    realTime->Stop();
    reader.join();
    EXPECT_LT(read, 22050u * 30);
}

TEST(MicrophoneTest, WithoutADeviceListeningCannotStartAndSaysSo) {
    ::setenv("LIPSMITH_NO_AUDIO", "1", 1);
    ::unsetenv("LIPSMITH_MIC_WAVE");
    auto mic = CreateDefaultAudioSource();
    const AudioStart start = mic->Start();
    EXPECT_TRUE(FAILED(start.status));
    EXPECT_NE(start.message.find("Cannot start listening"), std::string::npos);
    EXPECT_NE(start.message.find("LIPSMITH_MIC_WAVE"), std::string::npos);
    std::int16_t buffer[16];
    EXPECT_EQ(mic->Read(buffer), 0u);
}

TEST(RetainPhraseTest, KeepsTheWordsSpanAndTheirByteOffsets) {
    std::vector<std::int16_t> phrase(22050);
    for (std::size_t i = 0; i < phrase.size(); ++i) phrase[i] = static_cast<std::int16_t>(i);
    RecognitionResult r = testing::Words({{"one", 11, 30}, {"two", 35, 60}});
    const CapturedPhrase p = RetainPhrase(phrase, r);
    // Frame 11 is byte 4851, sample 2425.5: the audio starts at sample 2425.
    EXPECT_EQ(p.retainedStartSample, 2425u);
    ASSERT_FALSE(p.audio.empty());
    EXPECT_EQ(p.audio.front(), 2425);
    // It ends with the last word's last frame: frame 61 is sample 13450.5.
    EXPECT_EQ(p.retainedStartSample + p.audio.size(), 13451u);
    ASSERT_EQ(p.words.size(), 2u);
    EXPECT_EQ(p.words[0].retainedOffset, 0u);
    EXPECT_EQ(p.words[1].retainedOffset, 24u * 441u);
    EXPECT_EQ(p.Text(), "one two");
    // Frames beyond the audio never reach past it.
    const CapturedPhrase late = RetainPhrase(phrase, testing::Words({{"far", 90, 400}}));
    EXPECT_EQ(late.retainedStartSample + late.audio.size(), phrase.size());
}

class PhraseCaptureTest : public ::testing::Test {
protected:
    LoudnessDetector detector;
    ScriptedRecognizer recognizer;
};

TEST_F(PhraseCaptureTest, ThePhraseStartsAPrerollBeforeTheSpeechOnTheDecodersClock) {
    std::vector<std::int16_t> audio;
    AppendSilence(audio, 2.0);
    AppendSpeech(audio, 1.0);
    AppendSilence(audio, 1.0);
    FakeAudioSource source(audio);
    recognizer.answers.push_back(testing::Words({{"hello", 40, 120}}));
    PhraseCapture capture(source, detector, recognizer);
    const CaptureResult r = capture.Listen("hello");
    ASSERT_EQ(r.status, CaptureStatus::Phrase);
    // Started on a 441-sample boundary at least half a second before the speech.
    EXPECT_EQ(r.phrase.phraseStartSample % 441, 0u);
    EXPECT_LE(r.phrase.phraseStartSample, 2 * 22050u - 11025u);
    EXPECT_GE(r.phrase.phraseStartSample, 2 * 22050u - 11025u - 2 * 1024u);
    // The decoder got the phrase at 16 kHz: from its start to the end of
    // the speech and the block that was heard as silence.
    ASSERT_EQ(recognizer.phraseSamples.size(), 1u);
    const double seconds = static_cast<double>(recognizer.phraseSamples[0]) / 16000.0;
    EXPECT_GT(seconds, (3.0 * 22050 - static_cast<double>(r.phrase.phraseStartSample)) / 22050.0);
    EXPECT_LT(seconds, (3.0 * 22050 - static_cast<double>(r.phrase.phraseStartSample) + 3200) / 22050.0);
    EXPECT_EQ(recognizer.grammars, std::vector<std::string>{"hello"});
    // The retained audio starts with the word's first frame.
    EXPECT_EQ(r.phrase.retainedStartSample, r.phrase.phraseStartSample + 40 * 441 / 2);
}

TEST_F(PhraseCaptureTest, NoiseWithoutWordsIsSkippedAndOnlyTheFirstPhraseIsTaken) {
    std::vector<std::int16_t> audio;
    for (int i = 0; i < 3; ++i) {
        AppendSilence(audio, 1.0);
        AppendSpeech(audio, 0.5);
    }
    AppendSilence(audio, 1.0);
    FakeAudioSource source(audio);
    recognizer.answers.push_back({});  // a cough
    recognizer.answers.push_back(testing::Words({{"second", 10, 50}}));
    recognizer.answers.push_back(testing::Words({{"third", 10, 50}}));
    PhraseCapture capture(source, detector, recognizer);
    const CaptureResult r = capture.Listen("");
    ASSERT_EQ(r.status, CaptureStatus::Phrase);
    EXPECT_EQ(r.phrase.Text(), "second");
    EXPECT_EQ(recognizer.phraseSamples.size(), 2u);
    EXPECT_GE(r.phrase.phraseStartSample, static_cast<std::uint64_t>(2.0 * 22050 - 1024));
}

TEST_F(PhraseCaptureTest, SpeechRunningToTheEndOfTheInputIsAPhrase) {
    std::vector<std::int16_t> audio;
    AppendSilence(audio, 1.0);
    AppendSpeech(audio, 1.0);
    FakeAudioSource source(audio);
    recognizer.answers.push_back(testing::Words({{"cut", 0, 80}}));
    PhraseCapture capture(source, detector, recognizer);
    EXPECT_EQ(capture.Listen("").status, CaptureStatus::Phrase);
    // Without speech the end of the input ends listening.
    std::vector<std::int16_t> quiet;
    AppendSilence(quiet, 1.0);
    FakeAudioSource silent(quiet);
    PhraseCapture nothing(silent, detector, recognizer);
    const CaptureResult r = nothing.Listen("");
    EXPECT_EQ(r.status, CaptureStatus::NoPhrase);
    EXPECT_FALSE(r.message.empty());
}

TEST_F(PhraseCaptureTest, StopFromAnotherThreadEndsAWaitingListen) {
    std::vector<std::int16_t> audio;
    AppendSilence(audio, 0.5);
    FakeAudioSource source(audio);
    source.waitAtEnd = true;
    PhraseCapture capture(source, detector, recognizer);
    std::thread stopper([&] {
        source.WaitUntilWaiting();
        capture.Stop();
    });
    const CaptureResult r = capture.Listen("");
    stopper.join();
    EXPECT_EQ(r.status, CaptureStatus::Stopped);
    EXPECT_TRUE(recognizer.phraseSamples.empty());
}

TEST_F(PhraseCaptureTest, ASourceThatCannotStartEndsAtOnce) {
    FakeAudioSource source;
    source.start = AudioStart{E_FAIL, "Cannot start listening: no device."};
    PhraseCapture capture(source, detector, recognizer);
    const CaptureResult r = capture.Listen("");
    EXPECT_EQ(r.status, CaptureStatus::CannotStart);
    EXPECT_EQ(r.message, "Cannot start listening: no device.");
}

TEST_F(PhraseCaptureTest, APhraseThatNeverPausesIsCutAtTheLimit) {
    std::vector<std::int16_t> audio;
    AppendSpeech(audio, 5.0);
    FakeAudioSource source(audio);
    source.waitAtEnd = true;  // would wait for ever if the phrase did not end
    recognizer.answers.push_back(testing::Words({{"long", 0, 100}}));
    CaptureOptions options;
    options.maxPhrase = std::chrono::seconds(2);
    PhraseCapture capture(source, detector, recognizer, options);
    const CaptureResult r = capture.Listen("");
    ASSERT_EQ(r.status, CaptureStatus::Phrase);
    EXPECT_NEAR(static_cast<double>(recognizer.phraseSamples[0]) / 16000.0, 2.0, 0.1);
}

}  // namespace
}  // namespace lipsmith::engines
