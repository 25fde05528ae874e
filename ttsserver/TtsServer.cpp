#include "TtsServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "MessageBox.h"
#include "RuntimePaths.h"
#include "Utf8.h"

namespace lipsmith::tts {

namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t RandomToken() {
    std::random_device rd;
    return (static_cast<std::uint64_t>(rd()) << 32) ^ rd();
}

}  // namespace

// The notification channel of one object. The worker uses it while sending;
// the main thread only shuts it down (waking a worker blocked on it) and lets
// the last owner close it.
struct TtsServer::NotifyChannel {
    std::uint64_t owner = 0;
    UniqueFd fd;
    wire::FrameBuffer in;
    std::uint32_t seq = 0;
};

struct TtsServer::Connection {
    std::uint64_t id = 0;
    std::uint64_t token = 0;
    UniqueFd fd;
    wire::FrameBuffer in;
    std::string out;
    enum class Role { Pending, Object } role = Role::Pending;
    Clock::time_point opened = Clock::now();
    std::shared_ptr<NotifyChannel> notify;
    std::unique_ptr<TtsEngine> engine;  // once it is an object
    struct Switch {
        std::uint32_t callId = 0;
        TtsEngine::OutputSwitch to = TtsEngine::OutputSwitch::Voice;
        std::string waveFile;
    };
    std::deque<Switch> switches;  // the first one is with the worker
};

TtsServerOptions ServerOptionsFromEnvironment(const std::string& runtimeDir) {
    TtsServerOptions o;
    o.runtimeDir = runtimeDir;
    o.idleMs = EnvMilliseconds("LIPSMITH_TTS_IDLE_MS", o.idleMs);
    o.shutdownPauseMs = EnvMilliseconds("LIPSMITH_TTS_SHUTDOWN_PAUSE_MS", o.shutdownPauseMs);
    o.notifyTimeoutMs = EnvMilliseconds("LIPSMITH_TTS_NOTIFY_TIMEOUT_MS", o.notifyTimeoutMs);
    return o;
}

TtsServer::TtsServer(TtsServerOptions options, TtsEngineDeps deps)
    : options_(std::move(options)), deps_(std::move(deps)) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_.Reset(pipeFds[0]);
        wakeWrite_.Reset(pipeFds[1]);
    }
}

TtsServer::~TtsServer() { Close(); }

void TtsServer::Log(const std::string& line) const {
    if (options_.log) options_.log(line);
}

std::unique_ptr<TtsEngine> TtsServer::MakeEngine(std::uint64_t objectId) {
    TtsEngineDeps deps = deps_;
    deps.notify = [this, objectId](HWND h, UINT m, WPARAM w, LPARAM l, const std::wstring* t) {
        SendNotification(objectId, h, m, w, l, t);
    };
    deps.stateChanged = [this] { Wake(); };
    if (!deps.log) deps.log = options_.log;
    // The server has no window: its message boxes are shown by the client
    // whose object raised them, or, without a notify window, logged.
    deps.showError = [this, objectId, fallback = deps_.showError](const std::string& text, const std::string& caption) {
        const HWND hwnd = NotifyWindowOf(objectId);
        const unsigned type = caption.empty() ? MB_OK : MB_OK | MB_ICONERROR;
        const std::wstring payload = Utf8ToWide(caption) + kMessageBoxSeparator + Utf8ToWide(text);
        if (hwnd != 0 && SendNotification(objectId, hwnd, kMsgServerMessageBox, type, 0, &payload)) return;
        if (fallback) fallback(text, caption);
    };
    auto engine = std::make_unique<TtsEngine>(std::move(deps));
    {
        std::lock_guard lock(routeMutex_);
        engines_[objectId] = engine.get();
    }
    engine->Start();
    return engine;
}

HWND TtsServer::NotifyWindowOf(std::uint64_t objectId) const {
    std::lock_guard lock(routeMutex_);
    auto it = engines_.find(objectId);
    return it == engines_.end() ? 0 : it->second->NotifyWindow();
}

