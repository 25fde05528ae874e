// What an engine needs of speech recognition, kept apart from the decoder
// so the engine (and its tests) do not depend on pocketsphinx. A Listening
// makes runs; a run listens for the first phrase, writes its audio to the
// phrase audio file and sends the voice's phonemes rescaled to the
// speaker's timing, on the thread that calls Run.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MessageQueue.h"
#include "Result.h"
#include "SpeechApi.h"

namespace lipsmith::tts {

struct ListeningRequest {
    std::string grammarText;      // may be empty: dictation alone
    std::string phraseAudioPath;  // receives the phrase, 22050 Hz 16-bit mono
    speech::ISpVoice* voice = nullptr;  // re-speaks the recognised text; none: no phonemes
    // One rescaled phoneme notification (WM_APP + 6), sent synchronously.
    std::function<void(UINT message, WPARAM wParam, LPARAM lParam)> notify;
};

enum class ListeningEnd {
    Done,         // phrase written, phonemes sent
    Stopped,      // Stop was called
    CannotStart,  // no audio input
    NoPhrase,     // the input ended without a phrase (or the phrase had no audio)
    Failed,       // the decoder failed or the file could not be written
};

struct ListeningOutcome {
    ListeningEnd end = ListeningEnd::Stopped;
    std::string message;  // why, when not Done
    std::string text;     // the recognised words
    // What the user should know about the grammar (words left out of it).
    std::vector<std::string> notes;
    bool grammarFailed = false;  // the grammar could not be built: dictation alone listened
};

class ListeningRun {
public:
    virtual ~ListeningRun() = default;
    virtual ListeningOutcome Run() = 0;
    // Any thread: Run returns promptly.
    virtual void Stop() = 0;
};

class Listening {
public:
    virtual ~Listening() = default;
    // S_OK when a recognizer can be made with what is installed, else
    // REGDB_E_CLASSNOTREG (with the reason).
    virtual HRESULT Check(std::string* why) = 0;
    // Everything a run needs (decoder, speech detector, audio input); none,
    // with the reason, when recognition cannot start.
    virtual std::unique_ptr<ListeningRun> Prepare(ListeningRequest request, std::string* why) = 0;
};

}  // namespace lipsmith::tts
