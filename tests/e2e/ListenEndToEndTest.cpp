// `lipsmith listen` through the real parts: a wave file stands in for the
// microphone (LIPSMITH_MIC_WAVE, read as fast as it goes), the real
// Lipsmith_TTS recognises it with pocketsphinx, records it and has the
// espeak-ng voice re-speak the words, timed to the recording; the keys land
// on the demo rig's Head. Phrases spoken by espeak-ng at rates other than
// the voice's own are checked word by word against espeak-ng's own timing
// of the recording; a human recording from Debian's pocketsphinx test data
// must come out right too.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "AudioInput.h"
#include "E2ESupport.h"
#include "ITTS.h"
#include "NoteTrack.h"
#include "PhraseRescaler.h"
#include "Plugins.h"
#include "Recognizer.h"
#include "SceneFile.h"
#include "SceneJson.h"
#include "SpeechApi.h"
#include "SpeechController.h"

namespace lipsmith::e2e {
namespace {

using namespace lipsmith::speech;

constexpr const char* kHumanDir = "/usr/share/pocketsphinx/test/data/librivox";
constexpr TimeValue kInFrameTick = 15 * 160;  // --in-frame 15 at 30 frames per second

// Where the phrase file's samples lie in the recording; -1 when they do not.
long OffsetIn(const std::vector<std::int16_t>& recording, const std::vector<std::int16_t>& phrase) {
    if (phrase.empty() || phrase.size() > recording.size()) return -1;
    const auto at = std::search(recording.begin(), recording.end(), phrase.begin(), phrase.end());
    return at == recording.end() ? -1 : static_cast<long>(at - recording.begin());
}

// The word each phoneme the server sends belongs to, for the words of
// `text`: the voice says them as the server's voice does, and the rescaler
// groups its phonemes word by word as the server's does.
std::vector<std::uint32_t> WordOfEachPhoneme(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    std::unique_ptr<ISpVoice> voice;
    EXPECT_EQ(CreateSpVoice(&voice), S_OK);
    if (!voice) return {};
    tts::PhraseTiming timing;
    for (std::size_t i = 0; i < words.size(); ++i) timing.wordOffsets.push_back(static_cast<std::uint32_t>(i * 44100));
    timing.retainedBytes = static_cast<std::uint32_t>(words.size() * 44100);
    timing.wordPositions = tts::WordPositionsOf(words);
    std::vector<std::uint32_t> out;
    tts::PhraseRescaler* self = nullptr;
    tts::PhraseRescaler rescaler(timing, [&](WPARAM, LPARAM) { out.push_back(self->WordIndex()); });
    self = &rescaler;
    class Discard : public AudioSink {
    public:
        WaveFormat Format() const override { return Format22kHz16BitMono(); }
        HRESULT Write(const void*, std::size_t) override { return S_OK; }
    };
    voice->SetOutput(std::make_shared<Discard>(), true);
    voice->SetInterest(SPFEI_ALL_TTS_EVENTS, SPFEI_ALL_TTS_EVENTS);
    voice->Speak(text, SPF_ASYNC, nullptr);
    bool ended = false;
    while (!ended) {
        const bool done = voice->WaitUntilDone(5) == S_OK;
        SPEVENT event;
        std::uint32_t fetched = 0;
        while (SUCCEEDED(voice->GetEvents(1, &event, &fetched)) && fetched == 1) {
            rescaler.OnVoiceEvent(event);
            if (event.eEventId == SPEI_END_INPUT_STREAM) ended = true;
            event = SPEVENT{};
            fetched = 0;
        }
        if (done) break;
    }
    return out;
}

// Where espeak-ng's synthesis of the words starts each word (seconds), or
// NaN for a word it says together with the one before.
std::vector<double> EspeakWordStarts(int rate, const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    const ProgramRun r = RunProgram({ESPEAK_WORD_STARTS_PROGRAM, std::to_string(rate), text});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::uint32_t> positions = tts::WordPositionsOf(words);
    std::vector<double> out(words.size(), NAN);
    std::istringstream in(r.out);
    std::uint32_t at = 0;
    for (double s; in >> at >> s;) {
        const auto word = std::find(positions.begin(), positions.end(), at);
        EXPECT_NE(word, positions.end()) << "a word event at " << at;
        if (word != positions.end()) out[static_cast<std::size_t>(word - positions.begin())] = s;
    }
    return out;
}

// Note times of the saved scene's Head "Mouth Open" controller: one per phoneme.
std::vector<TimeValue> PhonemeTimes(const std::string& scene) {
    std::string error;
    EXPECT_TRUE(LoadScene(*GetCOREInterface(), scene, &error)) << error;
    std::vector<TimeValue> times;
    INode* head = GetCOREInterface()->GetINodeByName("Head");
    if (!head) return times;
    ForEachSpeechController(head, [&](const std::string& track, SpeechController* c) {
        if (track != "Mouth Open") return;
        auto* nt = static_cast<DefNoteTrack*>(c->GetNoteTrack());
        for (int i = 0; nt && i < nt->keys.Count(); ++i) times.push_back(nt->keys[i]->time);
    });
    std::sort(times.begin(), times.end());
    return times;
}

class ListenCommand : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        std::unique_ptr<engines::Recognizer> probe;
        if (!std::filesystem::exists(engines::DefaultModelDir())) GTEST_SKIP() << "no pocketsphinx model";
        std::string error;
        ASSERT_TRUE(LoadControllerPlugins(&error)) << error;
    }
    void TearDown() override {
        ::unsetenv("LIPSMITH_MIC_WAVE");
        ::unsetenv("LIPSMITH_MIC_FAST");
        EndToEnd::TearDown();
    }
    // Listens to `wave` with `text` as the expected words; the server starts
    // anew, so it takes the file as its microphone.
    ProgramRun Listen(const std::string& wave, const std::string& text, const std::string& tag) {
        StopSpeechServer();
        ::setenv("LIPSMITH_MIC_WAVE", wave.c_str(), 1);
        ::setenv("LIPSMITH_MIC_FAST", "1", 1);
        return Lipsmith({"listen", "--actor", "Head", "--text", text, "--in-frame", "15", "--wave",
                         Path(tag + ".wav"), "--save", Path(tag + ".lsc")});
    }
    std::string ServerLog() { return ReadFile(RuntimeDir() + "/lipsmith-tts.log"); }
};