void TtsServer::ReapRetired(bool wait) {
    for (auto it = retiring_.begin(); it != retiring_.end();) {
        if (wait || !(*it)->WorkerAlive()) {
            it->reset();  // joins the worker, which has ended or is ending
            it = retiring_.erase(it);
        } else {
            ++it;
        }
    }
    retiringCount_ = retiring_.size();
}

TtsServer::ListenResult TtsServer::Listen(std::string& error) {
    const std::string lockPath = LockPathIn(options_.runtimeDir);
    lock_.Reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock_.Valid()) {
        error = "cannot open the lock file '" + lockPath + "': " + std::strerror(errno);
        return ListenResult::Failed;
    }
    if (::flock(lock_.Get(), LOCK_EX | LOCK_NB) != 0) {
        lock_.Reset();
        if (errno == EWOULDBLOCK) return ListenResult::AlreadyServed;
        error = "cannot lock '" + lockPath + "': " + std::strerror(errno);
        return ListenResult::Failed;
    }
    // The lock file names the serving process, for people and tests.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(lock_.Get(), 0) == 0) {
        [[maybe_unused]] ssize_t n = ::pwrite(lock_.Get(), pid.data(), pid.size(), 0);
    }
    socketPath_ = SocketPathIn(options_.runtimeDir);
    listen_ = ListenUnix(socketPath_, error);
    if (!listen_.Valid()) {
        lock_.Reset();
        return ListenResult::Failed;
    }
    SetNonBlocking(listen_.Get());
    return ListenResult::Listening;
}

void TtsServer::RequestStop() {
    stopRequested_ = true;
    Wake();
}

void TtsServer::Wake() {
    if (wakeWrite_.Valid()) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeWrite_.Get(), &c, 1);
    }
}

TtsServer::EndReason TtsServer::Run() {
    // When the last client left; unset while there are clients.
    Clock::time_point idleSince{};
    bool idle = false;
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> ids;
    while (!stopRequested_) {
        DropRequestedByWorker();
        ReapRetired(false);
        const auto now = Clock::now();

        // Handshakes that never finish would keep the server alive for nothing.
        std::vector<std::uint64_t> stale;
        for (auto& [id, c] : connections_) {
            if (c->role == Connection::Role::Pending &&
                now - c->opened > std::chrono::milliseconds(options_.handshakeTimeoutMs)) {
                stale.push_back(id);
            }
        }
        for (std::uint64_t id : stale) Drop(id, "no handshake");

        int timeoutMs = 1000;
        if (connections_.empty()) {
            if (!idle) idleSince = now;
            idle = true;
            const auto idleFor = std::chrono::duration_cast<std::chrono::milliseconds>(now - idleSince).count();
            if (idleFor >= options_.idleMs) {
                pollfd p{listen_.Get(), POLLIN, 0};
                if (::poll(&p, 1, 0) <= 0) return EndReason::Idle;  // nobody knocking: time to go
            } else {
                timeoutMs = static_cast<int>(std::min<long>(timeoutMs, options_.idleMs - idleFor));
            }
        } else {
            idle = false;
        }

        AnswerSwitches();
        timeoutMs = AnswerHeldCalls(timeoutMs);
        fds.clear();
        ids.clear();
        fds.push_back({wakeRead_.Get(), POLLIN, 0});
        fds.push_back({listen_.Get(), POLLIN, 0});
        for (auto& [id, c] : connections_) {
            fds.push_back({c->fd.Get(), static_cast<short>(POLLIN | (c->out.empty() ? 0 : POLLOUT)), 0});
            ids.push_back(id);
        }
        const int rc = ::poll(fds.data(), fds.size(), timeoutMs);
        if (rc < 0 && errno != EINTR) return EndReason::Failed;
        if (rc <= 0) continue;
        if (fds[0].revents) {
            char buf[64];
            while (::read(wakeRead_.Get(), buf, sizeof buf) > 0) {
            }
        }
        if (fds[1].revents & POLLIN) AcceptAll();
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const short revents = fds[i + 2].revents;
            if (!revents) continue;
            auto it = connections_.find(ids[i]);
            if (it == connections_.end()) continue;
            Connection& c = *it->second;
            if (revents & POLLOUT) Flush(c);
            if (revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(c);
        }
    }
    return EndReason::Stopped;
}

