// Stress for phoneme events. espeak-ng's phoneme events name the phoneme but
// carry no stress; its phoneme callback gives each clause's phonemes with
// stress marks before the clause is spoken. This aligns the two: every
// phoneme event takes the stress of the matching phoneme of the clause text.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace lipsmith::engines {

enum class Stress : std::uint8_t { None, Secondary, Primary };

class StressTrack {
public:
    // One clause as the phoneme callback gives it with separator '|':
    // words separated by spaces, phonemes by '|', "'" (primary) or ","
    // (secondary) in front of a stressed phoneme.
    void AddClause(std::string_view phonemes);
    // Stress of the phoneme `mnemonic` that is spoken next. Phonemes that the
    // clause text does not hold (pauses the synthesizer adds) take None and
    // consume nothing.
    Stress Next(std::string_view mnemonic);
    void Clear() { queue_.clear(); }
    std::size_t Pending() const { return queue_.size(); }

private:
    struct Item {
        std::string name;
        Stress stress;
    };
    std::deque<Item> queue_;
};

}  // namespace lipsmith::engines
