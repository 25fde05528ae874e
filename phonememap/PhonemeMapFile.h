// Phoneme map files: an XML comment, then MAPPINGS with one PHONEME element per
// entry (attributes phoneme and id, ten parameter elements holding "%.1f"
// values), as two lines ended by CR LF.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "PhonemeMap.h"
#include "Result.h"

namespace lipsmith {

inline constexpr const char* kMapFileComment = "Lipsmith generated file. Do not edit these values manually!";
inline constexpr const char* kMsgXmlParserMissing =
    "Failed to initialize XML parser. Please reinstall Lipsmith. Also make sure you have Internet Explorer V6 or "
    "later!";
inline constexpr const char* kMsgMappingError = "There was an error mapping the phoneme map!";

// Fills `map` in place from the file at `path`, or from the built-in default
// when no path is given. 0 on success. A file that is missing or not
// well-formed gives its load result with no message; entries already read are
// kept when a later element fails.
HRESULT LoadPhonemeMap(PhonemeMap& map, const std::optional<std::string>& path = std::nullopt);

// What loading a map found: its status (as LoadPhonemeMap returns it), why it
// failed in words, and the ids that more than one PHONEME element named (the
// last of them fills the entry).
struct PhonemeMapLoad {
    HRESULT status = S_OK;
    std::string problem;
    std::vector<int> duplicateIds;
    std::size_t phonemeElements = 0;  // PHONEME elements found
    explicit operator bool() const { return status == S_OK; }
};
PhonemeMapLoad LoadPhonemeMapReport(PhonemeMap& map, const std::optional<std::string>& path = std::nullopt);

// Writes the 49 entries as a map file (through a temporary file). 0 on success.
HRESULT SavePhonemeMap(const PhonemeMap& map, const std::string& path);

}  // namespace lipsmith
