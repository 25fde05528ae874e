// The text-to-speech interface the speech server drives: a voice with the
// shape of the Speech API subset the server relies on (speak flags, event
// interest, events fetched one at a time, output to the speakers or to a wave
// file stream, voice tokens). Implemented over espeak-ng in engines/.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MessageQueue.h"
#include "Result.h"

namespace lipsmith::speech {

// Speak flags.
inline constexpr std::uint32_t SPF_DEFAULT = 0;
inline constexpr std::uint32_t SPF_ASYNC = 1;
inline constexpr std::uint32_t SPF_PURGEBEFORESPEAK = 2;
inline constexpr std::uint32_t SPF_IS_XML = 8;

// Event identifiers.
enum SPEVENTENUM : std::uint16_t {
    SPEI_UNDEFINED = 0,
    SPEI_START_INPUT_STREAM = 1,
    SPEI_END_INPUT_STREAM = 2,
    SPEI_VOICE_CHANGE = 3,
    SPEI_TTS_BOOKMARK = 4,
    SPEI_WORD_BOUNDARY = 5,
    SPEI_PHONEME = 6,
    SPEI_SENTENCE_BOUNDARY = 7,
    SPEI_VISEME = 8,
    SPEI_TTS_AUDIO_LEVEL = 9,
    SPEI_TTS_PRIVATE = 15,
};

inline constexpr std::uint64_t SPFEI(unsigned id) { return 1ull << id; }
inline constexpr std::uint64_t SPFEI_ALL_TTS_EVENTS = 0xFFFEull;  // identifiers 1 to 15
inline constexpr std::uint64_t SPFEI_ALL_EVENTS = ~0ull;

// Feature flags in the high word of a phoneme event's lParam.
inline constexpr std::uint16_t SPVFEATURE_STRESSED = 1;
inline constexpr std::uint16_t SPVFEATURE_EMPHASIS = 2;

// Phone identifier of silence.
inline constexpr std::uint16_t kSilencePhone = 7;

enum SPEVENTLPARAMTYPE : std::uint8_t {
    SPET_LPARAM_IS_UNDEFINED = 0,
    SPET_LPARAM_IS_TOKEN = 1,
    SPET_LPARAM_IS_OBJECT = 2,
    SPET_LPARAM_IS_POINTER = 3,
    SPET_LPARAM_IS_STRING = 4,
};

// One event. For a bookmark, lParam points at `text` (wide, NUL-terminated)
// for as long as the event record lives; wParam holds the bookmark's number.
// Phoneme: wParam high 16 bits duration in ms, low 16 bits the next phone id;
// lParam low 16 bits the phone id, high 16 bits the feature flags.
// Word and sentence boundary: wParam length, lParam position, both in
// characters of the text given to Speak.
struct SPEVENT {
    SPEVENTENUM eEventId = SPEI_UNDEFINED;
    SPEVENTLPARAMTYPE elParamType = SPET_LPARAM_IS_UNDEFINED;
    std::uint32_t ulStreamNum = 0;
    std::uint64_t ullAudioStreamOffset = 0;  // bytes of audio before the event
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<std::wstring> text;  // owns what lParam points to, if anything
};

// PCM format of an audio stream.
struct WaveFormat {
    std::uint16_t formatTag = 1;  // PCM
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 22050;
    std::uint32_t avgBytesPerSec = 44100;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
};
// SPSF_22kHz16BitMono.
WaveFormat Format22kHz16BitMono();

// Where a voice's audio goes.
class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual WaveFormat Format() const = 0;
    virtual HRESULT Write(const void* data, std::size_t bytes) = 0;
};

// SPFM_CREATE_ALWAYS: the file is created anew, an existing one overwritten.
enum SPFILEMODE { SPFM_OPEN_READONLY = 0, SPFM_CREATE_ALWAYS = 3 };

// A wave file stream. The RIFF file is complete when the last reference goes
// (shared ownership: the voice holds one while it is the voice's output).
class SpStream : public AudioSink {
public:
    virtual HRESULT BindToFile(const std::string& path, SPFILEMODE mode, const WaveFormat& format,
                               std::uint64_t eventInterest) = 0;
    virtual HRESULT Close() = 0;
};
std::shared_ptr<SpStream> CreateSpStream();

// The vendor attribute of the voices this platform installs itself (the
// Speech API's own voices carried "Vendor=Microsoft").
inline constexpr const char* kPlatformVoiceVendor = "eSpeak NG";

// A voice token of an installed voice.
struct VoiceToken {
    std::string id;  // what SetVoice takes
    std::string name, gender, language, vendor;
};
// Installed voices whose attributes match every "Key=Value" of `required`
// (separated by ';'; empty matches all), in a stable order.
std::vector<VoiceToken> EnumerateVoices(const std::string& required = "");

class ISpVoice {
public:
    virtual ~ISpVoice() = default;

    // Called (on the thread that set it, through its message queue) whenever
    // events have been queued; the callee then fetches them with GetEvents.
    virtual HRESULT SetNotifyCallbackFunction(std::function<void()> callback) = 0;
    virtual HRESULT SetInterest(std::uint64_t eventInterest, std::uint64_t queuedInterest) = 0;

    // SPF_ASYNC returns at once; SPF_PURGEBEFORESPEAK discards what is still
    // to be said (with empty text it only purges); SPF_IS_XML reads markup.
    virtual HRESULT Speak(const std::string& text, std::uint32_t flags, std::uint32_t* streamNumber) = 0;
    // S_OK when everything has been spoken, S_FALSE after timeoutMs.
    virtual HRESULT WaitUntilDone(std::uint32_t timeoutMs) = 0;
    // Fetches at most `count` events (the server asks for one at a time).
    virtual HRESULT GetEvents(std::uint32_t count, SPEVENT* events, std::uint32_t* fetched) = 0;

    // nullptr output means the default output (the speakers).
    virtual HRESULT SetOutput(std::shared_ptr<AudioSink> output, bool allowFormatChanges) = 0;
    virtual HRESULT GetOutputStream(std::shared_ptr<AudioSink>* output) = 0;

    virtual HRESULT SetVoice(const VoiceToken& token) = 0;
    virtual HRESULT GetVoice(VoiceToken* token) = 0;
};

// A voice speaking with espeak-ng; E_FAIL when the engine cannot start.
HRESULT CreateSpVoice(std::unique_ptr<ISpVoice>* voice);

}  // namespace lipsmith::speech
