#include "TtsClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "MessageQueue.h"
#include "Protocol.h"
#include "Registration.h"
#include "Registry.h"
#include "RuntimePaths.h"
#include "Socket.h"
#include "Spawn.h"
#include "Utf8.h"

namespace lipsmith::tts {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kAckTimeoutMs = 5000;
constexpr milliseconds kRespawnInterval(1000);
constexpr milliseconds kConnectRetry(10);

// The notification channel's sending side, shared with the acknowledgements
// of notifications still queued when the proxy goes.
struct AckChannel {
    std::mutex mutex;
    UniqueFd fd;
    void Send(std::uint32_t seq, LRESULT result) {
        std::lock_guard lock(mutex);
        SendAll(fd.Get(), wire::Encode(wire::Ack{seq, result}), kAckTimeoutMs);
    }
};

// The proxy. Its two channels are read by one thread at a time: a thread
// waiting in a call reads both itself (its reply, and notifications, which it
// queues and, when they are for its own windows, handles at once), and the
// reader thread reads the notification channel while no call waits. This
// keeps each notification to one hop from the server to the thread that
// handles it whenever the window's thread is waiting on the server.
class TtsProxy final : public ITTS {
public:
    TtsProxy(UniqueFd callFd, wire::FrameBuffer callIn, UniqueFd notifyFd, wire::FrameBuffer notifyIn,
             long callTimeoutMs)
        : callFd_(std::move(callFd)), callIn_(std::move(callIn)), notifyIn_(std::move(notifyIn)),
          callTimeoutMs_(callTimeoutMs) {
        acks_->fd = std::move(notifyFd);
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0) {
            wakeRead_.Reset(pipeFds[0]);
            wakeWrite_.Reset(pipeFds[1]);
        }
        reader_ = std::thread([this] { ReaderMain(); });
    }

    ~TtsProxy() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            changed_.notify_all();
        }
        WakeReader();
        reader_.join();
        ::shutdown(callFd_.Get(), SHUT_RDWR);
        ::shutdown(acks_->fd.Get(), SHUT_RDWR);
    }

    HRESULT Speak(const std::string& text, std::uint32_t flags) override {
        return Call(wire::Method::Speak, text, flags);
    }
    HRESULT SetNotifyHWND(std::int64_t hwnd) override {
        wire::Call call;
        call.method = wire::Method::SetNotifyHWND;
        call.hwnd = hwnd;
        return Invoke(call);
    }
    HRESULT Stop() override { return Call(wire::Method::Stop); }
    HRESULT IsDone() override { return Call(wire::Method::IsDone); }
    HRESULT SetToWaveMode(const std::string& waveFile) override {
        return Call(wire::Method::SetToWaveMode, waveFile);
    }
    HRESULT SetToVoiceMode() override { return Call(wire::Method::SetToVoiceMode); }
    HRESULT ReleaseWaveStream() override { return Call(wire::Method::ReleaseWaveStream); }
    HRESULT SpeechReco(const std::string& grammarText) override {
        return Call(wire::Method::SpeechReco, grammarText);
    }
    HRESULT SetSpeechWaveFile(const std::string& waveFile) override {
        return Call(wire::Method::SetSpeechWaveFile, waveFile);
    }
    HRESULT StopReco() override { return Call(wire::Method::StopReco); }
    HRESULT CheckEngine() override { return Call(wire::Method::CheckEngine); }

