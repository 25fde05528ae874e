#include "EyesTagDlg.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#include "CNumbers.h"
#include "FacialCues.h"

namespace lipsmith {

EyesTagDlg::EyesTagDlg(TagKind kind, std::vector<std::string> nodes) : nodes_(std::move(nodes)) {
    values_.kind = kind;
    std::sort(nodes_.begin(), nodes_.end());
}

std::string EyesTagDlg::Caption() const {
    return values_.kind == TagKind::Eyes ? "<eyes> Tag Property" : "<brow> Tag Property";
}

std::string EyesTagDlg::CheckLabel() const { return values_.kind == TagKind::Eyes ? "Blink" : "Return"; }

const std::vector<std::string>& EyesTagDlg::Sides() {
    static const std::vector<std::string> sides{"both", "left", "right"};
    return sides;
}

void EyesTagDlg::SetValueText(const std::string& text) {
    // The value is written back with one decimal and read again by the
    // parser: it must stay a finite number the script can carry.
    const double v = CAtof(text);
    if (std::isnan(v))
        values_.value = 0.0f;
    else
        values_.value = static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// Times and counts keep within what the cue reader takes, so an inserted
// tag never reads back as a warning and a default.
void EyesTagDlg::SetDurationText(const std::string& text) {
    values_.duration = static_cast<unsigned>(std::clamp(CAtoi(text), 0, kMaxCueMs));
}

void EyesTagDlg::SetRepeatText(const std::string& text) { values_.repeat = std::clamp(CAtoi(text), 0, kMaxCueRepeat); }

void EyesTagDlg::SetOffsetText(const std::string& text) { values_.offset = std::clamp(CAtoi(text), 0, kMaxCueMs); }

std::string EyesTagDlg::ValueText() const { return FormatOneDecimal(values_.value); }

void SilenceDlg::SetText(const std::string& text) { msec_ = CAtoi(text); }

}  // namespace lipsmith
