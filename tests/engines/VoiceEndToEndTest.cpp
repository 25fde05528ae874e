// The voice with real espeak-ng: event order, timing against the wave file,
// markup, purging, voices.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "EspeakPhones.h"

#include "Riff.h"
#include "VoiceHarness.h"

namespace lipsmith::testing {
namespace {

using namespace lipsmith::speech;

class VoiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LIPSMITH_NO_AUDIO", "1", 1);
        ASSERT_TRUE(h.Create());
        dir = std::filesystem::temp_directory_path() / ("lipsmith-voice-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string WaveTo(const std::string& name) {
        const std::string path = (dir / name).string();
        auto stream = CreateSpStream();
        EXPECT_EQ(stream->BindToFile(path, SPFM_CREATE_ALWAYS, Format22kHz16BitMono(), SPFEI_ALL_EVENTS), S_OK);
        EXPECT_EQ(h.voice->SetOutput(stream, true), S_OK);
        return path;
    }

    VoiceHarness h;
    std::filesystem::path dir;
};

TEST_F(VoiceEndToEnd, MarkupSpeaksInOrderAndTilesTheWaveFile) {
    const std::string path = WaveTo("order.wav");
    const std::string text =
        "<rate absspeed=\"2\">Hello there,</rate> <pitch absmiddle=\"5\">my friend.</pitch>"
        "<silence msec=\"300\"/> <spell>abc</spell> <voice required=\"Name=English (Great Britain)\">"
        "Good <bookmark mark=\"42 blink\"/>morning.</voice> Bye now!";
    ASSERT_TRUE(h.Say(text));
    ASSERT_EQ(h.voice->SetOutput(nullptr, true), S_OK);  // last reference to the stream goes

    ASSERT_FALSE(h.events.empty());
    EXPECT_EQ(h.events.front().eEventId, SPEI_START_INPUT_STREAM);
    EXPECT_EQ(h.events.back().eEventId, SPEI_END_INPUT_STREAM);

    // The bookmark comes after the phonemes of "Good" and before those of "morning".
    std::size_t mark = 0;
    for (std::size_t i = 0; i < h.events.size(); ++i)
        if (h.events[i].eEventId == SPEI_TTS_BOOKMARK) mark = i;
    ASSERT_GT(mark, 0u);
    EXPECT_EQ(*h.events[mark].text, L"42 blink");
    EXPECT_EQ(h.events[mark].wParam, 42u);
    EXPECT_EQ(h.events[mark].elParamType, SPET_LPARAM_IS_STRING);
    EXPECT_EQ(reinterpret_cast<const wchar_t*>(h.events[mark].lParam), h.events[mark].text->c_str());

    unsigned long total = 0;
    for (const auto& e : h.Of(SPEI_PHONEME)) {
        EXPECT_GE(Phone(e), 1u);
        EXPECT_LE(Phone(e), 49u);
        total += Duration(e);
    }
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(path, info));
    EXPECT_EQ(info.format.formatTag, 1);
    EXPECT_EQ(info.format.channels, 1);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.bitsPerSample, 16);
    const double waveMs = info.dataSize / 2 * 1000.0 / 22050.0;
    EXPECT_NEAR(total, waveMs, waveMs * 0.005);
    EXPECT_FALSE(h.Of(SPEI_WORD_BOUNDARY).empty());
    EXPECT_FALSE(h.Of(SPEI_SENTENCE_BOUNDARY).empty());
}


// Sum of phoneme durations and the wave file's length in ms.
std::pair<unsigned long, double> Timing(const VoiceHarness& h, const std::string& wave) {
    unsigned long total = 0;
    for (const auto& e : h.Of(SPEI_PHONEME)) total += Duration(e);
    WaveInfo info;
    if (!ReadWaveInfo(wave, info)) return {total, -1};
    return {total, info.dataSize / 2 * 1000.0 / 22050.0};
}

