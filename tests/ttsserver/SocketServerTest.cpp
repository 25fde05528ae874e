// Server and client over the real socket in one process, with the scripted
// voice: synchronous notifications through the window's queue, and clients
// that die, stall or send nonsense.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "MessageQueue.h"
#include "Registration.h"
#include "ScriptedVoice.h"
#include "TtsClient.h"
#include "TtsServer.h"

namespace lipsmith::tts {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Got {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::wstring text;
};

// The calling thread's notify window, recording what it handles.
class TestWindow {
public:
    TestWindow() {
        hwnd = CreateMessageWindow([this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            Got g{m, w, l, {}};
            if (m == WM_APP + speech::SPEI_TTS_BOOKMARK) g.text = reinterpret_cast<const wchar_t*>(l);
            got.push_back(g);
            if (onMessage) onMessage(g);
            return 0;
        });
    }
    ~TestWindow() { DestroyMessageWindow(hwnd); }
    std::vector<UINT> Ids() const {
        std::vector<UINT> ids;
        for (const Got& g : got) ids.push_back(g.message);
        return ids;
    }
    HWND hwnd;
    std::vector<Got> got;
    std::function<void(const Got&)> onMessage;
};

// The wait loop of a client: ask IsDone, dispatch one message per turn.
HRESULT PumpUntilDone(ITTS& tts, std::chrono::milliseconds limit = 5s) {
    const auto end = Clock::now() + limit;
    HRESULT hr;
    while ((hr = tts.IsDone()) == S_FALSE && Clock::now() < end) {
        MSG msg;
        if (PeekMessage(&msg, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return hr;
}

// Busy is cleared before the end-of-stream message is sent, so that message
// may still be on its way when IsDone answers S_OK.
void PumpUntilEnd(TestWindow& window, std::chrono::milliseconds limit = 2s) {
    const auto end = Clock::now() + limit;
    while ((window.got.empty() || window.got.back().message != WM_APP + speech::SPEI_END_INPUT_STREAM) &&
           Clock::now() < end) {
        MSG msg;
        if (WaitMessage(10) && PeekMessage(&msg, 0, PM_REMOVE)) DispatchMessage(&msg);
    }
}

// Speaks the protocol by hand, to misbehave.
struct RawClient {
    UniqueFd call, notify;
    wire::FrameBuffer callIn, notifyIn;
    std::uint32_t nextId = 0;
    std::uint64_t objectId = 0;

    bool Open(const std::string& socketPath) {
        call = ConnectUnix(socketPath);
        wire::Frame f;
        if (!call.Valid() || !SendAll(call.Get(), wire::Encode(wire::Hello{}), 1000) ||
            ReadFrame(call.Get(), callIn, f, 2000) != ReadStatus::Frame) {
            return false;
        }
        const auto welcome = std::get<wire::Welcome>(f);
        objectId = welcome.objectId;
        notify = ConnectUnix(socketPath);
        return notify.Valid() &&
               SendAll(notify.Get(), wire::Encode(wire::AttachNotify{welcome.objectId, welcome.token}), 1000) &&
               ReadFrame(notify.Get(), notifyIn, f, 2000) == ReadStatus::Frame;
    }
    HRESULT Call(wire::Method method, const std::string& text = "", std::int64_t hwnd = 0) {
        wire::Call c{++nextId, method, text, 0, hwnd};
        wire::Frame f;
        if (!SendAll(call.Get(), wire::Encode(c), 1000) || ReadFrame(call.Get(), callIn, f, 5000) != ReadStatus::Frame) {
            return RPC_E_DISCONNECTED;
        }
        return std::get<wire::Reply>(f).result;
    }
    // True once the server has closed the call channel.
    bool ClosedByServer(std::chrono::milliseconds limit) {
        wire::Frame f;
        return ReadFrame(call.Get(), callIn, f, static_cast<int>(limit.count())) == ReadStatus::Closed;
    }
};

class SocketServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "ttssock.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        ::setenv("LIPSMITH_RUNTIME_DIR", dir.c_str(), 1);
        ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
        options.runtimeDir = dir;
        client.runtimeDir = dir;
        client.startTimeoutMs = 2000;
        client.callTimeoutMs = 10000;
        client.spawn = false;
    }
    void TearDown() override {
        StopServer();
        // Messages for this test's windows must not reach the next test.
        for (MSG msg; PeekMessage(&msg, 0, PM_REMOVE);) {
        }
        std::filesystem::remove_all(dir);
    }

    void StartServer() {
        TtsEngineDeps deps;
        deps.createVoice = testing::ScriptedVoiceFactory(voice);
        deps.createStream = testing::ProbedStreamFactory(std::make_shared<testing::StreamProbe>());
        deps.showError = [](const std::string&, const std::string&) {};
        server = std::make_unique<TtsServer>(options, std::move(deps));
        std::string error;
        ASSERT_EQ(server->Listen(error), TtsServer::ListenResult::Listening) << error;
        runner = std::thread([this] {
            server->Run();
            ran = true;
        });
    }
    void StopServer() {
        if (!server) return;
        server->RequestStop();
        if (runner.joinable()) runner.join();
        server->Close();
        server.reset();
    }
    std::unique_ptr<ITTS> Connect() {
        std::unique_ptr<ITTS> tts;
        EXPECT_EQ(ConnectCTTS(client, &tts), S_OK);
        return tts;
    }

    std::string dir;
    TtsServerOptions options;
    ClientOptions client;
    std::shared_ptr<testing::VoiceProbe> voice = std::make_shared<testing::VoiceProbe>();
    std::unique_ptr<TtsServer> server;
    std::thread runner;
    std::atomic<bool> ran{false};
};

TEST_F(SocketServerTest, NotificationsArriveInOrderWithTheBookmarkText) {
    StartServer();
    auto tts = Connect();
    ASSERT_TRUE(tts);
    TestWindow window;
    EXPECT_EQ(tts->IsDone(), S_FALSE);
    EXPECT_EQ(tts->SetNotifyHWND(static_cast<std::int64_t>(window.hwnd) | (1LL << 40)), S_OK);
    EXPECT_EQ(tts->Speak("hi #17 yo.", 11), S_OK);
    ASSERT_EQ(PumpUntilDone(*tts), S_OK);
    PumpUntilEnd(window);

    const std::vector<UINT> expected = {0x8001, 0x8007, 0x8005, 0x8006, 0x8006, 0x8004,
                                        0x8005, 0x8006, 0x8006, 0x8002};
    EXPECT_EQ(window.Ids(), expected);
    EXPECT_EQ(window.got[5].text, L"17");
    EXPECT_EQ(window.got[5].wParam, 17u);
    EXPECT_EQ(window.got[3].wParam >> 16, 50u);
    EXPECT_EQ(voice->flags, std::vector<std::uint32_t>{11});
    EXPECT_EQ(tts->CheckEngine(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(tts->SetToWaveMode(std::string(300, 'x')), E_INVALIDARG);
}

TEST_F(SocketServerTest, TheEndOfOneSpeechNeverReportsTheNextOneDone) {
    StartServer();
    auto tts = Connect();
    TestWindow window;
    tts->SetNotifyHWND(window.hwnd);
    // Each Speak follows IsDone's S_OK at once, while the previous end of
    // stream is still being delivered.
    for (int i = 1; i <= 15; ++i) {
        ASSERT_EQ(tts->Speak("ab", 0), S_OK);
        ASSERT_EQ(PumpUntilDone(*tts), S_OK);
        const auto ids = window.Ids();
        ASSERT_EQ(std::count(ids.begin(), ids.end(), 0x8001u), i) << "speech " << i << " reported done too early";
    }
}

TEST_F(SocketServerTest, TheServerWaitsForEachNotificationToBeHandled) {
    StartServer();
    auto tts = Connect();
    TestWindow window;
    tts->SetNotifyHWND(window.hwnd);
    bool queuedMeanwhile = false;
    window.onMessage = [&](const Got& g) {
        if (g.message != 0x8006 || window.got.size() != 4) return;
        std::this_thread::sleep_for(150ms);  // the engine has more to say by now
        MSG msg;
        queuedMeanwhile = PeekMessage(&msg, window.hwnd, PM_NOREMOVE);
    };
    tts->Speak("abcdef", 0);
    ASSERT_EQ(PumpUntilDone(*tts), S_OK);
    PumpUntilEnd(window);
    EXPECT_FALSE(queuedMeanwhile);
    EXPECT_EQ(window.got.size(), 10u);
}

TEST_F(SocketServerTest, ACallFromTheWindowThreadHandlesNotificationsWhileItWaits) {
    StartServer();
    auto tts = Connect();
    TestWindow window;
    tts->SetNotifyHWND(window.hwnd);
    tts->Speak("some words to say.", 0);
    // No pumping: the mode switch waits for the worker, which waits for this
    // thread to handle its notifications.
    const auto start = Clock::now();
    EXPECT_EQ(tts->SetToVoiceMode(), S_OK);
    EXPECT_LT(Clock::now() - start, 5s);
    ASSERT_FALSE(window.got.empty());
    EXPECT_EQ(window.got.front().message, 0x8001u);
    EXPECT_EQ(window.got.back().message, 0x8002u);
    EXPECT_EQ(tts->IsDone(), S_OK);
}

// Speech that starts with "long" keeps its stream open for half a minute
// before it ends, unless stopped.
void UseLongSpeech(testing::VoiceProbe& voice) {
    voice.script = [](const std::string& text, std::uint32_t) {
        auto steps = testing::WordsScript(text, 50, std::chrono::microseconds(200));
        if (text.rfind("long", 0) == 0) steps.back().delay = 30s;
        return steps;
    };
}

TEST_F(SocketServerTest, EveryObjectHasItsOwnSpeechNotificationsAndBusyState) {
    UseLongSpeech(*voice);
    StartServer();
    auto first = Connect();
    auto second = Connect();
    TestWindow a, b;
    first->SetNotifyHWND(a.hwnd);
    second->SetNotifyHWND(b.hwnd);
    ASSERT_EQ(first->Speak("long words here", 0), S_OK);
    ASSERT_EQ(second->Speak("ab", 0), S_OK);  // no purge of the other's speech either
    ASSERT_EQ(PumpUntilDone(*second), S_OK);
    PumpUntilEnd(b);
    // The second's speech, whole, in its own window; the first still speaks.
    EXPECT_EQ(b.Ids(), (std::vector<UINT>{0x8001, 0x8007, 0x8005, 0x8006, 0x8006, 0x8002}));
    EXPECT_EQ(first->IsDone(), S_FALSE);
    const auto isAOrB = [](const Got& g) { return g.message == 0x8006 && (g.lParam == 25 || g.lParam == 26); };
    EXPECT_EQ(std::count_if(a.got.begin(), a.got.end(), isAOrB), 0);
    EXPECT_FALSE(a.got.empty());

    // Stopping one stops only that one.
    ASSERT_EQ(first->Stop(), S_OK);
    ASSERT_EQ(PumpUntilDone(*first), S_OK);
    PumpUntilEnd(a);
    EXPECT_EQ(a.got.back().message, 0x8002u);
    EXPECT_EQ(b.got.size(), 6u);
    ASSERT_EQ(second->Speak("ab", 0), S_OK);
    EXPECT_EQ(PumpUntilDone(*second), S_OK);
}

TEST_F(SocketServerTest, AnOutputSwitchWaitingForOneClientHoldsUpNoOther) {
    StartServer();
    // This client never answers its notifications, so its worker waits, and
    // so does the switch it asks for.
    RawClient stuck;
    ASSERT_TRUE(stuck.Open(server->SocketPath()));
    ASSERT_EQ(stuck.Call(wire::Method::SetNotifyHWND, "", 77), S_OK);
    ASSERT_EQ(stuck.Call(wire::Method::Speak, "words nobody hears"), S_OK);
    wire::Call toVoice{++stuck.nextId, wire::Method::SetToVoiceMode, "", 0, 0};
    ASSERT_TRUE(SendAll(stuck.call.Get(), wire::Encode(toVoice), 1000));

    auto tts = Connect();
    ASSERT_TRUE(tts);
    TestWindow window;
    ASSERT_EQ(tts->SetNotifyHWND(window.hwnd), S_OK);
    ASSERT_EQ(tts->SetToWaveMode(dir + "/w.wav"), S_OK);
    ASSERT_EQ(tts->Speak("ab", 0), S_OK);
    ASSERT_EQ(PumpUntilDone(*tts), S_OK);
    ASSERT_EQ(tts->SetToVoiceMode(), S_OK);
    // All of that went by while the stuck client's switch still waits.
    pollfd p{stuck.call.Get(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0);
}

TEST_F(SocketServerTest, AGoneClientsSpeechIsStoppedAndItsVoiceLetGo) {
    UseLongSpeech(*voice);
    StartServer();
    RawClient gone;
    ASSERT_TRUE(gone.Open(server->SocketPath()));
    ASSERT_EQ(gone.Call(wire::Method::Speak, "long speech for nobody"), S_OK);
    ASSERT_EQ(gone.Call(wire::Method::IsDone), S_FALSE);
    gone.call.Reset();
    gone.notify.Reset();
    // Its voice goes long before the speech would have ended.
    const auto end = Clock::now() + 10s;
    auto voiceAlive = [&] {
        std::lock_guard lock(voice->mutex);
        return voice->alive;
    };
    while ((voiceAlive() || server->ConnectionCount() + server->RetiringCount() > 0) && Clock::now() < end) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_FALSE(voiceAlive());
    EXPECT_EQ(server->RetiringCount(), 0u);
}

TEST_F(SocketServerTest, AClientDyingMidNotificationLeavesTheServerServing) {
    StartServer();
    RawClient dying;
    ASSERT_TRUE(dying.Open(server->SocketPath()));
    ASSERT_EQ(dying.Call(wire::Method::SetNotifyHWND, "", 77), S_OK);
    ASSERT_EQ(dying.Call(wire::Method::Speak, "abcdefgh"), S_OK);
    wire::Frame f;
    ASSERT_EQ(ReadFrame(dying.notify.Get(), dying.notifyIn, f, 2000), ReadStatus::Frame);
    EXPECT_EQ(std::get<wire::Notify>(f).hwnd, 77u);
    dying.call.Reset();
    dying.notify.Reset();  // gone without answering

    auto tts = Connect();
    TestWindow window;
    tts->SetNotifyHWND(window.hwnd);
    tts->Speak("ok", 0);
    ASSERT_EQ(PumpUntilDone(*tts), S_OK);
    PumpUntilEnd(window);
    EXPECT_EQ(window.Ids().back(), 0x8002u);
}

TEST_F(SocketServerTest, AWindowThatNeverAnswersIsDroppedAfterTheTimeLimit) {
    options.notifyTimeoutMs = 200;
    StartServer();
    RawClient silent;
    ASSERT_TRUE(silent.Open(server->SocketPath()));
    ASSERT_EQ(silent.Call(wire::Method::SetNotifyHWND, "", 77), S_OK);
    ASSERT_EQ(silent.Call(wire::Method::Speak, "abc"), S_OK);
    EXPECT_TRUE(silent.ClosedByServer(3s));
    EXPECT_EQ(server->NotifyWindowOf(silent.objectId), 0u);  // its window no longer receives anything

    auto tts = Connect();
    tts->Speak("more", 0);
    EXPECT_EQ(PumpUntilDone(*tts), S_OK);
}

TEST_F(SocketServerTest, NonsenseOnOneConnectionDropsOnlyThatConnection) {
    options.handshakeTimeoutMs = 200;
    StartServer();
    auto tts = Connect();

    RawClient garbage;
    garbage.call = ConnectUnix(server->SocketPath());
    ASSERT_TRUE(SendAll(garbage.call.Get(), std::string("\xFF\xFF\xFF\x7F junk", 9), 1000));
    EXPECT_TRUE(garbage.ClosedByServer(2s));

    RawClient wrongFirst;
    wrongFirst.call = ConnectUnix(server->SocketPath());
    ASSERT_TRUE(SendAll(wrongFirst.call.Get(), wire::Encode(wire::Reply{1, S_OK}), 1000));
    EXPECT_TRUE(wrongFirst.ClosedByServer(2s));

    RawClient badToken;
    badToken.call = ConnectUnix(server->SocketPath());
    ASSERT_TRUE(SendAll(badToken.call.Get(), wire::Encode(wire::AttachNotify{1, 12345}), 1000));
    EXPECT_TRUE(badToken.ClosedByServer(2s));

    RawClient mute;  // connects and says nothing
    mute.call = ConnectUnix(server->SocketPath());
    EXPECT_TRUE(mute.ClosedByServer(3s));

    RawClient afterHello;
    ASSERT_TRUE(afterHello.Open(server->SocketPath()));
    ASSERT_TRUE(SendAll(afterHello.call.Get(), wire::Encode(wire::Hello{}), 1000));
    EXPECT_TRUE(afterHello.ClosedByServer(2s));

    EXPECT_EQ(tts->IsDone(), S_FALSE);
    tts->Speak("still here", 0);
    EXPECT_EQ(PumpUntilDone(*tts), S_OK);
}

TEST_F(SocketServerTest, TooLargeATextIsRefusedBeforeItIsSent) {
    StartServer();
    auto tts = Connect();
    EXPECT_EQ(tts->Speak(std::string(wire::kMaxFrameBytes, 'a'), 0), E_INVALIDARG);
    EXPECT_EQ(tts->IsDone(), S_FALSE);  // the connection is unharmed
}

TEST_F(SocketServerTest, CallsFailPromptlyOnceTheServerIsGone) {
    StartServer();
    auto tts = Connect();
    ASSERT_EQ(tts->IsDone(), S_FALSE);
    StopServer();
    const auto start = Clock::now();
    EXPECT_EQ(tts->IsDone(), RPC_E_DISCONNECTED);
    EXPECT_EQ(tts->Speak("x", 0), RPC_E_DISCONNECTED);
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(SocketServerTest, TheServerEndsAfterBeingIdleButNotWhileUsed) {
    options.idleMs = 150;
    StartServer();
    {
        auto tts = Connect();
        std::this_thread::sleep_for(400ms);
        EXPECT_FALSE(ran);
        EXPECT_EQ(server->ConnectionCount(), 1u);
    }
    for (int i = 0; i < 200 && !ran; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(ran);
}

TEST(ServerOptions, IdleFiveSecondsThenAPauseOfOneUnlessTheEnvironmentSaysOtherwise) {
    for (const char* name : {"LIPSMITH_TTS_IDLE_MS", "LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "LIPSMITH_TTS_NOTIFY_TIMEOUT_MS"})
        ::unsetenv(name);
    TtsServerOptions o = ServerOptionsFromEnvironment("/run/x");
    EXPECT_EQ(o.runtimeDir, "/run/x");
    EXPECT_EQ(o.idleMs, 5000);
    EXPECT_EQ(o.shutdownPauseMs, 1000);
    EXPECT_EQ(o.notifyTimeoutMs, 30000);
    ::setenv("LIPSMITH_TTS_IDLE_MS", "250", 1);
    ::setenv("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "0", 1);
    ::setenv("LIPSMITH_TTS_NOTIFY_TIMEOUT_MS", "soon", 1);  // not a number: the default stays
    o = ServerOptionsFromEnvironment("/run/x");
    EXPECT_EQ(o.idleMs, 250);
    EXPECT_EQ(o.shutdownPauseMs, 0);
    EXPECT_EQ(o.notifyTimeoutMs, 30000);
    for (const char* name : {"LIPSMITH_TTS_IDLE_MS", "LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", "LIPSMITH_TTS_NOTIFY_TIMEOUT_MS"})
        ::unsetenv(name);
}

TEST_F(SocketServerTest, OnlyOneServerServesAFolder) {
    StartServer();
    TtsEngineDeps deps;
    deps.createVoice = testing::ScriptedVoiceFactory(std::make_shared<testing::VoiceProbe>());
    TtsServer second(options, std::move(deps));
    std::string error;
    EXPECT_EQ(second.Listen(error), TtsServer::ListenResult::AlreadyServed);
    auto tts = Connect();
    EXPECT_EQ(tts->IsDone(), S_FALSE);
}

TEST_F(SocketServerTest, CreatingWithoutAServerToStartFails) {
    client.spawn = true;
    std::unique_ptr<ITTS> tts;
    EXPECT_EQ(ConnectCTTS(client, &tts), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(tts);

    RegistryStore store(dir + "/registry");
    ASSERT_EQ(RegisterServer(store, dir + "/no-such-program"), S_OK);
    const auto start = Clock::now();
    EXPECT_EQ(ConnectCTTS(client, &tts), CO_E_SERVER_EXEC_FAILURE);
    EXPECT_LT(Clock::now() - start, 1s);

    ASSERT_EQ(RegisterServer(store, "/bin/true"), S_OK);  // starts, never listens
    client.startTimeoutMs = 300;
    EXPECT_EQ(ConnectCTTS(client, &tts), CO_E_SERVER_EXEC_FAILURE);

    client.runtimeDir = dir + "/" + std::string(120, 'd');  // no socket can live there
    client.startTimeoutMs = 10000;
    const auto quick = Clock::now();
    EXPECT_EQ(ConnectCTTS(client, &tts), CO_E_SERVER_EXEC_FAILURE);
    EXPECT_LT(Clock::now() - quick, 1s);
}

}  // namespace
}  // namespace lipsmith::tts
