// Notification round trips per second over the socket: an in-process server
// whose voice reports a flood of phoneme events at once, and a client whose
// window handles each one before the server sends the next. Beside it, a
// plain ping-pong of the same frames over a socket pair between two threads
// that sleep in poll() for each answer (the server and client look a few
// microseconds before they sleep, which is what puts them above it).
//
//   bench_tts_roundtrip [COUNT]
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "MessageQueue.h"
#include "Socket.h"
#include "TtsClient.h"
#include "TtsServer.h"

namespace {

using namespace lipsmith;
using Clock = std::chrono::steady_clock;

// A voice that has everything to say at once: `count` phonemes per Speak.
class FloodVoice : public speech::ISpVoice {
public:
    explicit FloodVoice(std::size_t count) : count_(count) {}
    ~FloodVoice() override {
        if (window_) DestroyMessageWindow(window_);
    }
    HRESULT SetNotifyCallbackFunction(std::function<void()> cb) override {
        callback_ = std::move(cb);
        window_ = CreateMessageWindow([this](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            callback_();
            return 0;
        });
        return S_OK;
    }
    HRESULT SetInterest(std::uint64_t, std::uint64_t) override { return S_OK; }
    HRESULT Speak(const std::string& text, std::uint32_t, std::uint32_t*) override {
        if (text.empty()) return S_OK;
        {
            std::lock_guard lock(mutex_);
            Push(speech::SPEI_START_INPUT_STREAM, 0, 0);
            for (std::size_t i = 0; i < count_; ++i) Push(speech::SPEI_PHONEME, 40u << 16, 10 + i % 30);
            Push(speech::SPEI_END_INPUT_STREAM, 0, 0);
        }
        PostMessage(window_, WM_APP, 0, 0);
        return S_OK;
    }
    HRESULT WaitUntilDone(std::uint32_t timeoutMs) override {
        // Everything is queued at once: only the fetching is left to wait for.
        std::lock_guard lock(mutex_);
        (void)timeoutMs;
        return events_.empty() ? S_OK : S_FALSE;
    }
    HRESULT GetEvents(std::uint32_t count, speech::SPEVENT* events, std::uint32_t* fetched) override {
        std::lock_guard lock(mutex_);
        std::uint32_t n = 0;
        while (n < count && !events_.empty()) {
            events[n++] = events_.front();
            events_.pop_front();
        }
        *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT SetOutput(std::shared_ptr<speech::AudioSink>, bool) override { return S_OK; }
    HRESULT GetOutputStream(std::shared_ptr<speech::AudioSink>* out) override {
        out->reset();
        return S_OK;
    }
    HRESULT SetVoice(const speech::VoiceToken&) override { return S_OK; }
    HRESULT GetVoice(speech::VoiceToken*) override { return S_OK; }

private:
    void Push(speech::SPEVENTENUM id, WPARAM w, LPARAM l) {
        speech::SPEVENT e;
        e.eEventId = id;
        e.wParam = w;
        e.lParam = l;
        events_.push_back(e);
    }
    std::size_t count_;
    std::function<void()> callback_;
    HWND window_ = 0;
    std::mutex mutex_;
    std::deque<speech::SPEVENT> events_;
};

// Round trips of a notification-sized frame and its ack between two threads.
double PingPongPerSecond(std::size_t count) {
    int pair[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair);
    tts::UniqueFd a(pair[0]), b(pair[1]);
    std::thread echo([&] {
        tts::wire::FrameBuffer in;
        tts::wire::Frame f;
        for (std::size_t i = 0; i < count; ++i) {
            if (tts::ReadFrame(b.Get(), in, f, 5000) != tts::ReadStatus::Frame) return;
            tts::SendAll(b.Get(), tts::wire::Encode(tts::wire::Ack{std::get<tts::wire::Notify>(f).seq, 0}), 5000);
        }
    });
    tts::wire::FrameBuffer in;
    tts::wire::Frame f;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        tts::SendAll(a.Get(), tts::wire::Encode(tts::wire::Notify{static_cast<std::uint32_t>(i), 1, 0x8006, 40u << 16, 10, false, ""}), 5000);
        tts::ReadFrame(a.Get(), in, f, 5000);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    echo.join();
    return count / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/tts_bench.XXXXXX";
    if (!mkdtemp(pattern.data())) return 1;
    const std::string dir = pattern;

    tts::TtsServerOptions options;
    options.runtimeDir = dir;
    tts::TtsEngineDeps deps;
    deps.createVoice = [count](std::unique_ptr<speech::ISpVoice>* v) {
        *v = std::make_unique<FloodVoice>(count);
        return S_OK;
    };
    tts::TtsServer server(options, std::move(deps));
    std::string error;
    if (server.Listen(error) != tts::TtsServer::ListenResult::Listening) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    std::thread runner([&] { server.Run(); });

    tts::ClientOptions client;
    client.runtimeDir = dir;
    client.spawn = false;
    std::unique_ptr<ITTS> proxy;
    if (FAILED(tts::ConnectCTTS(client, &proxy))) return 1;

    std::size_t handled = 0;
    bool ended = false;
    HWND hwnd = CreateMessageWindow([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        ++handled;
        ended = m == WM_APP + speech::SPEI_END_INPUT_STREAM;
        return 0;
    });
    proxy->SetNotifyHWND(hwnd);

    // 1. The window thread only pumps its queue.
    auto start = Clock::now();
    proxy->Speak("flood", 11);
    MSG msg;
    while (!ended && GetMessage(&msg, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    const double pumped = std::chrono::duration<double>(Clock::now() - start).count();
    const std::size_t pumpedCount = handled;

    // 2. The utility's wait loop: one IsDone call and at most one message per turn.
    handled = 0;
    ended = false;
    start = Clock::now();
    proxy->Speak("flood", 11);
    while (proxy->IsDone() == S_FALSE || !ended) {
        if (PeekMessage(&msg, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    const double polled = std::chrono::duration<double>(Clock::now() - start).count();
    const std::size_t polledCount = handled;

    const double floor = PingPongPerSecond(count);
    proxy.reset();
    server.RequestStop();
    runner.join();
    server.Close();
    std::filesystem::remove_all(dir);

    const double rate = pumpedCount / pumped;
    std::printf("notification round trips over the socket (%zu notifications)\n", pumpedCount);
    std::printf("  %-42s %12.0f /s  %6.1f us each\n", "window pumping its queue:", rate, 1e6 / rate);
    std::printf("  %-42s %12.0f /s  %6.1f us each\n", "utility wait loop (IsDone per message):", polledCount / polled,
                1e6 * polled / polledCount);
    std::printf("  %-42s %12.0f /s  %6.1f us each\n", "blocking frame ping-pong (reference):", floor, 1e6 / floor);
    std::printf("  ratio notification / reference: %.2f   target >= 20000 /s: %s\n", rate / floor,
                rate >= 20000 ? "met" : "NOT met");
    return 0;
}
