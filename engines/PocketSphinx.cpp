// The recognizer and speech detector over pocketsphinx. Its headers define
// TRUE and FALSE as macros, so they are included here and nowhere else.
//
// The decoder runs without silence removal so that its frame numbers are
// times in the phrase audio; speech detection uses a separate front end with
// the voice activity detection switched on.
#include <pocketsphinx.h>
#include <sphinxbase/ckd_alloc.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fe.h>
#include <sphinxbase/fsg_model.h>
#include <sphinxbase/jsgf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include "QuietFrames.h"
#include "Recognizer.h"

namespace lipsmith::engines {

namespace {

constexpr const char* kDebianModelDir = "/usr/share/pocketsphinx/model/en-us";
constexpr const char* kGrammarSearch = "lipsmith_grammar";
// The same grammar without silence and filler words between the words.
constexpr const char* kPlainGrammarSearch = "lipsmith_grammar_plain";
// A quiet stretch at least this long is a pause, not the closure of a stop
// consonant.
constexpr int kPauseFrames = 10;

// pocketsphinx writes its log through one process-wide setting.
void QuietLog() {
    static std::once_flag once;
    std::call_once(once, [] { err_set_logfp(nullptr); });
}

bool IsFiller(std::string_view word) {
    return word.empty() || word[0] == '<' || word[0] == '[' || word[0] == '+';
}

// "read(2)" is the second pronunciation of "read".
std::string BaseWord(std::string_view word) {
    if (!word.empty() && word.back() == ')') {
        const std::size_t open = word.rfind('(');
        if (open != std::string_view::npos && open > 0) return std::string(word.substr(0, open));
    }
    return std::string(word);
}

struct Hypothesis {
    bool found = false;
    std::int32_t score = 0;
    std::vector<RecognizedWord> words;
};

Hypothesis ReadHypothesis(ps_decoder_t* ps) {
    Hypothesis h;
    std::int32_t score = 0;
    const char* text = ps_get_hyp(ps, &score);
    if (!text) return h;
    h.found = true;
    h.score = score;
    for (ps_seg_t* seg = ps_seg_iter(ps); seg; seg = ps_seg_next(seg)) {
        const char* word = ps_seg_word(seg);
        if (!word || IsFiller(word)) continue;
        int start = 0;
        int end = 0;
        ps_seg_frames(seg, &start, &end);
        h.words.push_back(RecognizedWord{BaseWord(word), start, end});
    }
    return h;
}

class PocketRecognizer : public Recognizer {
public:
    PocketRecognizer(ps_decoder_t* ps, RecognizerOptions options)
        : ps_(ps), options_(std::move(options)) {}
    ~PocketRecognizer() override {
        if (dictating_) ps_end_utt(ps_);
        ps_free(ps_);
    }

    HRESULT StartPhrase() override {
        if (dictating_) ps_end_utt(ps_);
        dictating_ = false;
        open_ = false;
        phrase_.clear();
        // Dictation runs while the phrase comes in, unless it is only the
        // grammar's stand-in.
        if (options_.dictation == DictationUse::Always) {
            // A new stream restarts the frame count, so frames are phrase times.
            if (ps_set_search(ps_, dictation_.c_str()) < 0 || ps_start_stream(ps_) < 0 || ps_start_utt(ps_) < 0)
                return E_FAIL;
            dictating_ = true;
        }
        open_ = true;
        return S_OK;
    }

    HRESULT FeedPhrase(std::span<const std::int16_t> samples) override {
        if (!open_) return E_UNEXPECTED;
        if (samples.empty()) return S_OK;
        phrase_.insert(phrase_.end(), samples.begin(), samples.end());
        if (!dictating_) return S_OK;
        return ps_process_raw(ps_, samples.data(), samples.size(), FALSE, FALSE) < 0 ? E_FAIL : S_OK;
    }

