#include "FacialCues.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "CNumbers.h"
#include "ScriptMessages.h"

namespace lipsmith {

namespace {

// The value as the 32-bit float the cue stores; values beyond its range
// become infinite instead of an undefined conversion.
float ToFloat(double value) {
    if (std::isnan(value)) return NAN;
    if (value > FLT_MAX) return INFINITY;
    if (value < -FLT_MAX) return -INFINITY;
    return static_cast<float>(value);
}

bool IsValidSide(const std::string& side) {
    return side == "left" || side == "right" || side == "both";
}

bool IsBool(const std::string& value) { return value == "true" || value == "false"; }

}  // namespace

std::string FormatWithValue(const char* format, const std::string& value) {
    const std::size_t fixed = std::strlen(format) - 2;  // without the "%s"
    std::string shown = value;
    if (fixed + shown.size() > kMaxWarningLength) {
        const std::size_t room = kMaxWarningLength > fixed + 3 ? kMaxWarningLength - fixed - 3 : 0;
        shown = value.substr(0, room) + "...";
    }
    return CFormat(format, shown.c_str());
}

EyesCue ReadEyesCue(const pugi::xml_node& element, bool reportWarnings, const CueReport& report) {
    EyesCue cue;
    auto warn = [&](const char* text) {
        if (reportWarnings) report(text, OutputKind::Warning);
    };

    if (const pugi::xml_attribute a = element.attribute("blink")) {
        cue.blink = a.value();
        if (!IsBool(cue.blink)) {
            report(FormatWithValue(msg::kEyesBlinkInvalid, cue.blink), OutputKind::Warning);
            cue.blink = "true";
        }
    } else {
        warn(msg::kEyesBlinkMissing);
    }

    if (const pugi::xml_attribute a = element.attribute("value"))
        cue.value = ToFloat(CAtof(a.value()));
    else
        warn(msg::kEyesValueMissing);

    if (const pugi::xml_attribute a = element.attribute("repeat"))
        cue.repeat = CAtoi(a.value());
    else
        warn(msg::kEyesRepeatMissing);

    if (const pugi::xml_attribute a = element.attribute("offset"))
        cue.offset = CAtoi(a.value());
    else if (cue.repeat > 1)
        warn(msg::kEyesOffsetMissing);

    if (const pugi::xml_attribute a = element.attribute("duration"))
        cue.duration = CAtoi(a.value());
    else
        warn(msg::kEyesDurationMissing);

    if (const pugi::xml_attribute a = element.attribute("node")) cue.node = a.value();

    if (const pugi::xml_attribute a = element.attribute("side")) {
        cue.side = a.value();
        if (!IsValidSide(cue.side)) {
            if (reportWarnings) report(FormatWithValue(msg::kSideInvalid, cue.side), OutputKind::Warning);
            cue.side = "both";
        }
    } else {
        warn(msg::kEyesSideMissing);
    }
    return cue;
}

BrowCue ReadBrowCue(const pugi::xml_node& element, bool reportWarnings, const CueReport& report) {
    BrowCue cue;
    auto warn = [&](const char* text) {
        if (reportWarnings) report(text, OutputKind::Warning);
    };

    if (const pugi::xml_attribute a = element.attribute("return")) {
        cue.returns = a.value();
        if (!IsBool(cue.returns)) {
            report(FormatWithValue(msg::kBrowReturnInvalid, cue.returns), OutputKind::Warning);
            cue.returns = "true";
        }
    } else {
        warn(msg::kBrowReturnMissing);
    }

    if (const pugi::xml_attribute a = element.attribute("value"))
        cue.value = ToFloat(CAtof(a.value()));
    else
        warn(msg::kBrowValueMissing);

    if (const pugi::xml_attribute a = element.attribute("duration"))
        cue.duration = CAtoi(a.value());
    else
        warn(msg::kBrowDurationMissing);

    if (cue.returns == "true") {
        cue.retDuration = 500;
        if (const pugi::xml_attribute a = element.attribute("ret_duration"))
            cue.retDuration = CAtoi(a.value());
        else
            warn(msg::kBrowRetDurationMissing);
    }

    if (const pugi::xml_attribute a = element.attribute("node")) cue.node = a.value();

    if (const pugi::xml_attribute a = element.attribute("side")) {
        cue.side = a.value();
        if (!IsValidSide(cue.side)) {
            if (reportWarnings) report(FormatWithValue(msg::kSideInvalid, cue.side), OutputKind::Warning);
            cue.side = "both";
        }
    } else {
        warn(msg::kBrowSideMissing);
    }
    return cue;
}

std::string FormatEyesMark(const EyesCue& cue) {
    return "eyes:" + cue.blink + "," + cue.node + "," + cue.side + "," + std::to_string(cue.repeat) +
           "," + std::to_string(cue.offset) + "," + FormatOneDecimal(cue.value) + "," +
           std::to_string(cue.duration);
}

std::string FormatBrowMark(const BrowCue& cue) {
    return "brow:" + cue.returns + "," + cue.node + "," + cue.side + "," + FormatOneDecimal(cue.value) +
           "," + std::to_string(cue.duration) + "," + std::to_string(cue.retDuration);
}

}  // namespace lipsmith
