// The property dialog of an eyes or brow cue ("<eyes> Tag Property" /
// "<brow> Tag Property") without its window: the fields with their start
// values, what each control reads on a change, which controls are enabled
// and shown, and the text OK inserts.
#pragma once
#include <string>
#include <vector>

#include "TagText.h"

namespace lipsmith {

// Control identifiers of the dialog (template 4014).
inline constexpr int IDD_EYES_TAG = 4014;
inline constexpr int IDC_TAG_NODE = 4010;
inline constexpr int IDC_TAG_SIDE = 4012;
inline constexpr int IDC_TAG_VALUE = 4015;
inline constexpr int IDC_TAG_DURATION = 4013;
inline constexpr int IDC_TAG_CHECK = 4011;
inline constexpr int IDC_TAG_REPEAT = 4053;
inline constexpr int IDC_TAG_REPEAT_LABEL = 4054;
inline constexpr int IDC_TAG_OFFSET = 4055;
inline constexpr int IDC_TAG_OFFSET_LABEL = 4056;
inline constexpr int IDC_TAG_OFFSET_UNIT = 4057;

// Digits-only edits keep to this many digits, so that every number they
// hold fits the script's integers.
inline constexpr int kTagDigitsMax = 9;

class EyesTagDlg {
public:
    // `nodes`: the names of the scene's speaking nodes (the list is sorted).
    EyesTagDlg(TagKind kind, std::vector<std::string> nodes);

    TagKind Kind() const { return values_.kind; }
    std::string Caption() const;     // "<eyes> Tag Property" or "<brow> Tag Property"
    std::string CheckLabel() const;  // "Blink" or "Return"
    const std::vector<std::string>& Nodes() const { return nodes_; }
    static const std::vector<std::string>& Sides();  // "both", "left", "right"

    // What each control reads on a change.
    void SelectNode(const std::string& text) { values_.node = text; }
    void SelectSide(const std::string& text) { values_.side = text; }
    void SetValueText(const std::string& text);
    void SetDurationText(const std::string& text);
    void SetChecked(bool on) { values_.checked = on; }
    void SetRepeatText(const std::string& text);
    void SetOffsetText(const std::string& text);

    // What the controls show at the start.
    std::string ValueText() const;
    std::string DurationText() const { return std::to_string(values_.duration); }
    std::string RepeatText() const { return std::to_string(values_.repeat); }
    std::string OffsetText() const { return std::to_string(values_.offset); }

    // The repeat controls exist for eyes only; the offset is enabled exactly
    // while more than one blink is asked for.
    bool RepeatShown() const { return values_.kind == TagKind::Eyes; }
    bool OffsetEnabled() const { return values_.repeat > 1; }

    const CueTagValues& Values() const { return values_; }
    // The text OK inserts.
    std::string TagText() const { return CueTagText(values_); }

private:
    CueTagValues values_;
    std::vector<std::string> nodes_;
};

// The pause dialog ("<silence> Properties", template 4073).
inline constexpr int IDD_SILENCE = 4073;
inline constexpr int IDC_SILENCE_MSEC = 4031;

class SilenceDlg {
public:
    static constexpr const char* kCaption = "<silence> Properties";
    void SetText(const std::string& text);
    std::string Text() const { return std::to_string(msec_); }
    int Msec() const { return msec_; }
    std::string TagText() const { return SilenceTagText(msec_); }

private:
    int msec_ = 500;
};

}  // namespace lipsmith
