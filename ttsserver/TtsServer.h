// The socket side of Lipsmith_TTS: one listening Unix domain socket, one
// connection per CTTS object (plus that object's notification channel), and
// a main loop that runs the ITTS methods on the engine one at a time. The
// engine's worker sends notifications straight down the notification channel
// of the object that set the notify window and waits for the client's ack.
//
// A client that dies, sends a malformed or oversized frame, floods replies it
// never reads, or leaves a notification unanswered for notifyTimeoutMs is
// dropped; the server carries on with the others.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "Socket.h"
#include "TtsEngine.h"

namespace lipsmith::tts {

struct TtsServerOptions {
    std::string runtimeDir;
    long idleMs = 5000;            // no connection for this long: shut down
    long notifyTimeoutMs = 30000;  // a notification not acknowledged by then drops its client
    long handshakeTimeoutMs = 10000;
    std::size_t maxPendingOutput = 1u << 20;  // replies a client has not read
    bool log = true;                          // one line on stderr per dropped client
    // While busy, IsDone answers when speech ends or after this long, so a
    // client polling it in a loop does not spin the server.
    long isDoneHoldMs = 5;
};

class TtsServer {
public:
    TtsServer(TtsServerOptions options, TtsEngineDeps deps);
    ~TtsServer();
    TtsServer(const TtsServer&) = delete;
    TtsServer& operator=(const TtsServer&) = delete;

    enum class ListenResult { Listening, AlreadyServed, Failed };
    // Takes the lock file and listens. AlreadyServed when another server holds
    // the lock (this one then has nothing to do).
    ListenResult Listen(std::string& error);
    // Starts the engine and serves until idle for idleMs or RequestStop.
    void Run();
    // Shuts down in order: drop every client, end the worker (which releases
    // the voice), remove the socket, release the lock.
    void Close();
    // Safe from any thread and from a signal handler.
    void RequestStop();

    TtsEngine& Engine() { return engine_; }
    const std::string& SocketPath() const { return socketPath_; }
    std::size_t ConnectionCount() const { return connectionCount_.load(); }

private:
    struct NotifyChannel;
    struct Connection;

    void AcceptAll();
    void ReadFrom(Connection& c);
    void HandleFrame(Connection& c, wire::Frame& frame);
    void HandleCall(Connection& c, const wire::Call& call);
    void Flush(Connection& c);
    void Drop(std::uint64_t id, const std::string& why);
    void DropRequestedByWorker();
    // Answers held IsDone calls that are due or whose answer has changed;
    // returns the milliseconds until the next one is due (or `fallback`).
    int AnswerHeldCalls(int fallback);
    void Wake();
    void SendNotification(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const std::wstring* text);
    void Log(const std::string& line) const;

    TtsServerOptions options_;
    TtsEngine engine_;
    std::string socketPath_;
    UniqueFd lock_;
    UniqueFd listen_;
    UniqueFd wakeRead_, wakeWrite_;
    std::atomic<bool> stopRequested_{false};
    bool closed_ = false;

    std::unordered_map<std::uint64_t, std::unique_ptr<Connection>> connections_;  // main thread
    std::atomic<std::size_t> connectionCount_{0};
    std::uint64_t nextId_ = 1;
    struct HeldCall {
        std::uint64_t connection;
        std::uint32_t callId;
        std::chrono::steady_clock::time_point due;
    };
    std::vector<HeldCall> held_;  // main thread

    // Shared with the worker: notification channels by object, and the
    // object whose notification channel receives the notify window's messages.
    std::mutex routeMutex_;
    std::unordered_map<std::uint64_t, std::shared_ptr<NotifyChannel>> channels_;
    std::uint64_t routeOwner_ = 0;
    std::vector<std::pair<std::uint64_t, std::string>> workerDrops_;
};

}  // namespace lipsmith::tts
