// The real Lipsmith_TTS process speaking with espeak-ng, started on demand by
// the client library, in a private runtime folder and registry store.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "E2EHelpers.h"
#include "ITTS.h"
#include "MessageQueue.h"
#include "Registry.h"
#include "Riff.h"
#include "SpeechApi.h"

namespace lipsmith {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ReadFile;
using testing::RunProgram;
using testing::ServerPid;

struct Got {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::wstring text;
};

class Window {
public:
    Window() {
        hwnd = CreateMessageWindow([this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            Got g{m, w, l, {}};
            if (m == WM_APP + speech::SPEI_TTS_BOOKMARK) g.text = reinterpret_cast<const wchar_t*>(l);
            got.push_back(g);
            return 0;
        });
    }
    ~Window() { DestroyMessageWindow(hwnd); }
    bool Ended() const { return !got.empty() && got.back().message == WM_APP + speech::SPEI_END_INPUT_STREAM; }
    HWND hwnd;
    std::vector<Got> got;
};

// A client's wait loop, then whatever is still on its way up to the end of stream.
HRESULT SpeakAndWait(ITTS& tts, Window& window, const std::string& text, std::chrono::seconds limit = 30s) {
    window.got.clear();
    HRESULT hr = tts.Speak(text, 11);
    if (FAILED(hr)) return hr;
    const auto end = Clock::now() + limit;
    while ((hr = tts.IsDone()) == S_FALSE && Clock::now() < end) {
        MSG msg;
        if (PeekMessage(&msg, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    while (hr == S_OK && !window.Ended() && Clock::now() < end) {
        MSG msg;
        if (WaitMessage(10) && PeekMessage(&msg, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
    return hr;
}

class TtsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "ttse2e.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        runtime = dir + "/run";
        registry = dir + "/registry";
        ::setenv("LIPSMITH_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("LIPSMITH_REGISTRY", registry.c_str(), 1);
        ::setenv("LIPSMITH_TTS_IDLE_MS", "1000", 1);
        ::setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "0", 1);
        ASSERT_EQ(RunProgram({LIPSMITH_TTS_PROGRAM, "-RegServer"}), 0);
    }
    void TearDown() override {
        testing::StopServer(runtime);
        for (MSG msg; PeekMessage(&msg, 0, PM_REMOVE);) {
        }
        std::filesystem::remove_all(dir);
    }
    std::unique_ptr<ITTS> Create() {
        std::unique_ptr<ITTS> tts;
        EXPECT_EQ(CreateCTTS(&tts), S_OK);
        return tts;
    }
    std::string dir, runtime, registry;
};

TEST_F(TtsEndToEnd, RegServerThenUnregServerLeavesTheStoreAsItWas) {
    std::filesystem::remove(registry);
    {
        RegistryStore store(registry);
        store.CreateKey(Hive::ClassesRoot, "CLSID\\{11111111-2222-3333-4444-555555555555}\\LocalServer32");
        store.CreateKey(Hive::ClassesRoot, "AppID\\Other.EXE");
        store.CreateKey(Hive::ClassesRoot, "TypeLib\\{66666666-2222-3333-4444-555555555555}\\1.0");
        store.CreateKey(Hive::CurrentUser, "Software\\Tarnwick Works\\Lipsmith");
        store.SetValue(Hive::CurrentUser, "Software\\Tarnwick Works\\Lipsmith", "WaveFile", "/tmp/a.wav");
    }
    const std::string before = ReadFile(registry);

    ASSERT_EQ(RunProgram({LIPSMITH_TTS_PROGRAM, "-RegServer"}), 0);
    RegistryStore store(registry);
    std::string program, model;
    const std::string key = std::string("CLSID\\") + kClsidCTTS + "\\LocalServer32";
    ASSERT_EQ(store.QueryValue(Hive::ClassesRoot, key, "", program), ERROR_SUCCESS);
    EXPECT_EQ(program, std::filesystem::canonical(LIPSMITH_TTS_PROGRAM).string());
    ASSERT_EQ(store.QueryValue(Hive::ClassesRoot, key, "ThreadingModel", model), ERROR_SUCCESS);
    EXPECT_EQ(model, "both");

    ASSERT_EQ(RunProgram({LIPSMITH_TTS_PROGRAM, "/UNREGSERVER"}), 0);
    EXPECT_EQ(ReadFile(registry), before);
}

TEST_F(TtsEndToEnd, AnUnreadableStoreIsNeitherUsedNorOverwritten) {
    const std::string garbage = "this is not a registry store\n\x01\x02";
    {
        std::FILE* f = std::fopen(registry.c_str(), "wb");
        std::fwrite(garbage.data(), 1, garbage.size(), f);
        std::fclose(f);
    }
    EXPECT_NE(RunProgram({LIPSMITH_TTS_PROGRAM, "-RegServer"}), 0);
    EXPECT_EQ(ReadFile(registry), garbage);
}

TEST_F(TtsEndToEnd, SpeaksSpeechXmlWithEventsInOrder) {
    auto tts = Create();
    ASSERT_TRUE(tts);
    EXPECT_EQ(tts->IsDone(), S_FALSE);  // before the first speech
    const pid_t server = ServerPid(runtime);
    EXPECT_GT(server, 0);

    std::string voiceName;
    for (const speech::VoiceToken& t : speech::EnumerateVoices()) {
        if (t.language.rfind("en", 0) == 0) voiceName = t.name;
    }
    ASSERT_FALSE(voiceName.empty());
    const std::string text = "<rate absspeed=\"3\">Good morning.</rate> <pitch absmiddle=\"4\">I am</pitch> "
                             "<silence msec=\"300\"/> <spell>ABC</spell> <voice required=\"Name=" +
                             voiceName + "\">and you <bookmark mark=\"7 eyes\"/> are here.</voice>";
    Window window;
    ASSERT_EQ(tts->SetNotifyHWND(window.hwnd), S_OK);
    ASSERT_EQ(SpeakAndWait(*tts, window, text), S_OK);
    EXPECT_EQ(tts->IsDone(), S_OK);

    const auto& got = window.got;
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(got.front().message, 0x8001u);
    EXPECT_EQ(got.back().message, 0x8002u);
    const std::size_t youPos = text.find("you");
    const std::size_t arePos = text.find("are here");
    std::optional<std::size_t> you, bookmark, are;
    std::size_t phonemes = 0, sentences = 0, longSilence = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Got& g = got[i];
        if (i > 0 && i + 1 < got.size()) {
            EXPECT_NE(g.message, 0x8001u);
            EXPECT_NE(g.message, 0x8002u);
        }
        if (g.message == 0x8005 && static_cast<std::size_t>(g.lParam) == youPos) you = i;
        if (g.message == 0x8005 && static_cast<std::size_t>(g.lParam) == arePos) are = i;
        if (g.message == 0x8004) {
            bookmark = i;
            EXPECT_EQ(g.text, L"7 eyes");
            EXPECT_EQ(g.wParam, 7u);
        }
        if (g.message == 0x8006) {
            ++phonemes;
            const auto id = g.lParam & 0xFFFF;
            EXPECT_GE(id, 1);
            EXPECT_LE(id, 49);
            if (id == speech::kSilencePhone && (g.wParam >> 16) >= 250) ++longSilence;
        }
        if (g.message == 0x8007) ++sentences;
    }
    EXPECT_GT(phonemes, 20u);
    EXPECT_GE(sentences, 2u);
    EXPECT_GE(longSilence, 1u);
    ASSERT_TRUE(you && bookmark && are);
    EXPECT_LT(*you, *bookmark);
    EXPECT_LT(*bookmark, *are);
    // "you" is spoken before the bookmark arrives, "are" after it.
    auto phonemesBetween = [&](std::size_t a, std::size_t b) {
        return std::count_if(got.begin() + a, got.begin() + b, [](const Got& g) { return g.message == 0x8006; });
    };
    EXPECT_GT(phonemesBetween(*you, *bookmark), 0);
    EXPECT_GT(phonemesBetween(*bookmark, got.size()), 0);
}

TEST_F(TtsEndToEnd, WaveModeWritesTheSpokenDurationsAs22kHzMonoPcm) {
    auto tts = Create();
    ASSERT_TRUE(tts);
    Window window;
    tts->SetNotifyHWND(window.hwnd);
    const std::string wave = dir + "/out.wav";
    ASSERT_EQ(tts->SetToWaveMode(wave), S_OK);
    ASSERT_EQ(SpeakAndWait(*tts, window,
                           "The quick brown fox jumps over the lazy dog. <silence msec=\"200\"/> "
                           "Then it sleeps for a while, dreaming of <spell>XML</spell> files."),
              S_OK);
    ASSERT_EQ(tts->SetToVoiceMode(), S_OK);

    double spokenMs = 0;
    for (const Got& g : window.got) {
        if (g.message == 0x8006) spokenMs += static_cast<double>(g.wParam >> 16);
    }
    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(wave, info));
    EXPECT_EQ(info.format.formatTag, 1);
    EXPECT_EQ(info.format.channels, 1);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.bitsPerSample, 16);
    EXPECT_EQ(info.format.blockAlign, 2);
    EXPECT_EQ(info.format.avgBytesPerSec, 44100u);
    const double waveMs = info.dataSize / 44.1;
    ASSERT_GT(waveMs, 1000);
    EXPECT_NEAR(spokenMs, waveMs, waveMs * 0.005);

    // A folder that does not exist: still S_OK, and the voice keeps speaking aloud.
    EXPECT_EQ(tts->SetToWaveMode(dir + "/missing/out.wav"), S_OK);
    EXPECT_EQ(SpeakAndWait(*tts, window, "Hello."), S_OK);
    EXPECT_EQ(tts->SetToVoiceMode(), S_OK);
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
}

TEST_F(TtsEndToEnd, ClientsShareOneServerThatDropsTheWorkOfAKilledClient) {
    auto tts = Create();
    ASSERT_TRUE(tts);
    const pid_t server = ServerPid(runtime);
    ASSERT_GT(server, 0);

    // Hours of speech: the voice would need a minute or more to get through it.
    int out = -1;
    const pid_t other = testing::StartProgram(
        {TTS_TEST_CLIENT, "This sentence keeps the other client busy for a long while. ", "5", "20000"}, &out);
    ASSERT_GT(other, 0);
    EXPECT_EQ(testing::ReadLine(out, 20000), "speaking");
    EXPECT_EQ(ServerPid(runtime), server);  // the same process serves both
    std::this_thread::sleep_for(300ms);
    ::kill(other, SIGKILL);  // mid-speech, probably mid-notification
    ::waitpid(other, nullptr, 0);
    ::close(out);

    // Nothing of the other's speech comes here, and its dropped work does
    // not keep this speech waiting for the voice.
    Window window;
    ASSERT_EQ(tts->SetNotifyHWND(window.hwnd), S_OK);
    ASSERT_EQ(SpeakAndWait(*tts, window, "Still serving.", 30s), S_OK);
    const auto& got = window.got;
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front().message, 0x8001u);
    EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const Got& g) { return g.message == 0x8001; }), 1);
    EXPECT_GT(std::count_if(got.begin(), got.end(), [](const Got& g) { return g.message == 0x8006; }), 3);
    EXPECT_TRUE(window.Ended());
    EXPECT_EQ(ServerPid(runtime), server);
}