private:
    HRESULT Call(wire::Method method, const std::string& text = std::string(), std::uint32_t flags = 0) {
        wire::Call call;
        call.method = method;
        call.text = text;
        call.flags = flags;
        return Invoke(call);
    }

    HRESULT Invoke(wire::Call& call) {
        if (wire::EncodedSize(call) > wire::kMaxFrameBytes + wire::kLengthBytes) return E_INVALIDARG;
        std::unique_lock lock(mutex_);
        if (disconnected_) return RPC_E_DISCONNECTED;
        call.callId = ++nextCallId_;
        const std::uint32_t id = call.callId;
        pending_.emplace(id, std::nullopt);
        lock.unlock();
        bool sent;
        {
            std::lock_guard writeLock(writeMutex_);
            sent = SendAll(callFd_.Get(), wire::Encode(call), static_cast<int>(callTimeoutMs_));
        }
        lock.lock();
        if (!sent) {
            pending_.erase(id);
            disconnected_ = true;
            changed_.notify_all();
            return RPC_E_DISCONNECTED;
        }
        const auto deadline = Clock::now() + milliseconds(callTimeoutMs_);
        std::uint64_t seenNotification = notificationCount_ - 1;  // look at the current one once
        bool readingIo = false;
        auto finish = [&](HRESULT hr) {
            pending_.erase(id);
            if (readingIo) {
                ioTaken_ = false;
                changed_.notify_all();  // the reader thread, or another waiting call, takes over
            }
            return hr;
        };
        for (;;) {
            auto it = pending_.find(id);
            if (it->second) return finish(*it->second);
            if (disconnected_) return finish(RPC_E_DISCONNECTED);
            if (Clock::now() >= deadline) return finish(RPC_E_TIMEOUT);
            if (seenNotification != notificationCount_) {
                seenNotification = notificationCount_;
                const HWND hwnd = currentHwnd_;
                std::shared_ptr<MessageExtra> extra = currentExtra_.lock();
                lock.unlock();
                if (extra) DispatchIfQueuedHere(hwnd, extra);
                extra.reset();
                lock.lock();
                continue;
            }
            if (!ioTaken_) {
                ioTaken_ = true;
                readingIo = true;
                // The reader thread lets go of the notification channel first.
                WakeReader();
                changed_.wait(lock, [&] { return readerParked_ || readerGone_; });
                continue;
            }
            if (readingIo) {
                lock.unlock();
                const bool open = ReadChannels(deadline);
                lock.lock();
                if (!open) disconnected_ = true;
                changed_.notify_all();
                continue;
            }
            changed_.wait_until(lock, deadline);
        }
    }

    // One wait for the call and notification channels (or the deadline);
    // files the replies and queues the notifications that came. False once
    // either channel is over.
    bool ReadChannels(Clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        pollfd fds[2] = {{callFd_.Get(), POLLIN, 0}, {acks_->fd.Get(), POLLIN, 0}};
        const int rc = PollSpinning(fds, 2, static_cast<int>(std::max<long long>(left, 0) + 1), kAnswerSpinMicros);
        if (rc < 0) return errno == EINTR;
        char chunk[4096];
        if (fds[1].revents && !Drain(acks_->fd.Get(), notifyIn_, chunk, sizeof chunk, false)) return false;
        if (fds[0].revents && !Drain(callFd_.Get(), callIn_, chunk, sizeof chunk, true)) return false;
        return true;
    }

    // Handles the server's pending notification now if it waits in the
    // calling thread's own queue, at its head for that window.
    static void DispatchIfQueuedHere(HWND hwnd, const std::shared_ptr<MessageExtra>& extra) {
        MSG msg;
        if (!PeekMessage(&msg, hwnd, PM_NOREMOVE) || msg.extra != extra) return;
        if (!PeekMessage(&msg, hwnd, PM_REMOVE)) return;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }

    void WakeReader() {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeWrite_.Get(), &c, 1);
    }

    // Reads the notification channel while no call does.
    void ReaderMain() {
        char chunk[65536];
        bool open = true;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                if (ioTaken_ && !stopping_) {
                    readerParked_ = true;
                    changed_.notify_all();
                    changed_.wait(lock, [&] { return !ioTaken_ || stopping_; });
                    readerParked_ = false;
                }
                if (stopping_ || disconnected_) break;
            }
            pollfd fds[2] = {{acks_->fd.Get(), POLLIN, 0}, {wakeRead_.Get(), POLLIN, 0}};
            if (PollSpinning(fds, 2, -1, kAnswerSpinMicros) < 0) {
                if (errno == EINTR) continue;
                open = false;
                break;
            }
            if (fds[1].revents) {
                char buf[64];
                while (::read(wakeRead_.Get(), buf, sizeof buf) > 0) {
                }
                continue;
            }
            // The end of the server shows here even while no call is made.
            if (fds[0].revents && !Drain(acks_->fd.Get(), notifyIn_, chunk, sizeof chunk, false)) {
                open = false;
                break;
            }
        }
        std::lock_guard lock(mutex_);
        if (!open) disconnected_ = true;
        readerGone_ = true;
        changed_.notify_all();
    }

    // Reads what is there and handles every whole frame; false once the
    // connection is over (closed, broken or sending nonsense).
    bool Drain(int fd, wire::FrameBuffer& buffer, char* chunk, std::size_t size, bool callChannel) {
        for (;;) {
            const ssize_t n = ::recv(fd, chunk, size, MSG_DONTWAIT);
            if (n > 0) {
                buffer.Append(chunk, static_cast<std::size_t>(n));
                if (static_cast<std::size_t>(n) < size) break;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            return false;
        }
        for (;;) {
            wire::DecodeResult r = buffer.Next();
            if (r.status == wire::DecodeStatus::NeedMore) return true;
            if (r.status == wire::DecodeStatus::Malformed) return false;
            if (callChannel) {
                const auto* reply = std::get_if<wire::Reply>(&r.frame);
                if (!reply) return false;
                std::lock_guard lock(mutex_);
                auto it = pending_.find(reply->callId);
                if (it != pending_.end()) it->second = reply->result;  // else a call that gave up
                changed_.notify_all();
            } else {
                const auto* notify = std::get_if<wire::Notify>(&r.frame);
                if (!notify) return false;
                Deliver(*notify);
            }
        }
    }

    void Deliver(const wire::Notify& notify) {
        auto extra = std::make_shared<MessageExtra>();
        LPARAM lParam = notify.lParam;
        if (notify.hasText) {
            extra->text = Utf8ToWide(notify.text);
            lParam = reinterpret_cast<LPARAM>(extra->text.c_str());
        }
        // Runs once the window has handled the message, or when it is dropped.
        extra->completion = [acks = acks_, seq = notify.seq](LRESULT result) { acks->Send(seq, result); };
        std::weak_ptr<MessageExtra> queued = extra;
        // Without a window here the extra goes at once, answering with 0.
        if (!PostMessage(notify.hwnd, notify.message, notify.wParam, lParam, std::move(extra))) return;
        // Queued: a call waiting on the window's own thread may now handle it.
        std::lock_guard lock(mutex_);
        currentHwnd_ = notify.hwnd;
        currentExtra_ = queued;
        ++notificationCount_;
        changed_.notify_all();
    }

    UniqueFd callFd_;
    wire::FrameBuffer callIn_;    // read by the thread that has taken the channels
    wire::FrameBuffer notifyIn_;  // likewise, or by the reader thread
    std::shared_ptr<AckChannel> acks_ = std::make_shared<AckChannel>();
    const long callTimeoutMs_;
    UniqueFd wakeRead_, wakeWrite_;

    std::mutex writeMutex_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::uint32_t, std::optional<HRESULT>> pending_;
    std::uint32_t nextCallId_ = 0;
    bool disconnected_ = false;
    bool ioTaken_ = false;       // a waiting call reads both channels
    bool readerParked_ = false;  // the reader thread has let go of the notification channel
    bool readerGone_ = false;
    bool stopping_ = false;
    std::uint64_t notificationCount_ = 0;
    HWND currentHwnd_ = 0;
    std::weak_ptr<MessageExtra> currentExtra_;

    std::thread reader_;
};

