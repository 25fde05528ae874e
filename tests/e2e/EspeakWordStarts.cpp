// espeak_word_starts RATE TEXT: where espeak-ng's own synthesis of TEXT at
// RATE words per minute (as `espeak-ng -v en -s RATE` speaks it) starts each
// word it reports: one line per word, its character position in TEXT and its
// start in seconds. A program of its own so the tests'
// process keeps espeak-ng for the voice.
#include <espeak-ng/speak_lib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string gText;

int Collect(short*, int, espeak_EVENT* events) {
    for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        // Punctuation gets word events of its own; only words count. A word
        // that starts with a stop starts with the stop's closure.
        const std::size_t at = e->text_position > 0 ? static_cast<std::size_t>(e->text_position - 1) : SIZE_MAX;
        if (e->type == espeakEVENT_WORD && at < gText.size() && std::isalnum(static_cast<unsigned char>(gText[at])))
            std::printf("%zu %.4f\n", at, static_cast<double>(e->sample) / 22050.0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: espeak_word_starts RATE TEXT\n");
        return 2;
    }
    gText = argv[2];
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_PHONEME_EVENTS) != 22050) return 1;
    espeak_SetSynthCallback(Collect);
    espeak_SetVoiceByName("en");
    espeak_SetParameter(espeakRATE, std::atoi(argv[1]), 0);
    espeak_Synth(gText.c_str(), gText.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8 | espeakENDPAUSE, nullptr,
                 nullptr);
    espeak_Synchronize();
    return 0;
}