TEST_F(ListenCommand, EspeakPhrasesAtOtherRatesComeOutExactlyAndTheKeysFollowTheRecording) {
    // "of the" is one word to the voice.
    const std::string text = "the quick brown fox jumps over the lazy dog by the side of the road";
    const std::vector<std::string> words = engines::GrammarWords(text);
    const std::vector<std::uint32_t> wordOf = WordOfEachPhoneme(words);
    ASSERT_FALSE(wordOf.empty());
    for (int rate : {120, 220}) {
        SCOPED_TRACE("espeak-ng -s " + std::to_string(rate));
        const std::string tag = "spoken" + std::to_string(rate);
        const std::string wave = Path(tag + "-mic.wav");
        ASSERT_EQ(std::system(("espeak-ng -v en -s " + std::to_string(rate) + " -w '" + wave + "' '" + text + "'").c_str()), 0);
        const ProgramRun run = Listen(wave, text, tag);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(run.out.rfind("---[ Listener started at ", 0), 0u) << run.out;
        EXPECT_NE(run.out.find(": 0 Errors, 0 warnings ]---\n"), std::string::npos) << run.out;
        EXPECT_NE(ServerLog().find("recognition: phrase: \"" + text + "\""), std::string::npos) << ServerLog();

        // The wave output holds the phrase: the recording from its first word on.
        std::vector<std::int16_t> recording, phrase;
        ASSERT_TRUE(engines::ReadWaveAs22kMono(wave, recording, nullptr));
        ASSERT_TRUE(engines::ReadWaveAs22kMono(Path(tag + ".wav"), phrase, nullptr));
        const long offset = OffsetIn(recording, phrase);
        ASSERT_GE(offset, 0);
        EXPECT_GT(phrase.size(), recording.size() / 2);

        // The voice's phonemes for exactly these words, each word's first one
        // where the word starts in the recording.
        const std::vector<TimeValue> times = PhonemeTimes(Path(tag + ".lsc"));
        ASSERT_EQ(times.size(), wordOf.size());
        const std::vector<double> starts = EspeakWordStarts(rate, words);
        double worst = 0;
        std::size_t checked = 0;
        for (std::size_t w = 0; w < words.size(); ++w) {
            // A word the voice says together with the one before has no first phoneme of its own.
            const auto first = std::find(wordOf.begin(), wordOf.end(), w);
            if (first == wordOf.end() || std::isnan(starts[w])) continue;
            ++checked;
            const TimeValue t = times[static_cast<std::size_t>(first - wordOf.begin())];
            const double inRecording = (t - kInFrameTick) / 4800.0 + offset / 22050.0;
            EXPECT_NEAR(inRecording, starts[w], 0.040) << words[w] << " (word " << w << ")";
            worst = std::max(worst, std::abs(inRecording - starts[w]));
        }
        EXPECT_GE(checked, words.size() - 2);
        std::printf("espeak-ng -s %d: the words' first keys lie within %.1f ms of the words in the recording\n", rate,
                    worst * 1000);
    }
}

