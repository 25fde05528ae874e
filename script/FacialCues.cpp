#include "FacialCues.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "CNumbers.h"
#include "ScriptMessages.h"

namespace lipsmith {

namespace {

bool IsValidSide(const std::string& side) {
    return side == "left" || side == "right" || side == "both";
}

bool IsBool(const std::string& value) { return value == "true" || value == "false"; }

}  // namespace

bool IsCueTime(int ms) { return ms >= 0 && ms <= kMaxCueMs; }
bool IsCueRepeat(int repeat) { return repeat >= 0 && repeat <= kMaxCueRepeat; }
bool IsCueValue(double value) { return std::isfinite(value) && std::fabs(value) <= FLT_MAX; }

std::string FormatWithValue(const char* format, const std::string& value) {
    const std::size_t fixed = std::strlen(format) - 2;  // without the "%s"
    std::string shown = value;
    if (fixed + shown.size() > kMaxWarningLength) {
        const std::size_t room = kMaxWarningLength > fixed + 3 ? kMaxWarningLength - fixed - 3 : 0;
        shown = value.substr(0, room) + "...";
    }
    return CFormat(format, shown.c_str());
}

namespace {

// Reads one cue's attributes in order. Messages about missing attributes
// and an invalid side are written only while warnings are reported; an
// invalid true/false value is written on every pass.
class CueReader {
public:
    CueReader(const pugi::xml_node& element, bool reportWarnings, const CueReport& report)
        : element_(element), reportWarnings_(reportWarnings), report_(report) {}

    // "true" or "false"; anything else and a missing attribute give "true".
    void Switch(const char* name, std::string& into, const char* invalid, const char* missing) {
        if (const pugi::xml_attribute a = element_.attribute(name)) {
            into = a.value();
            if (!IsBool(into)) {
                report_(FormatWithValue(invalid, into), OutputKind::Warning);
                into = "true";
            }
        } else {
            Warn(missing);
        }
    }
    // A value beyond the float range keeps the default, with `invalid`.
    void Float(const char* name, float& into, const char* missing, const char* invalid) {
        if (const pugi::xml_attribute a = element_.attribute(name)) {
            const double value = CAtof(a.value());
            if (IsCueValue(value)) into = static_cast<float>(value);
            else WarnValue(invalid, a.value());
        } else {
            Warn(missing);
        }
    }
    // missing may be null: the default is then taken silently. A value that
    // `valid` refuses keeps the default, with `invalid`.
    void Int(const char* name, int& into, const char* missing, bool (*valid)(int), const char* invalid) {
        if (const pugi::xml_attribute a = element_.attribute(name)) {
            const int value = CAtoi(a.value());
            if (valid(value)) into = value;
            else WarnValue(invalid, a.value());
        } else {
            Warn(missing);
        }
    }
    void Text(const char* name, std::string& into) {
        if (const pugi::xml_attribute a = element_.attribute(name)) into = a.value();
    }
    void Side(std::string& into, const char* missing) {
        if (const pugi::xml_attribute a = element_.attribute("side")) {
            into = a.value();
            if (!IsValidSide(into)) {
                if (reportWarnings_) report_(FormatWithValue(msg::kSideInvalid, into), OutputKind::Warning);
                into = "both";
            }
        } else {
            Warn(missing);
        }
    }

private:
    void Warn(const char* text) {
        if (text && reportWarnings_) report_(text, OutputKind::Warning);
    }
    void WarnValue(const char* format, const std::string& value) {
        if (reportWarnings_) report_(FormatWithValue(format, value), OutputKind::Warning);
    }
    const pugi::xml_node& element_;
    bool reportWarnings_;
    const CueReport& report_;
};

}  // namespace

EyesCue ReadEyesCue(const pugi::xml_node& element, bool reportWarnings, const CueReport& report) {
    EyesCue cue;
    CueReader r(element, reportWarnings, report);
    r.Switch("blink", cue.blink, msg::kEyesBlinkInvalid, msg::kEyesBlinkMissing);
    r.Float("value", cue.value, msg::kEyesValueMissing, msg::kEyesValueInvalid);
    r.Int("repeat", cue.repeat, msg::kEyesRepeatMissing, IsCueRepeat, msg::kEyesRepeatInvalid);
    r.Int("offset", cue.offset, cue.repeat > 1 ? msg::kEyesOffsetMissing : nullptr, IsCueTime,
          msg::kEyesOffsetInvalid);
    r.Int("duration", cue.duration, msg::kEyesDurationMissing, IsCueTime, msg::kEyesDurationInvalid);
    r.Text("node", cue.node);
    r.Side(cue.side, msg::kEyesSideMissing);
    return cue;
}

BrowCue ReadBrowCue(const pugi::xml_node& element, bool reportWarnings, const CueReport& report) {
    BrowCue cue;
    CueReader r(element, reportWarnings, report);
    r.Switch("return", cue.returns, msg::kBrowReturnInvalid, msg::kBrowReturnMissing);
    r.Float("value", cue.value, msg::kBrowValueMissing, msg::kBrowValueInvalid);
    r.Int("duration", cue.duration, msg::kBrowDurationMissing, IsCueTime, msg::kBrowDurationInvalid);
    if (cue.returns == "true") {
        cue.retDuration = 500;
        r.Int("ret_duration", cue.retDuration, msg::kBrowRetDurationMissing, IsCueTime,
              msg::kBrowRetDurationInvalid);
    }
    r.Text("node", cue.node);
    r.Side(cue.side, msg::kBrowSideMissing);
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
