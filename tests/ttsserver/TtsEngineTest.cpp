// The engine's ITTS semantics, driven in-process with the scripted voice.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "ScriptedVoice.h"
#include "TtsEngine.h"

namespace lipsmith::tts {
namespace {

using namespace std::chrono_literals;
using testing::ProbedStreamFactory;
using testing::ScriptedVoiceFactory;
using testing::StreamProbe;
using testing::VoiceProbe;

struct Message {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::optional<std::wstring> text;
};

class EngineTest : public ::testing::Test {
protected:
    void Start() {
        TtsEngineDeps deps;
        deps.createVoice = ScriptedVoiceFactory(voice);
        deps.createStream = ProbedStreamFactory(streams);
        deps.showError = [this](const std::string& text, const std::string& caption) {
            std::lock_guard lock(mutex);
            errors.emplace_back(text, caption);
        };
        if (startWith) startWith(deps);
        deps.notify = [this](HWND h, UINT m, WPARAM w, LPARAM l, const std::wstring* text) {
            Message msg{h, m, w, l, text ? std::optional<std::wstring>(*text) : std::nullopt};
            if (onMessage) onMessage(msg);
            std::lock_guard lock(mutex);
            messages.push_back(msg);
        };
        engine = std::make_unique<TtsEngine>(std::move(deps));
        engine->Start();
    }

    // Polls IsDone as a client's wait loop does.
    HRESULT WaitDone(std::chrono::milliseconds limit = 5s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        HRESULT hr;
        while ((hr = engine->IsDone()) == S_FALSE && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(1ms);
        }
        return hr;
    }

    std::vector<UINT> Ids() {
        std::lock_guard lock(mutex);
        std::vector<UINT> ids;
        for (const Message& m : messages) ids.push_back(m.message);
        return ids;
    }
    std::size_t Count(UINT id) {
        auto ids = Ids();
        return static_cast<std::size_t>(std::count(ids.begin(), ids.end(), id));
    }