    RecognitionResult FinishPhrase(std::string_view grammarText) override {
        RecognitionResult result;
        if (!open_) {
            result.status = E_UNEXPECTED;
            return result;
        }
        open_ = false;
        Hypothesis dictation;
        if (dictating_) {
            dictating_ = false;
            if (ps_end_utt(ps_) < 0) {
                result.status = E_FAIL;
                return result;
            }
            dictation = ReadHypothesis(ps_);
        }
        Hypothesis grammar;
        bool forced = false;
        std::vector<std::string> words = UsableWords(GrammarWords(grammarText), result.notes);
        if (!words.empty() && !phrase_.empty()) grammar = DecodeGrammar(words, result.notes, &forced);
        const bool grammarComplete = Complete(grammar, words);
        // The plain grammar fits any audio: only dictation can tell whether
        // the text was said.
        if (options_.dictation == DictationUse::WhenGrammarFails && (!grammarComplete || forced))
            dictation = DecodeWith(dictation_.c_str(), 0, phrase_.size());

        // The grammar's result counts only when it went through the whole
        // text; then it wins unless dictation heard other words and explains
        // the audio better.
        if (grammarComplete && (!dictation.found || dictation.words.empty() || grammar.score >= dictation.score ||
                                Complete(dictation, words))) {
            result.source = RecognitionSource::Grammar;
            result.words = grammar.words;
        } else if (dictation.found && !dictation.words.empty()) {
            result.source = RecognitionSource::Dictation;
            result.words = dictation.words;
        }
        phrase_.clear();
        phrase_.shrink_to_fit();
        return result;
    }

private:
    // The grammar words the decoder can use: known to the dictionary, or
    // given a pronunciation; the others are left out with a note.
    std::vector<std::string> UsableWords(std::vector<std::string> words, std::vector<std::string>& notes) {
        std::vector<std::string> usable;
        std::set<std::string> noted;
        for (std::string& w : words) {
            if (Known(w)) {
                usable.push_back(std::move(w));
            } else if (noted.insert(w).second) {
                notes.push_back("The word \"" + w +
                                "\" is not in the recognizer's dictionary; it is left out of the grammar.");
            }
        }
        return usable;
    }

    bool Known(const std::string& word) {
        if (char* phones = ps_lookup_word(ps_, word.c_str())) {
            std::free(phones);
            return true;
        }
        if (!options_.pronounce) return false;
        const std::string phones = options_.pronounce(word);
        return !phones.empty() && ps_add_word(ps_, word.c_str(), phones.c_str(), FALSE) >= 0;
    }

    // The grammar with silences between words aligns best, but this
    // decoder's grammar search fails to finish on some phrases when silence
    // may stand before a word; the plain grammar then aligns the speech
    // alone, and pauses are given back to the words before them.
    Hypothesis DecodeGrammar(const std::vector<std::string>& words, std::vector<std::string>& notes, bool* forced) {
        const std::string jsgf = BuildJsgf(words);
        if (jsgf != loadedJsgf_) {
            loadedJsgf_.clear();
            cmd_ln_t* config = ps_get_config(ps_);
            const bool built = SetGrammar(kGrammarSearch, jsgf);
            cmd_ln_set_boolean_r(config, "-fsgusefiller", FALSE);
            const bool plain = built && SetGrammar(kPlainGrammarSearch, jsgf);
            cmd_ln_set_boolean_r(config, "-fsgusefiller", TRUE);
            ps_set_search(ps_, dictation_.c_str());
            if (!plain) {
                notes.push_back("The grammar could not be built from the text; dictation alone is used.");
                return {};
            }
            loadedJsgf_ = jsgf;
        }
        Hypothesis h = DecodeWith(kGrammarSearch, 0, phrase_.size());
        if (!Complete(h, words)) {
            *forced = true;
            // The speech alone: the phrase without its leading and trailing silence.
            const std::vector<bool> quiet = QuietFrames(phrase_, kSamplesPerFrame);
            std::size_t first = 0;
            std::size_t last = quiet.size();
            while (first < last && quiet[first]) ++first;
            while (last > first && quiet[last - 1]) --last;
            const std::size_t lead = first > 3 ? first - 3 : 0;
            const std::size_t end = std::min(quiet.size(), last + 3);
            h = DecodeWith(kPlainGrammarSearch, lead * kSamplesPerFrame,
                           std::min(phrase_.size(), end * kSamplesPerFrame));
            for (RecognizedWord& w : h.words) {
                w.startFrame += static_cast<int>(lead);
                w.endFrame += static_cast<int>(lead);
            }
            GivePausesBack(h.words, quiet);
        }
        ps_set_search(ps_, dictation_.c_str());
        return h;
    }

