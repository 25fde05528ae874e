// The socket side of Lipsmith_TTS: one listening Unix domain socket, one
// connection per CTTS object (plus that object's notification channel), and
// a main loop that runs the ITTS methods one at a time. Every object has an
// engine of its own (its voice, worker, busy state, output and notify
// window); the voices take turns on the one espeak-ng synthesis thread. An
// object's worker sends its notifications straight down that object's
// notification channel and waits for the client's ack.
//
// A client that dies, sends a malformed or oversized frame, floods replies it
// never reads, or leaves a notification unanswered for notifyTimeoutMs is
// dropped, and so is everything its object was still saying or had queued;
// the server carries on with the others.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
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
    long shutdownPauseMs = 1000;   // after an idle end: pause before the process exits
    long notifyTimeoutMs = 30000;  // a notification not acknowledged by then drops its client
    long handshakeTimeoutMs = 10000;
    std::size_t maxPendingOutput = 1u << 20;  // replies a client has not read
    // Where the server's lines go (one per dropped client); none when empty.
    std::function<void(const std::string&)> log;
    // While busy, IsDone answers when speech ends or after this long, so a
    // client polling it in a loop does not spin the server.
    long isDoneHoldMs = 5;
};

// The defaults above, with the time limits the environment overrides:
// LIPSMITH_TTS_IDLE_MS, LIPSMITH_TTS_SHUTDOWN_PAUSE_MS, LIPSMITH_TTS_NOTIFY_TIMEOUT_MS.
TtsServerOptions ServerOptionsFromEnvironment(const std::string& runtimeDir);

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
    // Why Run returned.
    enum class EndReason { Idle, Stopped, Failed };
    // Serves until idle for idleMs or RequestStop.
    EndReason Run();
    // Shuts down in order: drop every client, end every object's worker
    // (which releases its voice), remove the socket, release the lock.
    void Close();
    // Safe from any thread and from a signal handler.
    void RequestStop();

    const std::string& SocketPath() const { return socketPath_; }
    std::size_t ConnectionCount() const { return connectionCount_.load(); }
    // Objects whose clients have gone but whose voices are still winding down.
    std::size_t RetiringCount() const { return retiringCount_.load(); }
    // The notify window of the object `objectId` (0 when unknown or none);
    // safe from any thread.
    HWND NotifyWindowOf(std::uint64_t objectId) const;

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
    // Output switches wait for the object's worker, which may itself wait for
    // its client: they are answered when done, never by blocking the loop
    // that serves everyone else.
    void StartSwitch(Connection& c);
    void AnswerSwitches();
    void Reply(Connection& c, std::uint32_t callId, HRESULT hr);
    // Answers held IsDone calls that are due or whose answer has changed;
    // returns the milliseconds until the next one is due (or `fallback`).
    int AnswerHeldCalls(int fallback);
    void Wake();
    std::unique_ptr<TtsEngine> MakeEngine(std::uint64_t objectId);
    // Ends the engines of gone objects whose workers have finished.
    void ReapRetired(bool wait);
    // False when the notification could not be delivered and handled.
    bool SendNotification(std::uint64_t objectId, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                          const std::wstring* text);
    void Log(const std::string& line) const;

    TtsServerOptions options_;
    TtsEngineDeps deps_;  // the pattern every object's engine is made from
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
    std::vector<std::unique_ptr<TtsEngine>> retiring_;  // main thread
    std::atomic<std::size_t> retiringCount_{0};

    // Shared with the workers: notification channels by object, the engines'
    // notify windows for NotifyWindowOf, and the clients a worker gave up on.
    mutable std::mutex routeMutex_;
    std::unordered_map<std::uint64_t, std::shared_ptr<NotifyChannel>> channels_;
    std::unordered_map<std::uint64_t, TtsEngine*> engines_;
    std::vector<std::pair<std::uint64_t, std::string>> workerDrops_;
};

}  // namespace lipsmith::tts
