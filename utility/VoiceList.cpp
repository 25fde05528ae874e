#include "VoiceList.h"

#include "SpeechApi.h"

namespace lipsmith {

std::vector<std::string> VoiceMenuNames() {
    std::vector<std::string> names;
    for (const speech::VoiceToken& t : speech::EnumerateVoices(std::string("Vendor=") + speech::kPlatformVoiceVendor))
        names.push_back(t.name);
    return names;
}

}  // namespace lipsmith