enum class Handshake { Done, Retry, Fail };

// Opens the call channel and the notification channel of a new object.
Handshake Open(const std::string& socketPath, long timeoutMs, std::unique_ptr<ITTS>* out) {
    UniqueFd call = ConnectUnix(socketPath);
    if (!call.Valid()) return Handshake::Retry;
    wire::FrameBuffer callIn;
    wire::Frame frame;
    if (!SendAll(call.Get(), wire::Encode(wire::Hello{}), static_cast<int>(timeoutMs))) return Handshake::Retry;
    const ReadStatus welcomeStatus = ReadFrame(call.Get(), callIn, frame, static_cast<int>(timeoutMs));
    // A server closing just as we knocked: try again (another will start).
    if (welcomeStatus == ReadStatus::Closed) return Handshake::Retry;
    const auto* welcome = std::get_if<wire::Welcome>(&frame);
    if (welcomeStatus != ReadStatus::Frame || !welcome) return Handshake::Fail;

    UniqueFd notify = ConnectUnix(socketPath);
    if (!notify.Valid()) return Handshake::Retry;
    wire::FrameBuffer notifyIn;
    if (!SendAll(notify.Get(), wire::Encode(wire::AttachNotify{welcome->objectId, welcome->token}),
                 static_cast<int>(timeoutMs))) {
        return Handshake::Retry;
    }
    const ReadStatus attachStatus = ReadFrame(notify.Get(), notifyIn, frame, static_cast<int>(timeoutMs));
    if (attachStatus == ReadStatus::Closed) return Handshake::Retry;
    const auto* attached = std::get_if<wire::Attached>(&frame);
    if (attachStatus != ReadStatus::Frame || !attached || FAILED(attached->result)) return Handshake::Fail;

    *out = std::make_unique<TtsProxy>(std::move(call), std::move(callIn), std::move(notify), std::move(notifyIn),
                                      timeoutMs);
    return Handshake::Done;
}

}  // namespace

