#include "MessageQueue.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <unordered_map>

namespace lipsmith {

MessageExtra::~MessageExtra() { Complete(0); }

void MessageExtra::Complete(LRESULT result) {
    if (completed_) return;
    completed_ = true;
    if (completion) completion(result);
}

namespace {

struct ThreadQueue {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    bool alive = true;
    std::function<void()> wake;  // the owning thread's event loop
};

struct Window {
    WindowProc proc;
    std::shared_ptr<ThreadQueue> queue;
};

struct Windows {
    std::mutex mutex;
    std::unordered_map<HWND, Window> byHandle;
    std::uint32_t counter = 0;
};

Windows& AllWindows() {
    static Windows* windows = new Windows;  // outlives every thread's queue
    return *windows;
}

// Marks the queue dead when its thread ends; messages still in it are dropped,
// which completes them with 0 so no sender waits for them.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
    ~QueueHolder() {
        std::deque<MSG> dropped;
        {
            std::lock_guard lock(queue->mutex);
            queue->alive = false;
            dropped.swap(queue->messages);
        }
    }
};

std::shared_ptr<ThreadQueue> CurrentQueue() {
    thread_local QueueHolder holder;
    return holder.queue;
}

std::shared_ptr<ThreadQueue> QueueOf(HWND hwnd, WindowProc* proc = nullptr) {
    Windows& w = AllWindows();
    std::lock_guard lock(w.mutex);
    auto it = w.byHandle.find(hwnd);
    if (it == w.byHandle.end()) return nullptr;
    if (proc) *proc = it->second.proc;
    return it->second.queue;
}

bool Matches(const MSG& m, HWND hwnd) { return hwnd == 0 || m.hwnd == hwnd || m.message == WM_QUIT; }

bool Enqueue(const std::shared_ptr<ThreadQueue>& q, MSG msg) {
    std::function<void()> wake;
    {
        std::lock_guard lock(q->mutex);
        if (!q->alive) return false;
        q->messages.push_back(std::move(msg));
        wake = q->wake;
    }
    q->arrived.notify_all();
    if (wake) wake();
    return true;
}

}  // namespace

HWND CreateMessageWindow(WindowProc proc) {
    Windows& w = AllWindows();
    auto queue = CurrentQueue();
    std::lock_guard lock(w.mutex);
    const std::uint32_t pidPart = (static_cast<std::uint32_t>(getpid()) & 0x3FFFFFu) << 10;
    for (;;) {
        w.counter = (w.counter + 1) & 0x3FFu;
        HWND h = pidPart | w.counter;
        if (h != 0 && !w.byHandle.count(h)) {
            w.byHandle.emplace(h, Window{std::move(proc), std::move(queue)});
            return h;
        }
    }
}

void DestroyMessageWindow(HWND hwnd) {
    Windows& w = AllWindows();
    std::lock_guard lock(w.mutex);
    w.byHandle.erase(hwnd);
}

bool IsWindow(HWND hwnd) { return QueueOf(hwnd) != nullptr; }

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                 std::shared_ptr<MessageExtra> extra) {
    auto q = QueueOf(hwnd);
    if (!q) return false;
    return Enqueue(q, MSG{hwnd, message, wParam, lParam, std::move(extra)});
}

bool SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                 int timeoutMs) {
    WindowProc proc;
    auto q = QueueOf(hwnd, &proc);
    if (!q) return false;
    if (q == CurrentQueue()) {
        LRESULT r = proc(hwnd, message, wParam, lParam);
        if (result) *result = r;
        return true;
    }
    auto done = std::make_shared<std::promise<LRESULT>>();
    auto future = done->get_future();
    auto extra = std::make_shared<MessageExtra>();
    extra->completion = [done](LRESULT r) { done->set_value(r); };
    if (!Enqueue(q, MSG{hwnd, message, wParam, lParam, std::move(extra)})) return false;
    if (timeoutMs < 0) {
        future.wait();
    } else if (future.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
        return false;
    }
    LRESULT r = future.get();
    if (result) *result = r;
    return true;
}

bool PeekMessage(MSG* msg, HWND hwnd, unsigned removeFlag) {
    auto q = CurrentQueue();
    std::lock_guard lock(q->mutex);
    for (auto it = q->messages.begin(); it != q->messages.end(); ++it) {
        if (!Matches(*it, hwnd)) continue;
        if (removeFlag & PM_REMOVE) {
            *msg = std::move(*it);
            q->messages.erase(it);
        } else {
            *msg = *it;
        }
        return true;
    }
    return false;
}

bool GetMessage(MSG* msg, HWND hwnd) {
    auto q = CurrentQueue();
    std::unique_lock lock(q->mutex);
    for (;;) {
        for (auto it = q->messages.begin(); it != q->messages.end(); ++it) {
            if (!Matches(*it, hwnd)) continue;
            *msg = std::move(*it);
            q->messages.erase(it);
            return msg->message != WM_QUIT;
        }
        q->arrived.wait(lock);
    }
}

bool WaitMessage(int timeoutMs) {
    auto q = CurrentQueue();
    std::unique_lock lock(q->mutex);
    if (timeoutMs < 0) {
        q->arrived.wait(lock, [&] { return !q->messages.empty(); });
        return true;
    }
    return q->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !q->messages.empty(); });
}

void SetQueueWakeHook(std::function<void()> hook) {
    auto q = CurrentQueue();
    std::lock_guard lock(q->mutex);
    q->wake = std::move(hook);
}

void TranslateMessage(const MSG*) {}

LRESULT DispatchMessage(const MSG* msg) {
    LRESULT result = 0;
    WindowProc proc;
    if (msg->hwnd != 0 && QueueOf(msg->hwnd, &proc) && proc) {
        result = proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    }
    if (msg->extra) msg->extra->Complete(result);
    return result;
}

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void PostQuitMessage(int exitCode) {
    Enqueue(CurrentQueue(), MSG{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0, nullptr});
}

}  // namespace lipsmith