TEST_F(VoiceEndToEnd, DurationsTileTheAudioAtEveryRate) {
    for (const char* rate : {"-10", "0", "10"}) {
        h.events.clear();
        const std::string path = WaveTo(std::string("rate") + rate + ".wav");
        ASSERT_TRUE(h.Say(std::string("<rate absspeed=\"") + rate +
                          "\">The quick brown fox jumps over the lazy dog. <silence msec=\"700\"/>"
                          "Pack my box with five dozen liquor jugs!</rate>"));
        ASSERT_EQ(h.voice->SetOutput(nullptr, true), S_OK);
        const auto [phonemes, wave] = Timing(h, path);
        // Exact up to the rounding of the total to whole milliseconds.
        EXPECT_NEAR(static_cast<double>(phonemes), wave, 1.0) << "rate " << rate;
    }
}

TEST_F(VoiceEndToEnd, RateSilenceAndSpellChangeWhatIsSaid) {
    auto spokenMs = [&](const std::string& text) {
        h.events.clear();
        EXPECT_TRUE(h.Say(text));
        unsigned long ms = 0;
        for (const auto& e : h.Of(SPEI_PHONEME)) ms += Duration(e);
        return ms;
    };
    const std::string line = "Peter Piper picked a peck of pickled peppers.";
    const unsigned long normal = spokenMs(line);
    EXPECT_LT(spokenMs("<rate absspeed=\"6\">" + line + "</rate>"), normal * 3 / 4);
    EXPECT_GT(spokenMs("<rate absspeed=\"-6\"/>" + line), normal * 4 / 3);
    const unsigned long paused = spokenMs("Peter Piper <silence msec=\"1500\"/> picked a peck of pickled peppers.");
    EXPECT_GT(paused, normal + 1300);

    h.events.clear();
    ASSERT_TRUE(h.Say("<spell>BZ</spell>"));
    std::vector<unsigned> phones;
    for (const auto& e : h.Of(SPEI_PHONEME)) phones.push_back(Phone(e));
    // "bee zee": b, iy, z, iy.
    EXPECT_NE(std::find(phones.begin(), phones.end(), 17u), phones.end());
    EXPECT_NE(std::find(phones.begin(), phones.end(), 48u), phones.end());
}

TEST_F(VoiceEndToEnd, BoundariesPointIntoTheOriginalText) {
    const std::string text = "<rate absspeed=\"2\">Hello</rate> R&amp;D caf\xc3\xa9. <bookmark mark=\"x\"/>Good night!";
    ASSERT_TRUE(h.Say(text));
    std::vector<std::pair<long, long>> words;
    for (const auto& e : h.Of(SPEI_WORD_BOUNDARY)) words.emplace_back(e.lParam, static_cast<long>(e.wParam));
    ASSERT_EQ(words.size(), 7u);
    EXPECT_EQ(words[0], std::make_pair(19L, 5L));    // Hello
    EXPECT_EQ(words[1], std::make_pair(32L, 1L));    // R
    EXPECT_EQ(words[2], std::make_pair(33L, 5L));    // &amp; (said "and")
    EXPECT_EQ(words[3], std::make_pair(38L, 1L));    // D
    EXPECT_EQ(words[4], std::make_pair(40L, 4L));    // café, in characters
    EXPECT_EQ(words[5], std::make_pair(66L, 4L));    // Good, after ". <bookmark/>"
    EXPECT_EQ(words[6], std::make_pair(71L, 5L));    // night
    ASSERT_EQ(h.Of(SPEI_TTS_BOOKMARK).size(), 1u);
    const auto sentences = h.Of(SPEI_SENTENCE_BOUNDARY);
    ASSERT_EQ(sentences.size(), 2u);
    EXPECT_EQ(sentences[0].lParam, 19);
    EXPECT_EQ(sentences[0].wParam, 26u);             // "Hello</rate> R&amp;D café."
    EXPECT_EQ(sentences[1].lParam, 66);              // "Good night!"
    EXPECT_EQ(sentences[1].wParam, 11u);
}

