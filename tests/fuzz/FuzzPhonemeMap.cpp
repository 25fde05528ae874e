// The phoneme map loader on any file; a map that loads is saved and loaded
// again and must come back the same.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "PhonemeMapFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lipsmith;
    static fuzz::ScratchFiles files;
    static const std::string input = files.Add("map.xml");
    static const std::string saved = files.Add("saved.xml");
    fuzz::UseQuietPrompts();
    if (!fuzz::WriteBytes(input, data, size)) return 0;
    // A file fills the entries it names over the built-in map, as at start-up.
    static const PhonemeMap builtIn = [] {
        PhonemeMap m{};
        if (LoadPhonemeMap(m, std::nullopt) != S_OK) std::abort();
        return m;
    }();
    PhonemeMap map = builtIn;
    if (LoadPhonemeMap(map, input) != S_OK) return 0;
    for (const PhonemeEntry& entry : map) {
        for (const float v : entry.parameters) {
            if (!std::isfinite(v)) std::abort();  // no key may ever be NaN or infinite
        }
    }
    if (SavePhonemeMap(map, saved) != S_OK) return 0;
    PhonemeMap again{};
    if (LoadPhonemeMap(again, saved) != S_OK) std::abort();  // what was saved must load
    return 0;
}
