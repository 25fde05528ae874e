// The default phoneme map the program carries (resource "PHONEME" 4125): the
// text of a map file, built in from resources/PhonemeMap4125.xml.
#pragma once
#include <string_view>

namespace lipsmith {

inline constexpr const char* kPhonemeResourceType = "PHONEME";
inline constexpr int kPhonemeResourceId = 4125;

std::string_view BuiltInPhonemeMapText();

}  // namespace lipsmith