TEST_F(VoiceEndToEnd, StressedVowelsAreMarked) {
    ASSERT_TRUE(h.Say("Remember the photograph of the mountain."));
    int stressed = 0;
    for (const auto& e : h.Of(SPEI_PHONEME)) {
        if (Features(e) & SPVFEATURE_STRESSED) {
            ++stressed;
            EXPECT_TRUE(engines::IsVowelPhone(static_cast<std::uint16_t>(Phone(e))));
        }
    }
    EXPECT_GE(stressed, 3);

    h.events.clear();
    ASSERT_TRUE(h.Say("plain <emph>loud</emph> plain"));
    std::vector<unsigned> emphasised;
    for (const auto& e : h.Of(SPEI_PHONEME))
        if (Features(e) & SPVFEATURE_EMPHASIS) emphasised.push_back(Phone(e));
    // "loud": l, aw, d.
    EXPECT_EQ(emphasised, (std::vector<unsigned>{31, 14, 19}));
}

TEST_F(VoiceEndToEnd, EveryPhonemeOfTheEnglishVoicesIsMappedAndNoneIsLost) {
    const std::string text =
        "The quick brown fox jumps over the lazy dog. She sells sea shells; a judge's measure of pleasure, "
        "the vision of a beige garage. Thirty-three thirsty thieves. Hour, our, hair, here, poor, pure, tour, "
        "fire, flower, player, lawyer. Bottle, button, little, metal, rhythm, curtain, mountain. Bath, dance, "
        "father, palm, car, door, four, law, lot, cloth, caught, boy, coin, buy, how, go. Cup, love, put, foot, "
        "boot, food, new, tune, butter, water, better, city, about, sofa. Nurse, bird, hurry, sorry, very, merry, "
        "marry, Mary, ring, singer, finger, long, thing. Loch, genre, deja vu, naive cafe, Zurich, fjord, tsunami. "
        "Which, what, where, year, union, onion, usual, casual, regime. It is 10:45 pm, call 555-0199 at 3rd May. "
        // Spelled letters, digits, numbers and abbreviations have phonemes of their own.
        "<spell>ABCDEFGHIJKLMNOPQRSTUVWXYZ</spell> <spell>abcdefghijklmnopqrstuvwxyz</spell> "
        "A. B. L. R. W. Y. Z. 0 1 2 3 4 5 6 7 8 9 11 12 13 20 40 99 100 1000 1234567 3.14 -7 1st 2nd 21st "
        "1/2 50% $12.50 10:30 1999 2021 Mr. Mrs. Dr. St. etc. e.g. i.e. vs. a.m. Jan. Feb. Sept. NASA BBC "
        "HTML www Bell. All. Fill. Cool. Car. Here. There.";
    const auto before = engines::UnmappedPhonemes();  // other tests feed the table made-up names
    for (const auto& voice : EnumerateVoices("")) {
        if (voice.language.rfind("en", 0) != 0) continue;
        ASSERT_EQ(h.voice->SetVoice(voice), S_OK);
        h.events.clear();
        const std::string path = WaveTo("broad.wav");
        ASSERT_TRUE(h.Say(text)) << voice.name;
        ASSERT_EQ(h.voice->SetOutput(nullptr, true), S_OK);
        EXPECT_GT(h.Of(SPEI_PHONEME).size(), 600u) << voice.name;
        // Phonemes the engine reports without a length of their own are
        // given time, not dropped, so the durations still tile the audio.
        const auto [phonemes, wave] = Timing(h, path);
        EXPECT_NEAR(static_cast<double>(phonemes), wave, 1.0) << voice.name;
    }
    std::vector<std::string> unmapped;
    for (const auto& name : engines::UnmappedPhonemes())
        if (std::find(before.begin(), before.end(), name) == before.end()) unmapped.push_back(name);
    EXPECT_TRUE(unmapped.empty()) << "first unmapped: " << (unmapped.empty() ? "" : unmapped.front());
}

TEST_F(VoiceEndToEnd, AFinalLAfterAVowelKeepsItsPhoneme) {
    auto phones = [&](const std::string& text) {
        h.events.clear();
        EXPECT_TRUE(h.Say(text));
        std::vector<unsigned> out;
        for (const auto& e : h.Of(SPEI_PHONEME)) {
            EXPECT_GT(Duration(e), 0u);
            if (Phone(e) != kSilencePhone) out.push_back(Phone(e));
        }
        return out;
    };
    EXPECT_EQ(phones("<spell>L</spell>"), (std::vector<unsigned>{21, 31}));  // eh, l
    EXPECT_EQ(phones("Bell."), (std::vector<unsigned>{17, 21, 31}));         // b, eh, l
}