    // The JSGF text's public rule as a search of the decoder (done here
    // rather than by the decoder, which does not free the parsed grammar).
    bool SetGrammar(const char* search, const std::string& jsgf) {
        jsgf_t* grammar = jsgf_parse_string(jsgf.c_str(), nullptr);
        if (!grammar) return false;
        bool set = false;
        if (jsgf_rule_t* rule = jsgf_get_public_rule(grammar)) {
            const float lw = static_cast<float>(cmd_ln_float32_r(ps_get_config(ps_), "-lw"));
            if (fsg_model_t* fsg = jsgf_build_fsg(grammar, rule, ps_get_logmath(ps_), lw)) {
                set = ps_set_fsg(ps_, search, fsg) == 0;
                fsg_model_free(fsg);
            }
        }
        jsgf_grammar_free(grammar);
        return set;
    }

    Hypothesis DecodeWith(const char* search, std::size_t from, std::size_t to) {
        Hypothesis h;
        if (to > from && ps_set_search(ps_, search) == 0 && ps_start_stream(ps_) == 0 && ps_start_utt(ps_) == 0) {
            ps_process_raw(ps_, phrase_.data() + from, to - from, FALSE, TRUE);
            if (ps_end_utt(ps_) == 0) h = ReadHypothesis(ps_);
        }
        return h;
    }

    static bool Complete(const Hypothesis& h, const std::vector<std::string>& words) {
        if (!h.found || h.words.size() != words.size()) return false;
        for (std::size_t i = 0; i < words.size(); ++i)
            if (h.words[i].text != words[i]) return false;
        return true;
    }

    // Without silence words a pause goes into a neighbouring word; a word
    // whose first half holds a long quiet stretch took in the pause before
    // it, and starts where the sound comes back.
    static void GivePausesBack(std::vector<RecognizedWord>& words, const std::vector<bool>& quiet) {
        const int frames = static_cast<int>(quiet.size());
        for (RecognizedWord& w : words) {
            int bestStart = -1;
            int bestLength = 0;
            for (int f = std::max(0, w.startFrame); f <= w.endFrame && f < frames;) {
                if (!quiet[f]) {
                    ++f;
                    continue;
                }
                const int run = f;
                while (f <= w.endFrame && f < frames && quiet[f]) ++f;
                if (f - run > bestLength) {
                    bestLength = f - run;
                    bestStart = run;
                }
            }
            const int middle = (w.startFrame + w.endFrame) / 2;
            if (bestLength >= kPauseFrames && bestStart + bestLength / 2 <= middle &&
                bestStart + bestLength <= w.endFrame)
                w.startFrame = bestStart + bestLength;
        }
    }

    ps_decoder_t* ps_;
    RecognizerOptions options_;
    // The language model's search, as the decoder names it.
    const std::string dictation_ = "_default";
    std::string loadedJsgf_;
    std::vector<std::int16_t> phrase_;
    bool open_ = false;       // between StartPhrase and FinishPhrase
    bool dictating_ = false;  // the decoder's dictation utterance is open
};

class PocketSpeechDetector : public SpeechDetector {
public:
    explicit PocketSpeechDetector(fe_t* fe) : fe_(fe) {
        capacity_ = 64;
        cep_ = static_cast<mfcc_t**>(ckd_calloc_2d(capacity_, fe_get_output_size(fe_), sizeof(mfcc_t)));
        Reset();
    }
    ~PocketSpeechDetector() override {
        ckd_free_2d(cep_);
        fe_free(fe_);
    }

