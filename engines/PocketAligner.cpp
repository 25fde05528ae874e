// The forced aligner over pocketsphinx: a grammar built per phrase from the
// stretch of text, every word optional. Its headers define TRUE and FALSE as
// macros, so they stay inside this file.
//
// Each word of the stretch enters the dictionary under a name of its own
// ("word_INDEX"), so the decoder's path tells which place in the text each
// word it heard stands for, even when the text repeats a word.
#include <pocketsphinx.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fsg_model.h>
#include <sphinxbase/glist.h>
#include <sphinxbase/jsgf.h>
#include <sphinxbase/logmath.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "ForcedAligner.h"
#include "QuietFrames.h"

namespace lipsmith::engines {

namespace {

constexpr const char* kSearch = "lipsmith_align";
// Quiet frames kept around the sounding part of a phrase.
constexpr std::size_t kEdgeFrames = 3;
// A quiet stretch at least this long is a pause, not a stop's closure.
constexpr int kPauseFrames = 8;

void QuietLog() {
    static std::once_flag once;
    std::call_once(once, [] { err_set_logfp(nullptr); });
}

std::string Lookup(ps_decoder_t* ps, const std::string& word) {
    char* phones = ps_lookup_word(ps, word.c_str());
    if (!phones) return {};
    std::string out = phones;
    std::free(phones);
    return out;
}

class PocketAligner : public ForcedAligner {
public:
    PocketAligner(ps_decoder_t* ps, ForcedAlignerOptions options) : ps_(ps), options_(std::move(options)) {}
    ~PocketAligner() override { ps_free(ps_); }

    StretchAlignment Align(std::span<const std::int16_t> phrase, const std::vector<std::string>& stretch,
                           std::size_t firstIndex) override {
        StretchAlignment result;
        if (phrase.empty() || stretch.empty()) return result;
        std::vector<std::string> names(stretch.size());
        for (std::size_t i = 0; i < stretch.size(); ++i) {
            names[i] = Entry(stretch[i], firstIndex + i);
            if (names[i].empty()) result.unpronounceable.push_back(i);
        }
        if (!SetGrammar(names)) {
            result.status = E_FAIL;
            return result;
        }
        // The decoder's silence model breaks this grammar search on some
        // phrases, so it gets none: it decodes the sounding part of the
        // phrase, and pauses inside it are given back to the words after.
        const std::vector<bool> quiet = QuietFrames(phrase, kSamplesPerFrame);
        std::size_t first = 0, last = quiet.size();
        while (first < last && quiet[first]) ++first;
        while (last > first && quiet[last - 1]) --last;
        if (first >= last) return result;
        const std::size_t lead = first > kEdgeFrames ? first - kEdgeFrames : 0;
        const std::size_t end = std::min(quiet.size(), last + kEdgeFrames);
        const std::span<const std::int16_t> sounding =
            phrase.subspan(lead * kSamplesPerFrame, std::min(phrase.size(), end * kSamplesPerFrame) - lead * kSamplesPerFrame);
        if (ps_set_search(ps_, kSearch) < 0 || ps_start_utt(ps_) < 0) {
            result.status = E_FAIL;
            return result;
        }
        ps_process_raw(ps_, sounding.data(), sounding.size(), FALSE, TRUE);
        if (ps_end_utt(ps_) < 0) {
            result.status = E_FAIL;
            return result;
        }
        std::int32_t score = 0;
        if (!ps_get_hyp(ps_, &score)) return result;
        const int offset = static_cast<int>(lead);
        for (ps_seg_t* seg = ps_seg_iter(ps_); seg; seg = ps_seg_next(seg)) {
            const char* word = ps_seg_word(seg);
            if (!word) continue;
            int start = 0;
            int stop = 0;
            ps_seg_frames(seg, &start, &stop);
            start += offset;
            stop += offset;
            const std::string_view w(word);
            if (w == "[SPEECH]" || w == "[NOISE]") {
                result.extra.push_back({start, stop});
                continue;
            }
            const std::size_t at = w.rfind('_');
            if (at == std::string_view::npos) continue;  // silence and sentence marks
            const std::size_t index = std::strtoul(std::string(w.substr(at + 1)).c_str(), nullptr, 10);
            if (index < firstIndex || index - firstIndex >= stretch.size()) continue;
            result.words.push_back({index - firstIndex, start, stop});
        }
        GivePausesBack(result.words, quiet);
        return result;
    }

private:
    // A pause goes into a neighbouring word: a word that begins with a long
    // quiet stretch starts where the sound comes back, and one that ends with
    // one ends where the sound stops. Shorter quiet is a stop's closure and
    // belongs to the word.
    static void GivePausesBack(std::vector<AlignedWord>& words, const std::vector<bool>& quiet) {
        const int frames = static_cast<int>(quiet.size());
        for (AlignedWord& w : words) {
            int f = std::max(0, w.startFrame);
            while (f <= w.endFrame && f < frames && quiet[static_cast<std::size_t>(f)]) ++f;
            if (f - w.startFrame >= kPauseFrames && f <= w.endFrame) w.startFrame = f;
            int g = std::min(w.endFrame, frames - 1);
            while (g >= w.startFrame && quiet[static_cast<std::size_t>(g)]) --g;
            if (w.endFrame - g >= kPauseFrames && g >= w.startFrame) w.endFrame = g;
        }
    }