TEST_F(ListenCommand, ARealHumanVoiceComesOutRightWithItsKeysInsideTheSpokenSpan) {
    const std::string wave = std::string(kHumanDir) + "/sense_and_sensibility_01_austen_64kb-0880.wav";
    if (!std::filesystem::exists(wave)) GTEST_SKIP() << wave << " is missing (Debian package pocketsphinx-testdata)";
    const std::string text = "he was not an ill disposed young man";
    const ProgramRun run = Listen(wave, text, "human");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(ServerLog().find("recognition: phrase: \"" + text + "\""), std::string::npos) << ServerLog();

    std::vector<std::int16_t> recording, phrase;
    ASSERT_TRUE(engines::ReadWaveAs22kMono(wave, recording, nullptr));
    ASSERT_TRUE(engines::ReadWaveAs22kMono(Path("human.wav"), phrase, nullptr));
    EXPECT_GE(OffsetIn(recording, phrase), 0);
    const std::vector<TimeValue> times = PhonemeTimes(Path("human.lsc"));
    EXPECT_EQ(times.size(), WordOfEachPhoneme(engines::GrammarWords(text)).size());
    ASSERT_FALSE(times.empty());
    const double spoken = phrase.size() / 22050.0;
    EXPECT_EQ(times.front(), kInFrameTick);
    for (TimeValue t : times) {
        EXPECT_GE(t, kInFrameTick);
        EXPECT_LE((t - kInFrameTick) / 4800.0, spoken + 0.02);
    }
}

TEST_F(ListenCommand, AnInputWithoutSpeechEndsWithAnErrorAndWritesNothing) {
    const std::string wave = Path("silence.wav");
    ASSERT_EQ(std::system(("sox -n -r 22050 -b 16 -c 1 '" + wave + "' trim 0 1.5 2>/dev/null").c_str()), 0);
    const ProgramRun run = Listen(wave, "hello", "silent");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("No phrase was recognised"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(Path("silent.wav")));
    EXPECT_FALSE(std::filesystem::exists(Path("silent.lsc")));
}

TEST_F(ListenCommand, NoMicrophoneIsAClearMessageNotAHang) {
    const std::string missing = Path("no-such-microphone.wav");
    const ProgramRun run = Listen(missing, "hello", "nomic");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.err.find("Lipsmith: Failed to start the Speech Recognition Engine"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Listener was interrupted."), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(Path("nomic.wav")));

    // The editor asks the server before it switches to phrase mode: with the
    // model installed the answer is yes, whatever the microphone.
    std::unique_ptr<ITTS> tts;
    ASSERT_EQ(CreateCTTS(&tts), S_OK);
    EXPECT_EQ(tts->CheckEngine(), S_OK);
}

}  // namespace
}  // namespace lipsmith::e2e
