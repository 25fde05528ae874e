// Speech recognition of one phrase: the words a speaker said, each with its
// place in the phrase's audio. Audio is 16 kHz mono 16-bit; times are frames
// of 10 ms from the start of the phrase audio given to the recognizer.
//
// Dictation (a statistical language model) runs as the phrase comes in; a
// grammar text adds the exact word sequence of that text as a second
// candidate, and the better of the two is the result. The pocketsphinx implementation lives in
// PocketSphinx.cpp; tests script their own.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"

namespace lipsmith::engines {

inline constexpr int kRecognizerSampleRate = 16000;
inline constexpr int kSamplesPerFrame = kRecognizerSampleRate / 100;  // 10 ms

struct RecognizedWord {
    std::string text;
    int startFrame = 0;  // first frame of the word
    int endFrame = 0;    // last frame of the word (inclusive)
};

enum class RecognitionSource {
    None,        // nothing was recognised
    Dictation,   // the language model's words
    Grammar,     // the grammar text's exact word sequence
};

struct RecognitionResult {
    HRESULT status = S_OK;  // a failure of the decoder itself, else S_OK
    RecognitionSource source = RecognitionSource::None;
    std::vector<RecognizedWord> words;  // in spoken order, fillers and silences left out
    // What the caller may want to tell the user (grammar words that could not
    // be used, a grammar that could not be built).
    std::vector<std::string> notes;
    std::string Text() const;  // the words joined by blanks
};

// Decodes phrases. One phrase at a time: Start, Feed as audio arrives, Finish.
class Recognizer {
public:
    virtual ~Recognizer() = default;
    virtual HRESULT StartPhrase() = 0;
    virtual HRESULT FeedPhrase(std::span<const std::int16_t> samples) = 0;
    // Ends the phrase and returns its words. With a non-empty grammar text
    // the phrase is also decoded against that text and the better result is
    // taken.
    virtual RecognitionResult FinishPhrase(std::string_view grammarText) = 0;

    // The whole phrase at once (a phrase cut from a recording).
    RecognitionResult Recognize(std::span<const std::int16_t> phrase, std::string_view grammarText);
};

// Tells speech from silence in a continuous stream of audio.
class SpeechDetector {
public:
    virtual ~SpeechDetector() = default;
    virtual void Reset() = 0;
    // Processes the samples; true while the stream is in speech (after the
    // detector's own hang-over of silence it turns false again).
    virtual bool Feed(std::span<const std::int16_t> samples) = 0;
};

enum class DictationUse {
    Always,            // decoded as the phrase comes in; compared with the grammar
    WhenGrammarFails,  // only when the grammar text does not fit the phrase (faster)
};

struct RecognizerOptions {
    // Folder holding the acoustic model folder "en-us", "en-us.lm.bin" and
    // "cmudict-en-us.dict". Empty: $LIPSMITH_RECO_MODEL, else the
    // Debian package's folder.
    std::string modelDir;
    // Phones (the dictionary's phone set, blank-separated) for a word the
    // dictionary lacks (EspeakPronunciation gives them); an empty answer
    // leaves the word out of the grammar with a note.
    std::function<std::string(const std::string& word)> pronounce;
    // Listening decodes dictation while the phrase is spoken, so comparing
    // costs no waiting; a recording cut into phrases may skip it.
    DictationUse dictation = DictationUse::Always;
    // Silence that ends speech for the detector.
    std::chrono::milliseconds speechHangover{600};
};

struct RecognizerCreation {
    HRESULT status = S_OK;  // REGDB_E_CLASSNOTREG when the model is missing or unusable
    std::string message;    // why, when it failed
    std::chrono::microseconds elapsed{0};
};

std::string DefaultModelDir();

// Creates a pocketsphinx decoder (slow: load it once and reuse it).
RecognizerCreation CreatePocketRecognizer(const RecognizerOptions& options, std::unique_ptr<Recognizer>* out);
// A speech detector of pocketsphinx's front end (cheap).
RecognizerCreation CreatePocketSpeechDetector(const RecognizerOptions& options, std::unique_ptr<SpeechDetector>* out);

// The grammar text's words as the recognizer uses them: markup between '<'
// and '>' removed, split at white space, lower-cased, punctuation trimmed
// from both ends of a word; words left with no letter or digit are dropped.
std::vector<std::string> GrammarWords(std::string_view grammarText);
// A JSGF grammar whose public rule "MyState" is exactly that word sequence.
std::string BuildJsgf(const std::vector<std::string>& words);

// One decoder for the process, handed to one user at a time: Take gives the
// kept decoder or makes a new one; Give keeps it for the next Take.
class RecognizerCache {
public:
    explicit RecognizerCache(RecognizerOptions options = {});
    RecognizerCreation Take(std::unique_ptr<Recognizer>* out);
    void Give(std::unique_ptr<Recognizer> recognizer);
    // S_OK when a decoder exists or can be created (and then kept);
    // REGDB_E_CLASSNOTREG otherwise.
    HRESULT Check(std::string* message = nullptr);

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace lipsmith::engines
