#include "VoiceTokens.h"

#include <cctype>
#include <string>

#include "EspeakEngine.h"

namespace lipsmith::engines {

namespace {

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

const std::string* Attribute(const speech::VoiceToken& t, std::string_view key) {
    if (IEquals(key, "Name")) return &t.name;
    if (IEquals(key, "Gender")) return &t.gender;
    if (IEquals(key, "Language")) return &t.language;
    if (IEquals(key, "Vendor")) return &t.vendor;
    return nullptr;
}

// Calls f(key, value) for each "Key=Value" of a ';'-separated list; an item
// without '=' has an empty value.
template <class F>
bool ForEachAttribute(std::string_view list, F f) {
    while (!list.empty()) {
        const std::size_t semi = list.find(';');
        std::string_view item = list.substr(0, semi);
        list = semi == std::string_view::npos ? std::string_view() : list.substr(semi + 1);
        item = TrimView(item);
        if (item.empty()) continue;
        const std::size_t eq = item.find('=');
        const std::string_view key = TrimView(item.substr(0, eq));
        const std::string_view value = eq == std::string_view::npos ? std::string_view() : TrimView(item.substr(eq + 1));
        if (!f(key, value)) return false;
    }
    return true;
}

int CountMatches(const speech::VoiceToken& t, std::string_view list) {
    int n = 0;
    ForEachAttribute(list, [&](std::string_view k, std::string_view v) {
        const std::string* a = Attribute(t, k);
        if (a && IEquals(*a, v)) ++n;
        return true;
    });
    return n;
}

std::string_view RequiredName(std::string_view required) {
    std::string_view name;
    ForEachAttribute(required, [&](std::string_view k, std::string_view v) {
        if (IEquals(k, "Name")) name = v;
        return true;
    });
    return name;
}

}  // namespace

bool TokenMatches(const speech::VoiceToken& token, std::string_view attributes) {
    return ForEachAttribute(attributes, [&](std::string_view k, std::string_view v) {
        const std::string* a = Attribute(token, k);
        return a && IEquals(*a, v);
    });
}

std::optional<speech::VoiceToken> ChooseVoice(const std::vector<speech::VoiceToken>& voices,
                                              std::string_view required, std::string_view optional) {
    const std::string_view name = RequiredName(required);
    const speech::VoiceToken* best = nullptr;
    int bestScore = -1;
    for (const speech::VoiceToken& t : voices) {
        if (!TokenMatches(t, required)) continue;
        const int score = (!name.empty() && t.name == name ? 1000 : 0) + CountMatches(t, optional);
        if (score > bestScore) {
            best = &t;
            bestScore = score;
        }
    }
    if (!best) return std::nullopt;
    // Only wishes, none of them met: no reason to leave the current voice.
    if (TrimView(required).empty() && bestScore == 0) return std::nullopt;
    return *best;
}

std::optional<speech::VoiceToken> DefaultVoice(const std::vector<speech::VoiceToken>& voices) {
    for (const char* lang : {"en-us", "en", "en-gb"}) {
        for (const auto& t : voices) {
            if (IEquals(t.language, lang)) return t;
        }
    }
    if (!voices.empty()) return voices.front();
    return std::nullopt;
}

}  // namespace lipsmith::engines

namespace lipsmith::speech {

std::vector<VoiceToken> EnumerateVoices(const std::string& required) {
    std::vector<VoiceToken> out;
    engines::EspeakEngine* engine = engines::EspeakEngine::Get();
    if (!engine) return out;
    for (const VoiceToken& t : engine->Voices()) {
        if (engines::TokenMatches(t, required)) out.push_back(t);
    }
    return out;
}

}  // namespace lipsmith::speech