void TtsServer::AcceptAll() {
    for (;;) {
        const int fd = ::accept4(listen_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // Out of descriptors: the knock stays pending; do not spin on it.
            if (errno == EMFILE || errno == ENFILE) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return;
        }
        auto c = std::make_unique<Connection>();
        c->id = nextId_++;
        c->token = RandomToken();
        c->fd.Reset(fd);
        connections_.emplace(c->id, std::move(c));
        connectionCount_ = connections_.size();
    }
}

void TtsServer::ReadFrom(Connection& c) {
    const std::uint64_t id = c.id;
    char chunk[65536];
    bool closed = false;
    // A bounded helping per turn, so a client that never stops writing
    // cannot keep the loop from the others.
    for (int reads = 0; reads < 16; ++reads) {
        const ssize_t n = ::recv(c.fd.Get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            c.in.Append(chunk, static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < sizeof chunk) break;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        closed = true;
        break;
    }
    for (;;) {
        wire::DecodeResult r = c.in.Next();
        if (r.status == wire::DecodeStatus::NeedMore) break;
        if (r.status == wire::DecodeStatus::Malformed) {
            Drop(id, r.error);
            return;
        }
        HandleFrame(c, r.frame);
        // The frame may have dropped the connection or handed it over.
        auto it = connections_.find(id);
        if (it == connections_.end() || it->second.get() != &c) return;
    }
    if (closed) Drop(id, std::string());
}

void TtsServer::HandleFrame(Connection& c, wire::Frame& frame) {
    if (c.role == Connection::Role::Object) {
        if (auto* call = std::get_if<wire::Call>(&frame)) {
            HandleCall(c, *call);
            return;
        }
        Drop(c.id, "unexpected frame on a call channel");
        return;
    }
    if (auto* hello = std::get_if<wire::Hello>(&frame)) {
        if (hello->magic != wire::kMagic || hello->version != wire::kProtocolVersion) {
            Drop(c.id, "client speaks another protocol version");
            return;
        }
        c.role = Connection::Role::Object;
        c.engine = MakeEngine(c.id);
        c.out += wire::Encode(wire::Welcome{wire::kProtocolVersion, c.id, c.token});
        Flush(c);
        return;
    }
    if (auto* attach = std::get_if<wire::AttachNotify>(&frame)) {
        auto owner = connections_.find(attach->objectId);
        if (owner == connections_.end() || owner->second->role != Connection::Role::Object ||
            owner->second->token != attach->token || owner->second->notify || c.in.Pending() != 0) {
            Drop(c.id, "bad notification channel request");
            return;
        }
        auto channel = std::make_shared<NotifyChannel>();
        channel->owner = attach->objectId;
        channel->fd = std::move(c.fd);
        if (!SendAll(channel->fd.Get(), wire::Encode(wire::Attached{S_OK}), 1000)) {
            Drop(c.id, std::string());
            return;
        }
        owner->second->notify = channel;
        {
            std::lock_guard lock(routeMutex_);
            channels_[attach->objectId] = channel;
        }
        connections_.erase(c.id);
        connectionCount_ = connections_.size();
        return;
    }
    Drop(c.id, "unexpected first frame");
}

void TtsServer::HandleCall(Connection& c, const wire::Call& call) {
    using wire::Method;
    TtsEngine& engine = *c.engine;
    HRESULT hr = E_FAIL;
    switch (call.method) {
        case Method::Speak: hr = engine.Speak(call.text, call.flags); break;
        case Method::SetNotifyHWND: hr = engine.SetNotifyHWND(call.hwnd); break;
        case Method::Stop: hr = engine.Stop(); break;
        case Method::IsDone:
            hr = engine.IsDone();
            if (hr == S_FALSE && options_.isDoneHoldMs > 0) {
                held_.push_back({c.id, call.callId, Clock::now() + std::chrono::milliseconds(options_.isDoneHoldMs)});
                return;
            }
            break;
        case Method::SetToWaveMode:
        case Method::SetToVoiceMode: {
            const bool wave = call.method == Method::SetToWaveMode;
            c.switches.push_back({call.callId, wave ? TtsEngine::OutputSwitch::Wave : TtsEngine::OutputSwitch::Voice,
                                  wave ? call.text : std::string()});
            if (c.switches.size() == 1) StartSwitch(c);
            return;
        }
        case Method::ReleaseWaveStream: hr = engine.ReleaseWaveStream(); break;
        case Method::SpeechReco: hr = engine.SpeechReco(call.text); break;
        case Method::SetSpeechWaveFile: hr = engine.SetSpeechWaveFile(call.text); break;
        case Method::StopReco: hr = engine.StopReco(); break;
        case Method::CheckEngine: hr = engine.CheckEngine(); break;
    }
    Reply(c, call.callId, hr);
}

void TtsServer::Reply(Connection& c, std::uint32_t callId, HRESULT hr) {
    c.out += wire::Encode(wire::Reply{callId, hr});
    if (c.out.size() > options_.maxPendingOutput) {
        Drop(c.id, "client does not read its replies");
        return;
    }
    Flush(c);
}

void TtsServer::StartSwitch(Connection& c) {
    while (!c.switches.empty()) {
        const Connection::Switch& s = c.switches.front();
        const HRESULT hr = c.engine->BeginSwitch(s.to, s.waveFile);
        if (SUCCEEDED(hr)) return;  // answered once the worker has done it
        const std::uint32_t callId = s.callId;
        c.switches.pop_front();
        const std::uint64_t id = c.id;
        Reply(c, callId, hr);
        if (connections_.find(id) == connections_.end()) return;  // dropped
    }
}

void TtsServer::AnswerSwitches() {
    std::vector<std::uint64_t> ids;
    for (auto& [id, c] : connections_) {
        if (!c->switches.empty()) ids.push_back(id);
    }
    for (std::uint64_t id : ids) {
        auto it = connections_.find(id);
        if (it == connections_.end()) continue;
        Connection& c = *it->second;
        const std::optional<HRESULT> done = c.engine->SwitchResult(c.switches.front().to);
        if (!done) continue;
        const std::uint32_t callId = c.switches.front().callId;
        c.switches.pop_front();
        Reply(c, callId, *done);
        if (connections_.find(id) != connections_.end()) StartSwitch(c);
    }
}

int TtsServer::AnswerHeldCalls(int fallback) {
    if (held_.empty()) return fallback;
    const auto now = Clock::now();
    int next = fallback;
    std::vector<HeldCall> keep;
    std::vector<std::uint64_t> touched;
    for (const HeldCall& h : held_) {
        auto it = connections_.find(h.connection);
        if (it == connections_.end()) continue;
        const HRESULT hr = it->second->engine->IsDone();
        if (hr == S_FALSE && now < h.due) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(h.due - now).count() + 1;
            next = std::min<int>(next, static_cast<int>(left));
            keep.push_back(h);
            continue;
        }
        it->second->out += wire::Encode(wire::Reply{h.callId, hr});
        touched.push_back(h.connection);
    }
    held_.swap(keep);
    for (std::uint64_t id : touched) {
        auto it = connections_.find(id);
        if (it != connections_.end()) Flush(*it->second);
    }
    return next;
}

