// The interface of the speech engine server's one class, CTTS. Clients hold
// an ITTS proxy; every call travels to the Lipsmith_TTS process. Notifications
// come back as window messages WM_APP + event id to the window named by
// SetNotifyHWND, queued on the thread that created that window.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "Result.h"

namespace lipsmith {

inline constexpr const char* kClsidCTTS = "{C3509F2D-3019-4700-927D-7C514579F69D}";
inline constexpr const char* kIidITTS = "{899B6316-5448-4B99-9B35-C0988AAE6070}";
inline constexpr const char* kLibidTTS = "{919AD67F-88F0-404C-AEE5-FF3431519AE2}";
inline constexpr const char* kAppidTTS = "{919AD67F-88F0-404C-AEE5-FF3431519AE2}";

// A message box of the server, sent to the notify window like a speech
// notification and shown by the client: wParam holds the box's buttons and
// icon, the text is the caption, the character kMessageBoxSeparator and the
// message. The server waits until the box has been answered.
inline constexpr std::uint32_t kMsgServerMessageBox = 0x8000 + 0x200;
inline constexpr wchar_t kMessageBoxSeparator = L'\x1f';

// Strings are the narrow (UTF-8) text of the string variants the methods take.
class ITTS {
public:
    virtual ~ITTS() = default;
    virtual HRESULT Speak(const std::string& text, std::uint32_t flags) = 0;      // slot 1
    virtual HRESULT SetNotifyHWND(std::int64_t hwnd) = 0;                          // slot 2
    virtual HRESULT Stop() = 0;                                                    // slot 3
    virtual HRESULT IsDone() = 0;                                                  // slot 4
    virtual HRESULT SetToWaveMode(const std::string& waveFile) = 0;                // slot 5
    virtual HRESULT SetToVoiceMode() = 0;                                          // slot 6
    virtual HRESULT ReleaseWaveStream() = 0;                                       // slot 7
    virtual HRESULT SpeechReco(const std::string& grammarText) = 0;                // slot 8
    virtual HRESULT SetSpeechWaveFile(const std::string& waveFile) = 0;            // slot 9
    virtual HRESULT StopReco() = 0;                                                // slot 10
    virtual HRESULT CheckEngine() = 0;                                             // slot 11
};

// Creates a CTTS in the shared server process, starting the program
// registered under HKEY_CLASSES_ROOT\CLSID\{...}\LocalServer32 when no server
// is listening. On failure returns the error and leaves `out` empty.
HRESULT CreateCTTS(std::unique_ptr<ITTS>* out);

}  // namespace lipsmith
