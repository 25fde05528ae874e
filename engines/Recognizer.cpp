// The decoder-independent half of recognition: grammar words, the JSGF text,
// and the process's decoder cache.
#include <mutex>

#include "Recognizer.h"

namespace lipsmith::engines {

std::string RecognitionResult::Text() const {
    std::string text;
    for (const RecognizedWord& w : words) {
        if (!text.empty()) text += ' ';
        text += w.text;
    }
    return text;
}

RecognitionResult Recognizer::Recognize(std::span<const std::int16_t> phrase, std::string_view grammarText) {
    if (const HRESULT hr = StartPhrase(); FAILED(hr)) {
        RecognitionResult failed;
        failed.status = hr;
        return failed;
    }
    FeedPhrase(phrase);
    return FinishPhrase(grammarText);
}

namespace {

// Letters and digits; bytes of multi-byte UTF-8 characters count as letters.
bool IsWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
}

}  // namespace

std::vector<std::string> GrammarWords(std::string_view grammarText) {
    // Markup (script tags) is not spoken: blank it out first.
    std::string text;
    text.reserve(grammarText.size());
    bool inTag = false;
    for (char c : grammarText) {
        if (c == '<') inTag = true;
        text += inTag ? ' ' : c;
        if (c == '>') inTag = false;
    }
    std::vector<std::string> words;
    std::string word;
    auto finish = [&] {
        // Apostrophes stay inside a word ("don't") but not at its ends.
        while (!word.empty() && word.back() == '\'') word.pop_back();
        std::size_t lead = 0;
        while (lead < word.size() && word[lead] == '\'') ++lead;
        word.erase(0, lead);
        if (!word.empty()) words.push_back(word);
        word.clear();
    };
    for (char c : text) {
        if (IsWordChar(c)) {
            word += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        } else if (c == '\'' && !word.empty()) {
            word += c;
        } else {
            // Blanks, hyphens and other punctuation separate words.
            finish();
        }
    }
    finish();
    return words;
}

std::string BuildJsgf(const std::vector<std::string>& words) {
    std::string jsgf = "#JSGF V1.0;\ngrammar lipsmith;\npublic <MyState> =";
    for (const std::string& w : words) jsgf += ' ' + w;
    jsgf += ";\n";
    return jsgf;
}

struct RecognizerCache::State {
    std::mutex mutex;
    RecognizerOptions options;
    std::unique_ptr<Recognizer> kept;
};

RecognizerCache::RecognizerCache(RecognizerOptions options) : state_(std::make_shared<State>()) {
    state_->options = std::move(options);
}

RecognizerCreation RecognizerCache::Take(std::unique_ptr<Recognizer>* out) {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->kept) {
            *out = std::move(state_->kept);
            return {};
        }
    }
    // Created outside the lock: it takes a while, and a second user may need
    // a decoder of its own meanwhile.
    return CreatePocketRecognizer(state_->options, out);
}

void RecognizerCache::Give(std::unique_ptr<Recognizer> recognizer) {
    if (!recognizer) return;
    std::lock_guard lock(state_->mutex);
    if (!state_->kept) state_->kept = std::move(recognizer);
}

HRESULT RecognizerCache::Check(std::string* message) {
    std::unique_ptr<Recognizer> recognizer;
    const RecognizerCreation made = Take(&recognizer);
    if (message) *message = made.message;
    if (FAILED(made.status) || !recognizer) return REGDB_E_CLASSNOTREG;
    Give(std::move(recognizer));
    return S_OK;
}

}  // namespace lipsmith::engines
