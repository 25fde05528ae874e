// Window messages between threads and processes. A message window belongs to
// the thread that creates it; messages for it wait in that thread's queue
// until the thread peeks, gets and dispatches them, which calls the window's
// procedure on that thread. A message may carry a payload (the bookmark text
// of a speech notification) that lives until the message has been handled,
// and a completion that runs once it has been dispatched (or dropped), which
// is how a sender learns that a synchronous message was handled.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lipsmith {

using HWND = std::uint32_t;
using UINT = std::uint32_t;
using WPARAM = std::uint64_t;
using LPARAM = std::int64_t;
using LRESULT = std::int64_t;

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// What a message carries besides its two parameters.
struct MessageExtra {
    std::wstring text;  // lParam of a message with text points here while it is handled
    // Called exactly once with the procedure's result after dispatch, or with 0
    // when the message is dropped undispatched (window gone, queue destroyed).
    std::function<void(LRESULT)> completion;
    ~MessageExtra();
    void Complete(LRESULT result);
private:
    bool completed_ = false;
};

struct MSG {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<MessageExtra> extra;  // may be empty
};

inline constexpr unsigned PM_NOREMOVE = 0x0;
inline constexpr unsigned PM_REMOVE = 0x1;

// Creates a window owned by the calling thread. Handles are unique within the
// machine (the process id is part of them), never 0, and fit in 32 bits.
HWND CreateMessageWindow(WindowProc proc);
void DestroyMessageWindow(HWND hwnd);
bool IsWindow(HWND hwnd);

// Queues a message for the window's thread and returns at once. A sender that
// passes text sets lParam to extra->text.c_str() itself; the extra (and so the
// text) lives until the message has been handled.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                 std::shared_ptr<MessageExtra> extra = nullptr);
// Posts and waits until the window's thread has dispatched it; called on the
// window's own thread it runs the procedure directly. Returns false on timeout
// (timeoutMs < 0 waits without limit) or when the window does not exist.
bool SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result = nullptr, int timeoutMs = -1);

// The calling thread's queue. hwnd 0 means any window of the thread.
bool PeekMessage(MSG* msg, HWND hwnd, unsigned removeFlag);
// Blocks until a message arrives; false when it is WM_QUIT.
bool GetMessage(MSG* msg, HWND hwnd);
// Waits up to timeoutMs for the calling thread's queue to hold a message.
bool WaitMessage(int timeoutMs);
// Called (on the posting thread) after each message is queued for the calling
// thread's queue, so a toolkit's event loop running on that thread can wake
// and dispatch it. Empty: no hook.
void SetQueueWakeHook(std::function<void()> hook);
void TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

}  // namespace lipsmith
