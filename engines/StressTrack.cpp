#include "StressTrack.h"

namespace lipsmith::engines {

namespace {
constexpr std::size_t kLookAhead = 6;     // phonemes skipped at most to find a match
constexpr std::size_t kMaxQueue = 4096;   // bound when the two streams never meet
}  // namespace

void StressTrack::AddClause(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '|' || text[i] == '\n')) ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '|' && text[j] != '\n') ++j;
        std::string_view token = text.substr(i, j - i);
        i = j;
        Stress stress = Stress::None;
        // Stress and syllable marks come in front of the phoneme.
        while (!token.empty() && (token[0] == '\'' || token[0] == ',' || token[0] == '%' || token[0] == '=')) {
            if (token[0] == '\'') stress = Stress::Primary;
            else if (token[0] == ',' && stress == Stress::None) stress = Stress::Secondary;
            token.remove_prefix(1);
        }
        if (token.empty()) continue;
        queue_.push_back({std::string(token), stress});
    }
    while (queue_.size() > kMaxQueue) queue_.pop_front();
}

Stress StressTrack::Next(std::string_view mnemonic) {
    const std::size_t limit = std::min(queue_.size(), kLookAhead);
    for (std::size_t k = 0; k < limit; ++k) {
        if (queue_[k].name != mnemonic) continue;
        const Stress s = queue_[k].stress;
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(k) + 1);
        return s;
    }
    return Stress::None;
}

}  // namespace lipsmith::engines