TEST_F(VoiceEndToEnd, ASilenceLastsItsMillisecondsWhateverTheRate) {
    auto spokenMs = [&](const std::string& text) {
        h.events.clear();
        EXPECT_TRUE(h.Say(text));
        unsigned ms = 0;
        for (const auto& e : h.Of(SPEI_PHONEME)) ms += Duration(e);
        return ms;
    };
    for (const char* rate : {"10", "0", "-10"}) {
        const std::string open = std::string("<rate absspeed=\"") + rate + "\">";
        for (const std::string& text :
             {open + "Fast.</rate> @ Two.", open + "Fast @ two.</rate>", "Fast. @ " + open + "Two.</rate>"}) {
            std::string with = text, without = text;
            with.replace(with.find('@'), 1, "<silence msec=\"1500\"/>");
            without.replace(without.find('@'), 1, "");
            const int added = static_cast<int>(spokenMs(with)) - static_cast<int>(spokenMs(without));
            EXPECT_NEAR(added, 1500, 100) << with;
        }
    }
}

TEST_F(VoiceEndToEnd, LeadingSilencesAreSpokenAndReportedAsSilence) {
    const std::string path = WaveTo("lead.wav");
    ASSERT_TRUE(h.Say("<silence msec=\"3000\"/>High <bookmark mark=\"5\"/>pitch!"));
    ASSERT_EQ(h.voice->SetOutput(nullptr, true), S_OK);
    const auto phonemes = h.Of(SPEI_PHONEME);
    ASSERT_FALSE(phonemes.empty());
    EXPECT_EQ(Phone(phonemes.front()), kSilencePhone);
    EXPECT_GE(Duration(phonemes.front()), 3000u);
    const auto [spoken, wave] = Timing(h, path);
    EXPECT_GT(wave, 3500.0);
    EXPECT_NEAR(static_cast<double>(spoken), wave, 1.0);
    // Events after the silence sit where their audio is.
    const auto marks = h.Of(SPEI_TTS_BOOKMARK);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_GT(marks[0].ullAudioStreamOffset, 3000u * 44u);

    // Silences between bookmarks, and one at the very end, all take their time.
    h.events.clear();
    const std::string edges = WaveTo("edges.wav");
    ASSERT_TRUE(h.Say("<silence msec=\"400\"/><bookmark mark=\"1\"/><silence msec=\"600\"/>Hi."
                      "<silence msec=\"800\"/>"));
    ASSERT_EQ(h.voice->SetOutput(nullptr, true), S_OK);
    const auto mark = h.Of(SPEI_TTS_BOOKMARK);
    ASSERT_EQ(mark.size(), 1u);
    EXPECT_EQ(mark[0].ullAudioStreamOffset, 17640u);  // 400 ms of 22050 Hz 16-bit
    const auto [edgeSpoken, edgeWave] = Timing(h, edges);
    EXPECT_GT(edgeWave, 1800.0);
    EXPECT_NEAR(static_cast<double>(edgeSpoken), edgeWave, 1.0);
}

TEST_F(VoiceEndToEnd, VoiceTagChoosesAnInstalledVoiceByName) {
    ASSERT_TRUE(h.Say("<voice required=\"Name=english (great britain)\">Tomato</voice> and "
                      "<voice required=\"Name=No Such Voice\">potato</voice>"));
    const auto changes = h.Of(SPEI_VOICE_CHANGE);
    ASSERT_EQ(changes.size(), 2u);  // to the British voice and back; the unknown one keeps the voice
    EXPECT_EQ(*changes[0].text, L"English (Great Britain)");
    EXPECT_EQ(*changes[1].text, L"English (America)");
}

