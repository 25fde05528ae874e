// A voice for tests that replays scripted events with timing instead of
// speaking. It follows the voice contract the server relies on: Speak with
// SPF_ASYNC returns at once, events are queued in order and announced by a
// message to the thread that set the notify callback, a purge drops what is
// left and still ends the interrupted stream, WaitUntilDone answers S_OK once
// everything has been played and fetched. A probe shared with the test
// records what the server asked of the voice and shapes its behaviour.
//
// The default script reads the text as words separated by blanks: "#name"
// is a bookmark, a word ending in "." ends a sentence, every other word gives
// a word boundary and one phoneme per letter.
#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SpeechApi.h"

namespace lipsmith::testing {

struct ScriptStep {
    speech::SPEVENT event;
    std::chrono::microseconds delay{0};  // before the event
};

// Builds the events of one Speak.
using VoiceScript = std::function<std::vector<ScriptStep>(const std::string& text, std::uint32_t flags)>;

// The default script with `phonemeMs` per phoneme and `delay` before each event.
std::vector<ScriptStep> WordsScript(const std::string& text, std::uint16_t phonemeMs,
                                    std::chrono::microseconds delay);

// Speaker output of the scripted voice.
class NullSink : public speech::AudioSink {
public:
    speech::WaveFormat Format() const override { return speech::WaveFormat{}; }
    HRESULT Write(const void*, std::size_t) override { return S_OK; }
};

struct VoiceProbe {
    // Behaviour.
    bool failCreate = false;
    bool failGetOutput = false;
    bool failSetOutputToDefault = false;
    std::uint16_t phonemeMs = 50;
    std::chrono::microseconds stepDelay{200};
    VoiceScript script;  // empty: WordsScript

    // Record.
    std::mutex mutex;
    std::vector<std::string> spoken;
    std::vector<std::uint32_t> flags;
    int purges = 0;
    std::shared_ptr<speech::AudioSink> defaultSink = std::make_shared<NullSink>();
    std::shared_ptr<speech::AudioSink> output;  // null until SetOutput
    int setOutputCalls = 0;
    std::uint64_t interest = 0;
    bool alive = false;

    std::vector<std::string> Spoken() {
        std::lock_guard lock(mutex);
        return spoken;
    }
};

// A factory for TtsEngineDeps::createVoice.
std::function<HRESULT(std::unique_ptr<speech::ISpVoice>*)> ScriptedVoiceFactory(std::shared_ptr<VoiceProbe> probe);

// A wave stream for tests: binding fails when the folder does not exist;
// otherwise it records how many bytes were written and when it was released.
struct StreamProbe {
    std::mutex mutex;
    std::vector<std::string> boundPaths;
    std::size_t bytesWritten = 0;
    int released = 0;
};
std::function<std::shared_ptr<speech::SpStream>()> ProbedStreamFactory(std::shared_ptr<StreamProbe> probe);

}  // namespace lipsmith::testing
