// Every text the script parser writes to the Parser Output pane or shows in a
// message box. Texts with "%s", "%d" or "%ld" are printf formats.
#pragma once

namespace lipsmith::msg {

// Facial cue attributes (kind Warning).
inline constexpr const char* kEyesBlinkMissing =
    "Warning: 'blink' attribute was not found in 'eyes' tag. Assuming 'true'.\n";
inline constexpr const char* kEyesBlinkInvalid =
    "Warning: '%s' is an invalid attribute for 'blink' tag. Valid values are 'true' or 'false'. Assuming 'true'.\n";
inline constexpr const char* kEyesValueMissing =
    "Warning: 'value' attribute was not found in 'eyes' tag. Assuming 1.0.\n";
inline constexpr const char* kEyesRepeatMissing =
    "Warning: 'repeat' attribute was not found in 'eyes' tag. Assuming 1.\n";
inline constexpr const char* kEyesOffsetMissing =
    "Warning: 'repeat' >1 but 'offset' attribute was not found in 'eyes' tag. Assuming 50.\n";
inline constexpr const char* kEyesDurationMissing =
    "Warning: 'duration' attribute was not found in 'eyes' tag. Assuming 100 msecs.\n";
inline constexpr const char* kEyesSideMissing =
    "Warning: 'side' attribute was not found in 'eyes' tag. Assuming 'both'.\n";
inline constexpr const char* kSideInvalid =
    "Warning: '%s' is an invalid value for 'side' tag. Valid values are 'left', 'right' or 'both'. Defaulting to 'both'.\n";
inline constexpr const char* kBrowReturnMissing =
    "Warning: 'return' attribute was not found in 'broe' tag. Assuming 'true'.\n";
inline constexpr const char* kBrowReturnInvalid =
    "Warning: '%s' is an invalid attribute for 'brow' tag. Valid values are 'true' or 'false'. Assuming 'true'.\n";
inline constexpr const char* kBrowValueMissing =
    "Warning: 'value' attribute was not found in 'brow' tag. Assuming 1.0.\n";
inline constexpr const char* kBrowDurationMissing =
    "Warning: 'duration' attribute was not found in 'brow' tag. Assuming 100 msecs.\n";
inline constexpr const char* kBrowRetDurationMissing =
    "Warning: 'ret_duration' attribute was not found in 'brow' tag. Assuming 500 msecs.\n";
inline constexpr const char* kBrowSideMissing =
    "Warning: 'side' attribute was not found in 'brow' tag. Assuming 'both'.\n";
// Cue values that make no sense as times or counts, or do not fit a number
// (kind Warning, keys pass only): the value given, then the default used.
inline constexpr const char* kEyesValueInvalid =
    "Warning: '%s' is out of range for 'value' in 'eyes' tag. Assuming 1.0.\n";
inline constexpr const char* kEyesRepeatInvalid =
    "Warning: '%s' is an invalid value for 'repeat' in 'eyes' tag. Valid values are 0 to 100. Assuming 1.\n";
inline constexpr const char* kEyesOffsetInvalid =
    "Warning: '%s' is an invalid value for 'offset' in 'eyes' tag. Valid values are 0 to 60000 msecs. Assuming 50.\n";
inline constexpr const char* kEyesDurationInvalid =
    "Warning: '%s' is an invalid value for 'duration' in 'eyes' tag. Valid values are 0 to 60000 msecs. Assuming 100 msecs.\n";
inline constexpr const char* kBrowValueInvalid =
    "Warning: '%s' is out of range for 'value' in 'brow' tag. Assuming 1.0.\n";
inline constexpr const char* kBrowDurationInvalid =
    "Warning: '%s' is an invalid value for 'duration' in 'brow' tag. Valid values are 0 to 60000 msecs. Assuming 100 msecs.\n";
inline constexpr const char* kBrowRetDurationInvalid =
    "Warning: '%s' is an invalid value for 'ret_duration' in 'brow' tag. Valid values are 0 to 60000 msecs. Assuming 500 msecs.\n";
// A cue whose mark string would not fit the engine's 255-character bookmark
// (kind Error): " (row N)" or nothing, the element's name, the mark's length.
inline constexpr const char* kCueTooLong =
    "Error%s: The '%s' tag is too long to become a bookmark (%d characters, at most 255), so no keys are made for it. Shorten its 'node' value.\n";

// Structure of the script (kind Error unless noted).
inline constexpr const char* kAnimMissing =
    "Error: The '_ANIM_' tag was not defined but was inserted for you. Reparse your script.\n";
inline constexpr const char* kAnimRepeated =
    "Error: Script cannot contain '_ANIM_' tags. '_ANIM_' tags are reserved for internal use.\n"
    "Please rename these tags or use different case e.g. <_Anim_>.\n";
inline constexpr const char* kAnimNotTop = "Error: '_ANIM_' tag is defined but is not the top-level tag.\n";
inline constexpr const char* kActorNested =
    "Error (row %d): - 'actor' tags cannot be nested inside other 'actor' tags!\n";
inline constexpr const char* kActorNodeMissing =
    "Error: Actor tag with no 'node' attribute was found. An attribute named '_unknown_' was inserted. Replace '_unknown_' with your actor's node name.\n";
inline constexpr const char* kNoActors = "Error: No 'actor' tags were defined in the script!\n";
inline constexpr const char* kXmlError = "Error(row:%ld Col:%ld) - %s\n";  // kind Plain

inline constexpr const char* kPositionField = "Row: %d     Col: %d";
inline constexpr const char* kRepairedBox =
    "There were parsing errors. Please check the parser output window for further details...";
inline constexpr const char* kRepairedCaption = "Warning";
inline constexpr const char* kVerboseOn = "Verbose mode ON\n";
inline constexpr const char* kVerboseOff = "Verbose mode OFF\n";

// Wrapper inserted into a script that has none.
inline constexpr const char* kAnimOpenInsert = "<_ANIM_>\n\n";
inline constexpr const char* kAnimCloseInsert = "\n</_ANIM_>";
inline constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\"?>";

}  // namespace lipsmith::msg
