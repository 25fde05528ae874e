// The phonemes a voice reports (the American English phone set, identifiers 1
// to 49) and the ten mouth parameters a phoneme map gives each of them.
#pragma once
#include <array>
#include <optional>

namespace lipsmith {

inline constexpr int kPhonemeCount = 49;
inline constexpr int kSilencePhoneme = 7;          // "_"
inline constexpr int kPrimaryStressPhoneme = 8;    // "1"
inline constexpr int kSecondaryStressPhoneme = 9;  // "2"

// Symbols of identifiers 1 to 49 (index id - 1), as the built-in map names them.
inline constexpr std::array<const char*, kPhonemeCount> kPhonemeSymbols{
    "~",  "!",  "word boundry", ",",  ".",  "?",  "_",  "1",  "2",  "aa", "ae", "ah", "ao",
    "aw", "ax", "ay",           "b",  "ch", "d",  "dh", "eh", "er", "ey", "f",  "g",  "h",
    "ih", "iy", "jy",           "k",  "l",  "m",  "n",  "ng", "ow", "oy", "p",  "r",  "s",
    "sh", "t",  "th",           "uh", "uw", "v",  "w",  "y",  "z",  "zh"};

constexpr bool IsPhonemeId(int id) { return id >= 1 && id <= kPhonemeCount; }

// The symbol of an identifier; "" outside 1 to 49.
constexpr const char* PhonemeSymbol(int id) { return IsPhonemeId(id) ? kPhonemeSymbols[id - 1] : ""; }

// The fields of a map entry, in their order.
enum class MouthParameter {
    MouthWidth,
    MouthOpen,
    MouthUpturn,
    MouthDownturn,
    MouthPuckered,
    TeethUpperVisible,
    TeethLowerVisible,
    TonguePosition,
    LipTension,
    LowerLipPullback,
};
inline constexpr int kMouthParameterCount = 10;

struct MouthParameterInfo {
    MouthParameter parameter;
    const char* element;  // the element that stores it in a map file
    int channel;          // the speech controller channel its keys go to
    const char* label;    // its box in the map editor
};

// Indexed by MouthParameter.
inline constexpr std::array<MouthParameterInfo, kMouthParameterCount> kMouthParameters{{
    {MouthParameter::MouthWidth, "MouthWidth", 1, "Width"},
    {MouthParameter::MouthOpen, "MouthOpen", 2, "Open"},
    {MouthParameter::MouthUpturn, "MouthUpturn", 4, "Upturn"},
    {MouthParameter::MouthDownturn, "MouthDownturn", 9, "Downturn"},
    {MouthParameter::MouthPuckered, "MouthPuckered", 10, "Puckered"},
    {MouthParameter::TeethUpperVisible, "TeethUpperVisible", 5, "Upper Teeth Exposed"},
    {MouthParameter::TeethLowerVisible, "TeethLowerVisible", 6, "Lower Teeth Exposed"},
    {MouthParameter::TonguePosition, "TonguePosition", 7, "Tongue Position"},
    {MouthParameter::LipTension, "LipTension", 8, "Lip Tension"},
    {MouthParameter::LowerLipPullback, "LowerLipPullback", 3, "Lower Lip Pullback"},
}};

constexpr const MouthParameterInfo& InfoOf(MouthParameter p) { return kMouthParameters[static_cast<int>(p)]; }

// The order in which a map file writes the parameters of a phoneme.
inline constexpr std::array<MouthParameter, kMouthParameterCount> kMouthParameterFileOrder{
    MouthParameter::MouthWidth,        MouthParameter::MouthPuckered,     MouthParameter::MouthOpen,
    MouthParameter::LowerLipPullback,  MouthParameter::MouthUpturn,       MouthParameter::TeethUpperVisible,
    MouthParameter::TeethLowerVisible, MouthParameter::TonguePosition,    MouthParameter::LipTension,
    MouthParameter::MouthDownturn};

// The parameter whose values a mouth channel (1 to 10) takes; none for the
// eye and brow channels 11 to 14.
constexpr std::optional<MouthParameter> MouthParameterOfChannel(int channel) {
    for (const MouthParameterInfo& info : kMouthParameters) {
        if (info.channel == channel) return info.parameter;
    }
    return std::nullopt;
}

}  // namespace lipsmith