TEST_F(VoiceEndToEnd, PurgeStopsSpeechAndStillEndsTheStream) {
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "This sentence is spoken again and again to make a long stream. ";
    std::uint32_t first = 0, second = 0;
    ASSERT_EQ(h.voice->Speak(longText, SPF_ASYNC, &first), S_OK);
    ASSERT_EQ(h.voice->Speak(longText, SPF_ASYNC, &second), S_OK);
    EXPECT_EQ(second, first + 1);
    // Let the first stream get going, then purge.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (h.Of(SPEI_PHONEME).size() < 5 && std::chrono::steady_clock::now() < until) {
        MSG m;
        while (PeekMessage(&m, 0, PM_REMOVE)) DispatchMessage(&m);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(h.voice->Speak("", SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    ASSERT_TRUE(h.Pump(20000));
    // Each stream ends exactly once, in order; the purged one never started.
    const auto ends = h.Of(SPEI_END_INPUT_STREAM);
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0].ulStreamNum, first);
    EXPECT_EQ(ends[1].ulStreamNum, second);
    EXPECT_EQ(h.Of(SPEI_START_INPUT_STREAM).size(), 1u);
    EXPECT_LT(h.Of(SPEI_PHONEME).size(), 2000u);  // far from 80 sentences

    // The voice speaks normally afterwards.
    h.events.clear();
    ASSERT_TRUE(h.Say("Done."));
    EXPECT_EQ(h.events.front().eEventId, SPEI_START_INPUT_STREAM);
    EXPECT_EQ(h.events.back().eEventId, SPEI_END_INPUT_STREAM);
}

TEST_F(VoiceEndToEnd, DoneOnlyWhenEveryEventHasBeenFetched) {
    VoiceHarness quiet;
    ASSERT_EQ(CreateSpVoice(&quiet.voice), S_OK);
    quiet.voice->SetInterest(SPFEI(SPEI_END_INPUT_STREAM), SPFEI(SPEI_END_INPUT_STREAM));
    ASSERT_EQ(quiet.voice->Speak("Hello.", SPF_DEFAULT, nullptr), S_OK);  // synchronous
    EXPECT_EQ(quiet.voice->WaitUntilDone(0), S_FALSE);  // the end event waits to be fetched
    SPEVENT ev;
    std::uint32_t n = 0;
    EXPECT_EQ(quiet.voice->GetEvents(1, &ev, &n), S_OK);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(ev.eEventId, SPEI_END_INPUT_STREAM);
    EXPECT_EQ(quiet.voice->WaitUntilDone(0), S_OK);
    EXPECT_EQ(quiet.voice->GetEvents(1, &ev, &n), S_FALSE);
    EXPECT_EQ(n, 0u);
    // Nothing of interest: nothing is queued, done as soon as it is spoken.
    quiet.voice->SetInterest(0, 0);
    ASSERT_EQ(quiet.voice->Speak("Hello again.", SPF_ASYNC, nullptr), S_OK);
    EXPECT_EQ(quiet.voice->WaitUntilDone(20000), S_OK);
}

TEST_F(VoiceEndToEnd, NotificationsRunOnTheThreadThatAskedForThem) {
    std::unique_ptr<ISpVoice> voice;
    ASSERT_EQ(CreateSpVoice(&voice), S_OK);
    voice->SetInterest(SPFEI_ALL_TTS_EVENTS, SPFEI_ALL_TTS_EVENTS);
    std::atomic<bool> wrongThread{false};
    std::atomic<int> fetched{0};
    std::thread worker([&] {
        const auto self = std::this_thread::get_id();
        voice->SetNotifyCallbackFunction([&, self] {
            if (std::this_thread::get_id() != self) wrongThread = true;
            SPEVENT ev;
            std::uint32_t n = 0;
            while (voice->GetEvents(1, &ev, &n) == S_OK && n == 1) ++fetched;
        });
        voice->Speak("One two three.", SPF_ASYNC, nullptr);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (voice->WaitUntilDone(2) != S_OK && std::chrono::steady_clock::now() < until) {
            MSG m;
            if (PeekMessage(&m, 0, PM_REMOVE)) DispatchMessage(&m);
        }
        voice->SetNotifyCallbackFunction(nullptr);
    });
    worker.join();
    EXPECT_FALSE(wrongThread);
    EXPECT_GT(fetched, 10);
}

