// The phoneme map: for each of the 49 phonemes, the mouth shape it makes.
#pragma once
#include <array>
#include <string>

#include "PhonemeSet.h"

namespace lipsmith {

struct PhonemeEntry {
    float parameters[kMouthParameterCount] = {};  // indexed by MouthParameter
    int id = 0;                                   // the phoneme identifier, 1 to 49
    std::string name;                             // the phoneme's symbol

    float& operator[](MouthParameter p) { return parameters[static_cast<int>(p)]; }
    float operator[](MouthParameter p) const { return parameters[static_cast<int>(p)]; }
    bool operator==(const PhonemeEntry&) const = default;
};

// Entry i belongs to phoneme identifier i + 1.
using PhonemeMap = std::array<PhonemeEntry, kPhonemeCount>;

}  // namespace lipsmith