    // The dictionary entry of the word at `index` (added on first use, with
    // every pronunciation of the word); "" when it has no pronunciation.
    std::string Entry(const std::string& word, std::size_t index) {
        const std::string name = word + "_" + std::to_string(index);
        if (added_.count(name)) return name;
        std::string phones = Lookup(ps_, word);
        if (phones.empty() && options_.pronounce && !word.empty()) {
            phones = options_.pronounce(word);
            if (!phones.empty() && ps_add_word(ps_, word.c_str(), phones.c_str(), FALSE) < 0) phones.clear();
        }
        if (phones.empty()) return {};
        if (ps_add_word(ps_, name.c_str(), phones.c_str(), FALSE) < 0) return {};
        std::vector<std::string> prons{phones};
        for (int alt = 2;; ++alt) {
            const std::string more = Lookup(ps_, word + "(" + std::to_string(alt) + ")");
            if (more.empty()) break;
            prons.push_back(more);
        }
        // The voice's own reading as one more way to say it: speakers read
        // names and rare words as letter-to-sound rules do.
        if (options_.pronounce) {
            auto known = voiced_.find(word);
            if (known == voiced_.end()) known = voiced_.emplace(word, options_.pronounce(word)).first;
            const std::string& voiced = known->second;
            if (!voiced.empty() && std::find(prons.begin(), prons.end(), voiced) == prons.end()) prons.push_back(voiced);
        }
        for (std::size_t alt = 1; alt < prons.size(); ++alt)
            ps_add_word(ps_, (name + "(" + std::to_string(alt + 1) + ")").c_str(), prons[alt].c_str(), FALSE);
        added_.insert(name);
        return name;
    }

    // The stretch as a JSGF rule in which every word is optional: the phrase
    // says any of them in order. A word passed over costs its skip weight;
    // the phrase may end after any word.
    bool SetGrammar(const std::vector<std::string>& names) {
        std::string jsgf = "#JSGF V1.0;\ngrammar lipsmith_align;\npublic <stretch> =";
        const double sp = options_.skipProbability;
        char skip[32], take[32];
        std::snprintf(skip, sizeof skip, "%g", sp);
        std::snprintf(take, sizeof take, "%g", 1.0 - sp);
        bool any = false;
        for (const std::string& name : names) {
            if (name.empty()) continue;
            any = true;
            jsgf += std::string(" ( /") + take + "/ " + name + " | /" + skip + "/ <NULL> )";
        }
        if (!any) jsgf += " <NULL>";
        jsgf += ";\n";
        jsgf_t* grammar = jsgf_parse_string(jsgf.c_str(), nullptr);
        if (!grammar) return false;
        bool set = false;
        if (jsgf_rule_t* rule = jsgf_get_public_rule(grammar)) {
            const float lw = static_cast<float>(cmd_ln_float32_r(ps_get_config(ps_), "-lw"));
            if (fsg_model_t* fsg = jsgf_build_fsg(grammar, rule, ps_get_logmath(ps_), lw)) {
                // The phrase may end early: every state leads to the end.
                for (std::int32_t i = 0; i < fsg->n_state; ++i)
                    if (i != fsg->final_state) fsg_model_null_trans_add(fsg, i, fsg->final_state, 0);
                glist_free(fsg_model_null_trans_closure(fsg, nullptr));
                // Once the phrase's words are done, what is left of its
                // audio is silence or speech of other words, not part of the
                // last word.
                const float extra = static_cast<float>(options_.extraSpeechProbability);
                if (extra > 0) fsg_model_add_silence(fsg, "[SPEECH]", fsg->final_state, extra);
                set = ps_set_fsg(ps_, kSearch, fsg) == 0;
                fsg_model_free(fsg);
            }
        }
        jsgf_grammar_free(grammar);
        return set;
    }

    ps_decoder_t* ps_;
    ForcedAlignerOptions options_;
    std::unordered_set<std::string> added_;
    std::unordered_map<std::string, std::string> voiced_;  // the voice's reading of each word
};

}  // namespace

RecognizerCreation CreatePocketAligner(const ForcedAlignerOptions& options, std::unique_ptr<ForcedAligner>* out) {
    const auto started = std::chrono::steady_clock::now();
    RecognizerCreation made;
    out->reset();
    QuietLog();
    const std::filesystem::path dir = options.modelDir.empty() ? DefaultModelDir() : options.modelDir;
    const std::filesystem::path hmm = dir / "en-us";
    const std::filesystem::path dict = dir / "cmudict-en-us.dict";
    std::error_code ec;
    for (const auto& need : {hmm / "mdef", dict}) {
        if (!std::filesystem::exists(need, ec)) {
            made.status = REGDB_E_CLASSNOTREG;
            made.message = "The speech recognition model is not installed: " + need.string() +
                           " is missing (Debian package pocketsphinx-en-us).";
            return made;
        }
    }
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.c_str(), "-dict", dict.c_str(), "-logfn",
                                   "/dev/null", "-remove_silence", "no", "-fsgusefiller", "no", "-bestpath", "no",
                                   nullptr);
    ps_decoder_t* ps = config ? ps_init(config) : nullptr;
    if (config) cmd_ln_free_r(config);
    if (!ps) {
        made.status = REGDB_E_CLASSNOTREG;
        made.message = "The speech recognizer could not load its model from " + dir.string() + ".";
        return made;
    }
    *out = std::make_unique<PocketAligner>(ps, options);
    made.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    return made;
}

}  // namespace lipsmith::engines
