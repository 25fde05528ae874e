#include "EspeakPronouncer.h"

#include <cctype>

#include "EspeakEngine.h"
#include "EspeakPhones.h"

namespace lipsmith::engines {

namespace {

// The Speech API phone symbols are the dictionary's, but for two names.
std::string DictionaryPhone(std::uint16_t id) {
    std::string symbol(PhoneSymbol(id));
    if (symbol == "ax") return "AH";
    if (symbol == "h") return "HH";
    for (char& c : symbol) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return symbol;
}

}  // namespace

std::string EspeakPronunciation(const std::string& word) {
    EspeakEngine* engine = EspeakEngine::Get();
    if (!engine || word.empty()) return {};
    std::string mnemonics;
    engine->Run([&] {
        espeak_SetVoiceByName("en-us");
        const void* text = word.c_str();
        // Phoneme names separated by '|'.
        while (text) {
            const char* part = espeak_TextToPhonemes(&text, espeakCHARS_UTF8, '|' << 8);
            if (!part) break;
            mnemonics += part;
            mnemonics += '|';
        }
    });
    std::string phones;
    std::string name;
    auto flush = [&] {
        // Stress and length marks are not phonemes of their own.
        std::string bare;
        for (char c : name)
            if (c != '\'' && c != ',' && c != ' ' && c != '%' && c != '=') bare += c;
        name.clear();
        if (bare.empty() || bare[0] == '_') return;
        const PhoneMapping m = MapEspeakPhoneme(bare);
        // Identifiers below 10 are pauses and punctuation, not sounds.
        if (m.id < 10) return;
        if (!phones.empty()) phones += ' ';
        phones += DictionaryPhone(m.id);
    };
    for (char c : mnemonics) {
        if (c == '|' || c == ' ') {
            flush();
        } else {
            name += c;
        }
    }
    flush();
    return phones;
}

}  // namespace lipsmith::engines
