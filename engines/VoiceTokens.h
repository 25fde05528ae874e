// Voice tokens of the installed espeak-ng voices and the choice of a voice
// from Speech API attribute strings ("Name=English (America);Gender=Male").
#pragma once
#include <optional>
#include <string_view>
#include <vector>

#include "SapiXml.h"
#include "SpeechApi.h"

namespace lipsmith::engines {

// True when `token` has every "Key=Value" of `attributes` (keys Name, Gender,
// Language, Vendor; values compared without regard to case).
bool TokenMatches(const speech::VoiceToken& token, std::string_view attributes);

// The best of `voices` for a <voice> tag: it must match `required`; among
// those, an exact (case-sensitive) Name wins, then the most `optional`
// attributes matched, then the first in order. Without required attributes
// a voice must meet at least one optional one.
std::optional<speech::VoiceToken> ChooseVoice(const std::vector<speech::VoiceToken>& voices,
                                              std::string_view required, std::string_view optional);

// The voice a new voice object starts with: English (America) when installed.
std::optional<speech::VoiceToken> DefaultVoice(const std::vector<speech::VoiceToken>& voices);

}  // namespace lipsmith::engines
