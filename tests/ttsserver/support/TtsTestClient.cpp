// A second client process for the end-to-end tests:
//   tts_test_client TEXT HANDLER_DELAY_MS
// creates a CTTS, speaks TEXT with its window as notify window, handles each
// notification slowly, and prints "speaking", then "done" with the count of
// notifications handled.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "ITTS.h"
#include "MessageQueue.h"

int main(int argc, char** argv) {
    using namespace lipsmith;
    if (argc != 3) {
        std::fprintf(stderr, "usage: tts_test_client TEXT HANDLER_DELAY_MS\n");
        return 2;
    }
    const int delayMs = std::atoi(argv[2]);
    std::unique_ptr<ITTS> tts;
    if (FAILED(CreateCTTS(&tts))) return 1;
    int handled = 0;
    HWND hwnd = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ++handled;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        return 0;
    });
    tts->SetNotifyHWND(hwnd);
    if (FAILED(tts->Speak(argv[1], 11))) return 1;
    std::printf("speaking\n");
    std::fflush(stdout);
    HRESULT hr;
    while ((hr = tts->IsDone()) == S_FALSE) {
        MSG msg;
        if (PeekMessage(&msg, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    std::printf("done %d\n", handled);
    return hr == S_OK ? 0 : 1;
}
