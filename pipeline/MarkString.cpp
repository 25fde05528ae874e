#include "MarkString.h"

#include <vector>

#include "CNumbers.h"
#include "FacialCues.h"

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

// Reads an integer field; one that `valid` refuses takes the fallback.
int Int(std::string_view field, bool (*valid)(int), int fallback, bool& replaced) {
    const int value = CAtoi(field);
    if (valid(value)) return value;
    replaced = true;
    return fallback;
}

float Value(std::string_view field, bool& replaced) {
    const double value = CAtof(field);
    if (IsCueValue(value)) return static_cast<float>(value);
    replaced = true;
    return 1.0f;
}

}  // namespace

bool ParseMarkString(std::string_view mark, MarkFields& f) {
    f = MarkFields{};
    const std::size_t colon = mark.find(':');
    if (mark.empty() || colon == std::string_view::npos) return false;
    f.tag = std::string(mark.substr(0, colon));
    const auto parts = SplitCommas(mark.substr(colon + 1));
    auto has = [&](std::size_t i) { return i < parts.size(); };
    bool& r = f.replacedNonsense;
    if (f.tag == "eyes") {
        if (has(0)) f.blink = parts[0];
        if (has(1)) f.node = parts[1];
        if (has(2)) f.side = parts[2];
        if (has(3)) f.repeat = Int(parts[3], IsCueRepeat, 1, r);
        if (has(4)) f.offset = Int(parts[4], IsCueTime, 50, r);
        if (has(5)) f.value = Value(parts[5], r);
        if (has(6)) f.duration = Int(parts[6], IsCueTime, 100, r);
    } else if (f.tag == "brow") {
        if (has(0)) f.blink = parts[0];
        if (has(1)) f.node = parts[1];
        if (has(2)) f.side = parts[2];
        if (has(3)) f.value = Value(parts[3], r);
        if (has(4)) f.browDuration = Int(parts[4], IsCueTime, 100, r);
        if (has(5)) f.browReturnDuration = Int(parts[5], IsCueTime, 500, r);
    }
    return true;
}

}  // namespace lipsmith
