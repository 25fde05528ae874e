// espeak-ng's own account of where each word of a synthesis starts, for
// judging alignments of recordings it made. The library's synthesis at a
// rate is the one the espeak-ng program writes at that rate.
#pragma once
#include <espeak-ng/speak_lib.h>

#include <cctype>
#include <string>
#include <vector>

namespace lipsmith::testing_support {

struct EspeakWords {
    std::vector<double> starts;         // seconds
    std::vector<std::size_t> offsets;   // where each word begins in the text
    std::string text;
};

inline EspeakWords*& CurrentReference() {
    static EspeakWords* current = nullptr;
    return current;
}

inline int CollectWordStarts(short*, int, espeak_EVENT* events) {
    EspeakWords* ref = CurrentReference();
    for (espeak_EVENT* e = events; ref && e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        // Punctuation gets word events of its own; only words count.
        const std::size_t at = e->text_position > 0 ? static_cast<std::size_t>(e->text_position - 1) : SIZE_MAX;
        if (e->type == espeakEVENT_WORD && at < ref->text.size() &&
            std::isalnum(static_cast<unsigned char>(ref->text[at])))
        {
            ref->starts.push_back(static_cast<double>(e->sample) / 22050.0);
            ref->offsets.push_back(at);
        }
    }
    return 0;
}

inline EspeakWords EspeakWordStarts(const std::string& text, int rate) {
    static const int sampleRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                                    espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
    EspeakWords words;
    if (sampleRate != 22050) return words;
    words.text = text;
    CurrentReference() = &words;
    espeak_SetSynthCallback(CollectWordStarts);
    espeak_SetVoiceByName("en");
    espeak_SetParameter(espeakRATE, rate, 0);
    espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakENDPAUSE, nullptr,
                 nullptr);
    CurrentReference() = nullptr;
    return words;
}

}  // namespace lipsmith::testing_support
