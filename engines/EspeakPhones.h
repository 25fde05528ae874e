// espeak-ng's English phoneme mnemonics (as its phoneme events name them) and
// the Speech API American English phone identifiers 1..49 they map to.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lipsmith::engines {

struct PhoneMapping {
    std::uint16_t id = 0;   // phone identifier 1..49; 7 is silence
    bool known = false;     // false: not in the table, `id` is the closest guess
};

// Maps one mnemonic. Pauses ("_", "_:", "_!" ...) give silence; an unknown
// mnemonic falls back to its base phoneme (modifiers stripped) or, failing
// that, to the neutral vowel "ax", and is remembered for UnmappedPhonemes().
PhoneMapping MapEspeakPhoneme(std::string_view mnemonic);

// espeak-ng reports a change of language inside a text ("(en)", "(de)") as
// a phoneme of its own; it is no sound.
bool IsLanguageSwitch(std::string_view mnemonic);

// True for the vowel identifiers (10..16, 21..23, 27, 28, 35, 36, 43, 44).
bool IsVowelPhone(std::uint16_t id);

// The symbol of an identifier ("aa", "_", ...), "" outside 1..49.
std::string_view PhoneSymbol(std::uint16_t id);

// Where the note about a mnemonic that fell through the table goes, once per
// mnemonic (default: standard error, "lipsmith: note: ...").
void SetUnmappedPhonemeNote(std::function<void(const std::string& note)> note);

// Mnemonics that fell through the table since the process started.
std::vector<std::string> UnmappedPhonemes();

}  // namespace lipsmith::engines
