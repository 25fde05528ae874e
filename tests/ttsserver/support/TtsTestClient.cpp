// A second client process for the end-to-end tests:
//   tts_test_client TEXT HANDLER_DELAY_MS [REPEAT]
// creates a CTTS, speaks TEXT (REPEAT times over, once by default) with its
// window as notify window, handles each notification slowly, and prints
// "speaking", then "done" with the count of notifications handled.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "ITTS.h"
#include "MessageQueue.h"

int main(int argc, char** argv) {
    using namespace lipsmith;
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: tts_test_client TEXT HANDLER_DELAY_MS [REPEAT]\n");
        return 2;
    }
    const int delayMs = std::atoi(argv[2]);
    std::string text;
    for (int i = 0, n = argc == 4 ? std::atoi(argv[3]) : 1; i < n; ++i) text += argv[1];
    std::unique_ptr<ITTS> tts;
    if (FAILED(CreateCTTS(&tts))) return 1;
    int handled = 0;
    HWND hwnd = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        ++handled;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        return 0;
    });
    tts->SetNotifyHWND(hwnd);
    if (FAILED(tts->Speak(text, 11))) return 1;
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