TEST_F(VoiceEndToEnd, InterestSelectsTheEventsQueued) {
    h.voice->SetInterest(SPFEI(SPEI_TTS_BOOKMARK), SPFEI(SPEI_TTS_BOOKMARK));
    ASSERT_TRUE(h.Say("One <bookmark mark=\"a\"/>two <bookmark mark=\"b\"/>three."));
    ASSERT_EQ(h.events.size(), 2u);
    EXPECT_EQ(*h.events[0].text, L"a");
    EXPECT_EQ(*h.events[1].text, L"b");
}

TEST_F(VoiceEndToEnd, BookmarksAtTheEdgesAreNotLost) {
    ASSERT_TRUE(h.Say("<bookmark mark=\"1 start\"/>Hi.<bookmark mark=\"2\"/><bookmark mark=\"3 end\"/>"));
    const auto marks = h.Of(SPEI_TTS_BOOKMARK);
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].wParam, 1u);
    EXPECT_EQ(marks[2].wParam, 3u);
    // A text of nothing but a bookmark still brings its bookmark and both ends.
    h.events.clear();
    ASSERT_TRUE(h.Say("<bookmark mark=\"only\"/>"));
    EXPECT_EQ(h.Of(SPEI_TTS_BOOKMARK).size(), 1u);
    EXPECT_EQ(h.Of(SPEI_END_INPUT_STREAM).size(), 1u);
}

TEST_F(VoiceEndToEnd, MalformedMarkupIsSpokenNotFailed) {
    ASSERT_TRUE(h.Say("<rate absspeed=\"3\">Hello <unknown attr=\"1\">world < and </nothing> more"));
    std::vector<long> positions;
    for (const auto& e : h.Of(SPEI_WORD_BOUNDARY)) positions.push_back(e.lParam);
    EXPECT_GE(positions.size(), 3u);
    EXPECT_EQ(h.events.back().eEventId, SPEI_END_INPUT_STREAM);
}

TEST_F(VoiceEndToEnd, OutputsAndVoices) {
    // The default output is the speakers; without a device it discards quietly.
    std::shared_ptr<AudioSink> out;
    ASSERT_EQ(h.voice->GetOutputStream(&out), S_OK);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Format().samplesPerSec, 22050u);
    ASSERT_TRUE(h.Say("Speakers."));
    EXPECT_EQ(h.voice->SetOutput(out, true), S_OK);

    // A stream in a format the engine cannot speak is refused.
    auto wrong = CreateSpStream();
    WaveFormat f = Format22kHz16BitMono();
    f.samplesPerSec = 44100;
    f.avgBytesPerSec = 88200;
    ASSERT_EQ(wrong->BindToFile((dir / "w.wav").string(), SPFM_CREATE_ALWAYS, f, 0), S_OK);
    EXPECT_EQ(h.voice->SetOutput(wrong, true), E_INVALIDARG);

    VoiceToken current;
    ASSERT_EQ(h.voice->GetVoice(&current), S_OK);
    EXPECT_EQ(current.name, "English (America)");
    EXPECT_EQ(current.language, "en-us");
    EXPECT_EQ(current.vendor, "eSpeak NG");
    EXPECT_EQ(current.gender, "Male");
    VoiceToken bogus;
    bogus.id = "no/such";
    EXPECT_EQ(h.voice->SetVoice(bogus), E_INVALIDARG);
    EXPECT_FALSE(EnumerateVoices("Language=en-gb").empty());
    EXPECT_TRUE(EnumerateVoices("Name=No Such Voice").empty());
}

TEST_F(VoiceEndToEnd, DestroyingAVoiceMidSpeechCompletesItsWaveFile) {
    const std::string path = WaveTo("cut.wav");
    std::string longText;
    for (int i = 0; i < 30; ++i) longText += "A long line that the voice will not finish. ";
    ASSERT_EQ(h.voice->Speak(longText, SPF_ASYNC, nullptr), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    h.voice.reset();
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(path, info));
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(std::filesystem::file_size(path), info.dataOffset + info.dataSize + (info.dataSize & 1));
}

}  // namespace
}  // namespace lipsmith::testing