TEST_F(TtsEndToEnd, KillingTheServerFailsPendingAndLaterCallsPromptly) {
    auto tts = Create();
    ASSERT_TRUE(tts);
    const pid_t server = ServerPid(runtime);
    ASSERT_GT(server, 0);
    // This thread's window will not handle its notifications, so the worker
    // waits, and a mode switch from another thread waits for the worker.
    Window window;
    tts->SetNotifyHWND(window.hwnd);
    tts->Speak("A sentence that cannot be finished.", 11);
    std::atomic<HRESULT> pending{S_FALSE};
    Clock::time_point returned;
    std::thread caller([&] {
        pending = tts->SetToVoiceMode();
        returned = Clock::now();
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(pending.load(), S_FALSE);
    ::kill(server, SIGKILL);
    const auto killed = Clock::now();
    caller.join();
    EXPECT_EQ(pending.load(), RPC_E_DISCONNECTED);
    EXPECT_LT(returned - killed, 1s);
    const auto start = Clock::now();
    EXPECT_EQ(tts->IsDone(), RPC_E_DISCONNECTED);
    EXPECT_EQ(tts->Speak("x", 0), RPC_E_DISCONNECTED);
    EXPECT_LT(Clock::now() - start, 1s);
    for (MSG msg; PeekMessage(&msg, 0, PM_REMOVE);) DispatchMessage(&msg);  // answers go nowhere

    // The next object starts a new server over the dead one's socket.
    for (int i = 0; i < 100 && ServerPid(runtime) != 0; ++i) std::this_thread::sleep_for(10ms);
    auto again = Create();
    ASSERT_TRUE(again);
    EXPECT_NE(ServerPid(runtime), server);
    EXPECT_EQ(again->IsDone(), S_FALSE);
}

// Waits for a child to end; its exit code, or -1 when it did not end in time.
int WaitForExit(pid_t pid, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > end) return -1;
        std::this_thread::sleep_for(5ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

TEST_F(TtsEndToEnd, TerminationEndsTheServerAtOnceAndIdlingAfterItsPause) {
    // With a minute of pause and of idle time, only an end without the pause
    // comes in time.
    ::setenv("LIPSMITH_TTS_IDLE_MS", "60000", 1);
    ::setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "60000", 1);
    int out = -1;
    pid_t server = testing::StartProgram({LIPSMITH_TTS_PROGRAM, "-Embedding"}, &out);
    ASSERT_GT(server, 0);
    for (int i = 0; i < 1000 && ServerPid(runtime) != server; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(ServerPid(runtime), server);
    auto start = Clock::now();
    ::kill(server, SIGTERM);
    EXPECT_EQ(WaitForExit(server, 30s), 0);
    std::printf("exit after SIGTERM: %.0f ms\n", MsSince(start));
    ::close(out);

    // Idle for 300 ms, then a pause of 700 ms before the process ends.
    ::setenv("LIPSMITH_TTS_IDLE_MS", "300", 1);
    ::setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "700", 1);
    start = Clock::now();
    server = testing::StartProgram({LIPSMITH_TTS_PROGRAM, "-Embedding"}, &out);
    ASSERT_GT(server, 0);
    EXPECT_EQ(WaitForExit(server, 30s), 0);
    const double ended = MsSince(start);
    EXPECT_GE(ended, 1000.0);
    std::printf("exit of a server idle for 300 ms with a pause of 700 ms: %.0f ms after its start\n", ended);
    ::close(out);
    ::setenv("LIPSMITH_TTS_IDLE_MS", "1000", 1);
    ::setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "0", 1);
}

TEST_F(TtsEndToEnd, CreatingFailsWhenNoServerIsRegistered) {
    ASSERT_EQ(RunProgram({LIPSMITH_TTS_PROGRAM, "-UnregServer"}), 0);
    std::unique_ptr<ITTS> tts;
    EXPECT_EQ(CreateCTTS(&tts), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(tts);
}

}  // namespace
}  // namespace lipsmith