ClientOptions ClientOptionsFromEnvironment() {
    ClientOptions o;
    o.startTimeoutMs = EnvMilliseconds("LIPSMITH_TTS_START_TIMEOUT_MS", o.startTimeoutMs);
    o.callTimeoutMs = EnvMilliseconds("LIPSMITH_TTS_CALL_TIMEOUT_MS", o.callTimeoutMs);
    return o;
}

std::string RegisteredServerProgram() {
    // A fresh look at the store: the server may have been registered since
    // this process first read it.
    RegistryStore store(RegistryStore::DefaultPath());
    std::string program;
    if (store.QueryValue(Hive::ClassesRoot, LocalServerKeyPath(), "", program) != ERROR_SUCCESS) return {};
    if (!program.empty() && program.front() == '"') {
        const auto close = program.find('"', 1);
        program = program.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return program;
}

HRESULT ConnectCTTS(const ClientOptions& options, std::unique_ptr<ITTS>* out) {
    if (!out) return E_POINTER;
    out->reset();
    std::string error;
    const std::string dir = options.runtimeDir.empty() ? RuntimeDirectory(&error) : options.runtimeDir;
    if (dir.empty()) {
        std::fprintf(stderr, "Lipsmith: %s\n", error.c_str());
        return CO_E_SERVER_EXEC_FAILURE;
    }
    const std::string socketPath = SocketPathIn(dir);
    if (socketPath.size() >= sizeof(sockaddr_un::sun_path)) {
        std::fprintf(stderr, "Lipsmith: the socket path '%s' is too long\n", socketPath.c_str());
        return CO_E_SERVER_EXEC_FAILURE;
    }
    const auto deadline = Clock::now() + milliseconds(options.startTimeoutMs);
    std::optional<Clock::time_point> lastSpawn;
    for (;;) {
        switch (Open(socketPath, options.callTimeoutMs, out)) {
            case Handshake::Done: return S_OK;
            case Handshake::Fail: return CO_E_SERVER_EXEC_FAILURE;
            case Handshake::Retry: break;
        }
        const auto now = Clock::now();
        if (options.spawn && (!lastSpawn || now - *lastSpawn >= kRespawnInterval)) {
            const std::string program = RegisteredServerProgram();
            if (program.empty()) return REGDB_E_CLASSNOTREG;
            if (!SpawnDetached(program, "-Embedding", error)) {
                std::fprintf(stderr, "Lipsmith: %s\n", error.c_str());
                return CO_E_SERVER_EXEC_FAILURE;
            }
            lastSpawn = now;
        } else if (!options.spawn && !lastSpawn) {
            lastSpawn = now;
        }
        if (Clock::now() >= deadline) return CO_E_SERVER_EXEC_FAILURE;
        std::this_thread::sleep_for(kConnectRetry);
    }
}

}  // namespace lipsmith::tts

namespace lipsmith {

HRESULT CreateCTTS(std::unique_ptr<ITTS>* out) {
    return tts::ConnectCTTS(tts::ClientOptionsFromEnvironment(), out);
}

}  // namespace lipsmith