void TtsServer::Flush(Connection& c) {
    while (!c.out.empty()) {
        const ssize_t n = ::send(c.fd.Get(), c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.out.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return;  // full (POLLOUT will call again) or broken (POLLIN/HUP will drop it)
    }
}

void TtsServer::Drop(std::uint64_t id, const std::string& why) {
    auto it = connections_.find(id);
    if (it == connections_.end()) return;
    if (!why.empty()) Log("dropped a client: " + why);
    {
        std::lock_guard lock(routeMutex_);
        channels_.erase(id);
        engines_.erase(id);
    }
    std::shared_ptr<NotifyChannel> channel = std::move(it->second->notify);
    std::unique_ptr<TtsEngine> engine = std::move(it->second->engine);
    connections_.erase(it);
    connectionCount_ = connections_.size();
    // Wake a worker that waits on this channel; the fd closes with its last owner.
    if (channel) ::shutdown(channel->fd.Get(), SHUT_RDWR);
    if (!engine) return;
    // Nobody listens to this object any more: it stops speaking and drops its
    // queued work; its worker ends on its own time.
    engine->BeginShutdown();
    retiring_.push_back(std::move(engine));
    retiringCount_ = retiring_.size();
}

void TtsServer::DropRequestedByWorker() {
    std::vector<std::pair<std::uint64_t, std::string>> drops;
    {
        std::lock_guard lock(routeMutex_);
        drops.swap(workerDrops_);
    }
    for (auto& [id, why] : drops) Drop(id, why);
}

// Worker thread of the object: one synchronous notification.
bool TtsServer::SendNotification(std::uint64_t objectId, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                 const std::wstring* text) {
    std::shared_ptr<NotifyChannel> channel;
    {
        std::lock_guard lock(routeMutex_);
        auto it = channels_.find(objectId);
        if (it == channels_.end()) return false;
        channel = it->second;
    }
    wire::Notify notify;
    notify.seq = ++channel->seq;
    notify.hwnd = hwnd;
    notify.message = message;
    notify.wParam = wParam;
    notify.lParam = lParam;
    if (text) {
        notify.hasText = true;
        notify.text = WideToUtf8(*text);
    }
    const int timeout = static_cast<int>(options_.notifyTimeoutMs);
    std::string why;
    if (!SendAll(channel->fd.Get(), wire::Encode(notify), timeout)) {
        why = "notification could not be sent";
    } else {
        wire::Frame frame;
        switch (ReadFrame(channel->fd.Get(), channel->in, frame, timeout, true)) {
            case ReadStatus::Frame: {
                const auto* ack = std::get_if<wire::Ack>(&frame);
                if (!ack || ack->seq != notify.seq) why = "wrong answer to a notification";
                break;
            }
            case ReadStatus::Timeout: why = "notification not answered in time"; break;
            case ReadStatus::Closed: why = "client gone during a notification"; break;
            case ReadStatus::Malformed: why = "malformed answer to a notification"; break;
        }
    }
    if (why.empty()) return true;
    if (why == "client gone during a notification") why.clear();  // an ordinary exit, not worth a line
    // Give up on this client: no further notifications go its way, and the
    // main thread drops its connection.
    ::shutdown(channel->fd.Get(), SHUT_RDWR);
    {
        std::lock_guard lock(routeMutex_);
        channels_.erase(channel->owner);
        workerDrops_.emplace_back(channel->owner, why);
    }
    Wake();
    return false;
}

void TtsServer::Close() {
    if (closed_) return;
    closed_ = true;
    std::vector<std::uint64_t> ids;
    for (auto& [id, c] : connections_) ids.push_back(id);
    for (std::uint64_t id : ids) Drop(id, std::string());
    ReapRetired(true);
    if (listen_.Valid()) {
        listen_.Reset();
        ::unlink(socketPath_.c_str());
    }
    lock_.Reset();
}

}  // namespace lipsmith::tts
