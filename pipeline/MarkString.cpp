#include "MarkString.h"

#include <vector>

#include "CNumbers.h"

namespace lipsmith {

namespace {

std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

}  // namespace

bool ParseMarkString(std::string_view mark, MarkFields& f) {
    f = MarkFields{};
    const std::size_t colon = mark.find(':');
    if (mark.empty() || colon == std::string_view::npos) return false;
    f.tag = std::string(mark.substr(0, colon));
    const auto parts = SplitCommas(mark.substr(colon + 1));
    auto has = [&](std::size_t i) { return i < parts.size(); };
    if (f.tag == "eyes") {
        if (has(0)) f.blink = parts[0];
        if (has(1)) f.node = parts[1];
        if (has(2)) f.side = parts[2];
        if (has(3)) f.repeat = CAtoi(parts[3]);
        if (has(4)) f.offset = CAtoi(parts[4]);
        if (has(5)) f.value = static_cast<float>(CAtof(parts[5]));
        if (has(6)) f.duration = CAtoi(parts[6]);
    } else if (f.tag == "brow") {
        if (has(0)) f.blink = parts[0];
        if (has(1)) f.node = parts[1];
        if (has(2)) f.side = parts[2];
        if (has(3)) f.value = static_cast<float>(CAtof(parts[3]));
        if (has(4)) f.browDuration = CAtoi(parts[4]);
        if (has(5)) f.browReturnDuration = CAtoi(parts[5]);
    }
    return true;
}

}  // namespace lipsmith