    void Reset() override {
        fe_start_stream(fe_);
        fe_start_utt(fe_);
    }

    bool Feed(std::span<const std::int16_t> samples) override {
        const std::int16_t* data = samples.data();
        std::size_t left = samples.size();
        while (left > 0) {
            std::int32_t frames = capacity_;
            const std::size_t before = left;
            if (fe_process_frames(fe_, &data, &left, cep_, &frames, nullptr) < 0) break;
            if (left == before && frames == 0) break;  // nothing consumed: never spin
        }
        return fe_get_vad_state(fe_) != 0;
    }

private:
    fe_t* fe_;
    mfcc_t** cep_ = nullptr;
    std::int32_t capacity_ = 0;
};

std::string ModelDir(const RecognizerOptions& options) { return options.modelDir.empty() ? DefaultModelDir() : options.modelDir; }

}  // namespace

std::string DefaultModelDir() {
    if (const char* dir = std::getenv("LIPSMITH_RECO_MODEL"); dir && *dir) return dir;
    return kDebianModelDir;
}

RecognizerCreation CreatePocketRecognizer(const RecognizerOptions& options, std::unique_ptr<Recognizer>* out) {
    const auto started = std::chrono::steady_clock::now();
    RecognizerCreation made;
    out->reset();
    QuietLog();
    const std::filesystem::path dir = ModelDir(options);
    const std::filesystem::path hmm = dir / "en-us";
    const std::filesystem::path lm = dir / "en-us.lm.bin";
    const std::filesystem::path dict = dir / "cmudict-en-us.dict";
    std::error_code ec;
    for (const auto& need : {hmm / "mdef", lm, dict}) {
        if (!std::filesystem::exists(need, ec)) {
            made.status = REGDB_E_CLASSNOTREG;
            made.message = "The speech recognition model is not installed: " + need.string() +
                           " is missing (Debian package pocketsphinx-en-us).";
            return made;
        }
    }
    // Dictation narrowed from the defaults (fewer active models and words
    // per frame, phone lookahead): several times faster with little loss,
    // since the grammar carries the expected words anyway.
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.c_str(), "-lm", lm.c_str(), "-dict",
                                   dict.c_str(), "-logfn", "/dev/null", "-remove_silence", "no", "-maxhmmpf", "3000",
                                   "-maxwpf", "10", "-pl_window", "5", nullptr);
    ps_decoder_t* ps = config ? ps_init(config) : nullptr;
    if (config) cmd_ln_free_r(config);
    if (!ps) {
        made.status = REGDB_E_CLASSNOTREG;
        made.message = "The speech recognizer could not load its model from " + dir.string() + ".";
        return made;
    }
    *out = std::make_unique<PocketRecognizer>(ps, options);
    made.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    return made;
}

RecognizerCreation CreatePocketSpeechDetector(const RecognizerOptions& options, std::unique_ptr<SpeechDetector>* out) {
    const auto started = std::chrono::steady_clock::now();
    RecognizerCreation made;
    out->reset();
    QuietLog();
    const std::string hangover = std::to_string(std::max<long>(1, options.speechHangover.count() / 10));
    cmd_ln_t* config = cmd_ln_init(nullptr, fe_get_args(), TRUE, "-samprate", "16000", "-remove_silence", "yes",
                                   "-remove_noise", "yes", "-vad_postspeech", hangover.c_str(), nullptr);
    fe_t* fe = config ? fe_init_auto_r(config) : nullptr;
    if (config) cmd_ln_free_r(config);
    if (!fe) {
        made.status = E_FAIL;
        made.message = "The speech detector could not be started.";
        return made;
    }
    *out = std::make_unique<PocketSpeechDetector>(fe);
    made.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    return made;
}

}  // namespace lipsmith::engines