    std::shared_ptr<VoiceProbe> voice = std::make_shared<VoiceProbe>();
    std::shared_ptr<StreamProbe> streams = std::make_shared<StreamProbe>();
    std::function<void(const Message&)> onMessage;
    std::mutex mutex;
    std::vector<Message> messages;
    std::vector<std::pair<std::string, std::string>> errors;
    std::function<void(TtsEngineDeps&)> startWith;
    std::unique_ptr<TtsEngine> engine;
};

TEST_F(EngineTest, BusyFromStartUntilTheFirstSpeechEnds) {
    Start();
    EXPECT_EQ(engine->IsDone(), S_FALSE);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(engine->IsDone(), S_FALSE);  // no speech has ended yet
    ASSERT_EQ(engine->Speak("ab", 0), S_OK);
    EXPECT_EQ(engine->IsDone(), S_FALSE);
    EXPECT_EQ(WaitDone(), S_OK);
}

TEST_F(EngineTest, ForwardsEveryEventInOrderToTheLow32BitsOfTheWindow) {
    voice->phonemeMs = 80;
    Start();
    EXPECT_EQ(engine->SetNotifyHWND(0x7'0000'1234LL), S_OK);
    EXPECT_EQ(engine->NotifyWindow(), 0x1234u);
    ASSERT_EQ(engine->Speak("hi #42 yo.", 2), S_OK);
    ASSERT_EQ(WaitDone(), S_OK);

    const std::vector<UINT> expected = {0x8001, 0x8007, 0x8005, 0x8006, 0x8006, 0x8004,
                                        0x8005, 0x8006, 0x8006, 0x8002};
    EXPECT_EQ(Ids(), expected);
    std::lock_guard lock(mutex);
    for (const Message& m : messages) EXPECT_EQ(m.hwnd, 0x1234u);
    EXPECT_EQ(messages[3].wParam >> 16, 80u);           // duration in the high word
    EXPECT_EQ(messages[2].lParam, 0);                   // word position
    EXPECT_EQ(messages[6].lParam, 7);
    EXPECT_EQ(messages[5].wParam, 42u);                 // bookmark number
    EXPECT_EQ(messages[5].text, std::wstring(L"42"));   // and its text
    EXPECT_FALSE(messages[3].text.has_value());
    // Flags go to the voice with SPF_ASYNC added.
    std::lock_guard voiceLock(voice->mutex);
    EXPECT_EQ(voice->flags, std::vector<std::uint32_t>{3});
    EXPECT_EQ(voice->interest, speech::SPFEI_ALL_TTS_EVENTS);
}

TEST_F(EngineTest, BusyIsClearedBeforeTheEndOfStreamMessage) {
    Start();
    engine->SetNotifyHWND(5);
    std::optional<HRESULT> duringEnd;
    onMessage = [&](const Message& m) {
        if (m.message == WM_APP + speech::SPEI_END_INPUT_STREAM) duringEnd = engine->IsDone();
    };
    engine->Speak("a", 0);
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_EQ(duringEnd, S_OK);
}

TEST_F(EngineTest, NoNotifyWindowSendsNothing) {
    Start();
    engine->Speak("abc #1 d.", 0);
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_TRUE(Ids().empty());
}

TEST_F(EngineTest, StopWhileIdlePurgesAndLeavesBusyAlone) {
    Start();
    engine->Stop();
    for (int i = 0; i < 500 && voice->purges == 0; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(voice->purges, 1);
    EXPECT_EQ(engine->IsDone(), S_FALSE);

    engine->Speak("ab", 0);  // clears the stop request again
    EXPECT_EQ(WaitDone(), S_OK);
    engine->Stop();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(engine->IsDone(), S_OK);
}

TEST_F(EngineTest, StopDuringSpeechEndsTheStreamEarly) {
    voice->stepDelay = 3ms;
    Start();
    engine->SetNotifyHWND(9);
    const std::string text(60, 'x');  // one long word: 60 phonemes, about 200 ms
    engine->Speak(text, 0);
    while (Count(0x8006) < 3) std::this_thread::sleep_for(1ms);
    engine->Stop();
    EXPECT_EQ(WaitDone(2s), S_OK);
    EXPECT_LT(Count(0x8006), 60u);
    EXPECT_EQ(Ids().back(), 0x8002u);
}

TEST_F(EngineTest, SpeaksMadeWhileBusyCollapseIntoTheLastOne) {
    voice->stepDelay = 2ms;
    Start();
    engine->SetNotifyHWND(9);
    engine->Speak(std::string(40, 'a'), 0);
    while (Count(0x8006) < 2) std::this_thread::sleep_for(1ms);
    engine->Speak("second", 0);
    engine->Speak("third", 0);
    // The end of the first speech must not report the later request done.
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_EQ(voice->Spoken(), (std::vector<std::string>{std::string(40, 'a'), "third"}));
    EXPECT_EQ(Count(0x8002), 2u);
}

TEST_F(EngineTest, WaveModeWithAMissingFolderKeepsThePreviousOutput) {
    Start();
    EXPECT_EQ(engine->SetToWaveMode("/no/such/folder/out.wav"), S_OK);
    EXPECT_TRUE(streams->boundPaths.empty());
    EXPECT_EQ(voice->setOutputCalls, 0);
    engine->Speak("ab", 0);
    EXPECT_EQ(WaitDone(), S_OK);
    EXPECT_EQ(streams->bytesWritten, 0u);
}

TEST_F(EngineTest, WaveModeWritesTheFileUntilVoiceModeReleasesIt) {
    Start();
    const std::string path = ::testing::TempDir() + "engine_wave.wav";
    ASSERT_EQ(engine->SetToWaveMode(path), S_OK);
    EXPECT_EQ(streams->boundPaths, std::vector<std::string>{path});
    EXPECT_NE(voice->output, voice->defaultSink);
    engine->Speak("abcd", 0);  // four phonemes of 50 ms
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_EQ(streams->bytesWritten, 4u * 1102 * 2);

    // The server lets go of its reference; the voice still holds the file.
    engine->ReleaseWaveStream();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(streams->released, 0);
    ASSERT_EQ(engine->SetToVoiceMode(), S_OK);
    EXPECT_EQ(voice->output, voice->defaultSink);
    EXPECT_EQ(streams->released, 1);
}

TEST_F(EngineTest, VoiceModeThatCannotSwitchKeepsTheWaveStream) {
    voice->failSetOutputToDefault = true;
    Start();
    ASSERT_EQ(engine->SetToWaveMode(::testing::TempDir() + "keep.wav"), S_OK);
    EXPECT_EQ(engine->SetToVoiceMode(), S_OK);
    EXPECT_EQ(streams->released, 0);
    EXPECT_NE(voice->output, voice->defaultSink);
}

TEST_F(EngineTest, PathsOfMoreThan255CharactersAreRefused) {
    Start();
    const std::string dir = ::testing::TempDir();
    std::string fits = dir + std::string(255 - dir.size(), 'p');
    EXPECT_EQ(engine->SetToWaveMode(fits), S_OK);
    EXPECT_EQ(engine->SetToWaveMode(fits + "p"), E_INVALIDARG);
    EXPECT_EQ(engine->SetToWaveMode(std::string("a\0b", 3)), E_INVALIDARG);

    std::string wide;
    for (int i = 0; i < 255; ++i) wide += "\xC3\xA9";  // 255 characters, 510 bytes
    EXPECT_EQ(engine->SetSpeechWaveFile(wide), S_OK);
    EXPECT_EQ(engine->SetSpeechWaveFile(wide + "e"), E_INVALIDARG);
}

TEST_F(EngineTest, VoiceThatCannotBeCreatedEndsTheWorkerAndWaitsFail) {
    voice->failCreate = true;
    Start();
    for (int i = 0; i < 1000 && engine->WorkerAlive(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(engine->WorkerAlive());
    EXPECT_EQ(engine->WorkerExitCode(), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::make_pair(std::string("Failed to create Voice server."), std::string("Lipsmith_TTS")));
    // Still answering, never waiting forever.
    EXPECT_EQ(engine->Speak("a", 0), S_OK);
    EXPECT_EQ(engine->SetToWaveMode(::testing::TempDir() + "x.wav"), E_FAIL);
    EXPECT_EQ(engine->SetToVoiceMode(), E_FAIL);
    EXPECT_EQ(engine->IsDone(), E_FAIL);
    EXPECT_EQ(engine->ReleaseWaveStream(), S_OK);
}

TEST_F(EngineTest, OutputThatCannotBeFetchedEndsTheWorker) {
    voice->failGetOutput = true;
    Start();
    for (int i = 0; i < 1000 && engine->WorkerAlive(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(engine->WorkerAlive());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, "Failed to obtain audio format. Make sure Audio device drivers are installed.");
    EXPECT_FALSE(voice->alive);  // released on the way out
}

TEST_F(EngineTest, WithoutARecognizerListeningSaysSoAndStaysBusyUntilStopReco) {
    Start();
    EXPECT_EQ(engine->CheckEngine(), REGDB_E_CLASSNOTREG);
    engine->Speak("a", 0);
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_EQ(engine->SetSpeechWaveFile(::testing::TempDir() + "phrase.wav"), S_OK);
    EXPECT_EQ(engine->SpeechReco("hello world"), S_OK);
    EXPECT_EQ(engine->IsDone(), S_FALSE);  // busy until the client gives up
    for (int i = 0; i < 1000 && errors.empty(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].second, "Lipsmith");
    EXPECT_EQ(errors[0].first.rfind("Failed to start the Speech Recognition Engine, make sure it is installed.", 0),
              0u);
    EXPECT_EQ(engine->IsDone(), S_FALSE);
    EXPECT_EQ(engine->StopReco(), S_OK);
}

// Recognition with a scripted listening: each run sends its phonemes, then
// waits until it is released or stopped.
struct ListeningProbe {
    std::mutex mutex;
    std::condition_variable changed;
    HRESULT check = S_OK;
    bool prepareFails = false;
    ListeningEnd end = ListeningEnd::Done;
    std::vector<ListeningRequest> requests;
    int phonemes = 3;
    std::vector<std::string> notes;
    bool grammarFailed = false;
    bool released = false;
    bool stopped = false;
    bool running = false;
};

class ScriptedRun : public ListeningRun {
public:
    ScriptedRun(std::shared_ptr<ListeningProbe> probe, ListeningRequest request)
        : probe_(std::move(probe)), request_(std::move(request)) {}
    ListeningOutcome Run() override {
        std::unique_lock lock(probe_->mutex);
        probe_->running = true;
        probe_->changed.notify_all();
        probe_->changed.wait(lock, [&] { return probe_->released || probe_->stopped; });
        probe_->running = false;
        probe_->changed.notify_all();
        if (probe_->stopped) {
            ListeningOutcome stopped;
            stopped.message = "stopped";
            return stopped;
        }
        lock.unlock();
        for (int i = 0; i < probe_->phonemes; ++i) request_.notify(WM_APP + 6, (100u + i) << 16, 10 + i);
        ListeningOutcome out{probe_->end, "why", "hello world", probe_->notes, probe_->grammarFailed};
        return out;
    }
    void Stop() override {
        std::lock_guard lock(probe_->mutex);
        probe_->stopped = true;
        probe_->changed.notify_all();
    }

private:
    std::shared_ptr<ListeningProbe> probe_;
    ListeningRequest request_;
};

class ScriptedListening : public Listening {
public:
    explicit ScriptedListening(std::shared_ptr<ListeningProbe> probe) : probe_(std::move(probe)) {}
    HRESULT Check(std::string*) override { return probe_->check; }
    std::unique_ptr<ListeningRun> Prepare(ListeningRequest request, std::string* why) override {
        std::lock_guard lock(probe_->mutex);
        probe_->requests.push_back(request);
        if (probe_->prepareFails) {
            *why = "no model";
            return nullptr;
        }
        return std::make_unique<ScriptedRun>(probe_, std::move(request));
    }

private:
    std::shared_ptr<ListeningProbe> probe_;
};

class RecognitionEngineTest : public EngineTest {
protected:
    void StartListening() {
        listening = std::make_shared<ScriptedListening>(probe);
        startWith = [this](TtsEngineDeps& deps) { deps.listening = listening; };
        Start();
        engine->SetNotifyHWND(77);
    }
    bool WaitFor(const std::function<bool()>& condition) {
        std::unique_lock lock(probe->mutex);
        return probe->changed.wait_for(lock, 5s, condition);
    }
    void Release() {
        std::lock_guard lock(probe->mutex);
        probe->released = true;
        probe->changed.notify_all();
    }
    std::shared_ptr<ListeningProbe> probe = std::make_shared<ListeningProbe>();
    std::shared_ptr<ScriptedListening> listening;
};

TEST_F(RecognitionEngineTest, CheckEngineAnswersWhetherARecognizerCanBeMade) {
    StartListening();
    EXPECT_EQ(engine->CheckEngine(), S_OK);
    probe->check = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(engine->CheckEngine(), REGDB_E_CLASSNOTREG);
}

TEST_F(RecognitionEngineTest, ARunSendsOnlyPhonemesAndIsDoneWhenThePhraseIsWritten) {
    StartListening();
    ASSERT_EQ(engine->SetSpeechWaveFile("/tmp/phrase.wav"), S_OK);
    ASSERT_EQ(engine->SpeechReco("Hello world."), S_OK);
    ASSERT_TRUE(WaitFor([&] { return probe->running; }));
    EXPECT_EQ(engine->IsDone(), S_FALSE);
    Release();
    ASSERT_EQ(WaitDone(), S_OK);
    {
        std::lock_guard lock(probe->mutex);
        ASSERT_EQ(probe->requests.size(), 1u);
        EXPECT_EQ(probe->requests[0].grammarText, "Hello world.");
        EXPECT_EQ(probe->requests[0].phraseAudioPath, "/tmp/phrase.wav");
        EXPECT_NE(probe->requests[0].voice, nullptr);
    }
    EXPECT_EQ(Ids(), (std::vector<UINT>{WM_APP + 6, WM_APP + 6, WM_APP + 6}));
    std::lock_guard lock(mutex);
    EXPECT_EQ(messages[1].hwnd, 77u);
    EXPECT_EQ(messages[1].wParam >> 16, 101u);
    EXPECT_EQ(messages[1].lParam, 11);
    EXPECT_TRUE(errors.empty());
    engine->StopReco();
}

TEST_F(RecognitionEngineTest, StopRecoEndsAWaitingRunEvenBeforeItHasBegun) {
    StartListening();
    ASSERT_EQ(engine->SpeechReco(""), S_OK);
    ASSERT_TRUE(WaitFor([&] { return probe->running; }));
    EXPECT_EQ(engine->StopReco(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return !probe->running; }));
    EXPECT_TRUE(Ids().empty());

    // A StopReco right behind SpeechReco reaches the run the worker has not started yet.
    {
        std::lock_guard lock(probe->mutex);
        probe->stopped = false;
    }
    ASSERT_EQ(engine->SpeechReco("again"), S_OK);
    EXPECT_EQ(engine->StopReco(), S_OK);
    ASSERT_TRUE(WaitFor([&] { return probe->requests.size() == 2 && !probe->running; }));
    EXPECT_TRUE(Ids().empty());
    // The worker is free again: speech goes on as before.
    engine->Speak("ab", 0);
    EXPECT_EQ(WaitDone(), S_OK);
}

TEST_F(RecognitionEngineTest, NoAudioInputShowsTheMessageAndStaysBusy) {
    StartListening();
    probe->end = ListeningEnd::CannotStart;
    Release();
    ASSERT_EQ(engine->SpeechReco("x"), S_OK);
    for (int i = 0; i < 2000 && errors.empty(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].second, "Lipsmith");
    EXPECT_NE(errors[0].first.find("(why)"), std::string::npos);
    EXPECT_EQ(engine->IsDone(), S_FALSE);
    engine->StopReco();
}

TEST_F(RecognitionEngineTest, ARunThatFailsSaysWhyAndEndsWithoutPhonemesAfterNoPhrase) {
    StartListening();
    probe->phonemes = 0;
    probe->end = ListeningEnd::Failed;
    Release();
    ASSERT_EQ(engine->SpeechReco("x"), S_OK);
    ASSERT_EQ(WaitDone(), S_OK);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, "why");
    EXPECT_EQ(errors[0].second, "Lipsmith_TTS");
    engine->StopReco();

    probe->end = ListeningEnd::NoPhrase;
    ASSERT_EQ(engine->SpeechReco("x"), S_OK);
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_EQ(errors.size(), 1u);  // nothing to tell: the client finds no phrase
    EXPECT_TRUE(Ids().empty());
}

TEST_F(RecognitionEngineTest, GrammarProblemsAreShownAsBoxesWithoutCaptionAndTheRunGoesOn) {
    StartListening();
    probe->grammarFailed = true;
    probe->notes = {"The word \"xq\" is not in the recognizer's dictionary; it is left out of the grammar."};
    Release();
    ASSERT_EQ(engine->SpeechReco("xq"), S_OK);
    ASSERT_EQ(WaitDone(), S_OK);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], std::make_pair(std::string("CreateGrammar Failed"), std::string()));
    EXPECT_EQ(errors[1].first, probe->notes[0]);
    EXPECT_EQ(errors[1].second, "");
    EXPECT_EQ(Count(WM_APP + 6), 3u);  // dictation's words were still keyed
}

TEST_F(RecognitionEngineTest, ShutdownEndsARunThatIsListening) {
    StartListening();
    ASSERT_EQ(engine->SpeechReco("x"), S_OK);
    ASSERT_TRUE(WaitFor([&] { return probe->running; }));
    const auto start = std::chrono::steady_clock::now();
    engine->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(probe->running);
}

TEST_F(EngineTest, ShutdownReleasesTheVoice) {
    Start();
    engine->Speak("abc", 0);
    ASSERT_EQ(WaitDone(), S_OK);
    EXPECT_TRUE(voice->alive);
    engine->Shutdown();
    EXPECT_FALSE(voice->alive);
    EXPECT_EQ(engine->WorkerExitCode(), 0);
    EXPECT_EQ(engine->SetToVoiceMode(), E_FAIL);
}

}  // namespace
}  // namespace lipsmith::tts
