// Eye and brow cues of a script: their attributes with defaults and warnings,
// and the bookmark mark strings by which they travel through the speech engine
// ("eyes:blink,node,side,repeat,offset,value,duration" and
// "brow:return,node,side,value,duration,ret_duration").
#pragma once
#include <cstddef>
#include <functional>
#include <string>

#include <pugixml.hpp>

#include "ParserOutput.h"

namespace lipsmith {

// A mark string is built in a 256-byte buffer by the engine side, so it may
// hold at most this many characters.
inline constexpr std::size_t kMaxMarkLength = 255;
// Warnings that quote a value are kept to the same length.
inline constexpr std::size_t kMaxWarningLength = 255;

// What a cue's numbers may be: times in milliseconds from 0 to a minute, up to
// a hundred blinks, and a value that a 32-bit float holds. Anything else would
// put keys before the cue, past the time line, or far beyond the speech.
inline constexpr int kMaxCueMs = 60000;
inline constexpr int kMaxCueRepeat = 100;
bool IsCueTime(int ms);
bool IsCueRepeat(int repeat);
bool IsCueValue(double value);

struct EyesCue {
    std::string blink = "true";
    std::string node;
    std::string side = "both";
    int repeat = 1;
    int offset = 50;
    float value = 1.0f;
    int duration = 100;
};

struct BrowCue {
    std::string returns = "true";  // the `return` attribute
    std::string node;
    std::string side = "both";
    float value = 1.0f;
    int duration = 100;
    int retDuration = 0;  // read only when returns is "true"; else 0
};

using CueReport = std::function<void(const std::string& text, OutputKind kind)>;

// Reads the attributes in their documented order, writing each message where
// an attribute is missing or invalid. Messages about missing attributes and an
// invalid side are written only with reportWarnings; an invalid blink/return
// value is reported always.
EyesCue ReadEyesCue(const pugi::xml_node& element, bool reportWarnings, const CueReport& report);
BrowCue ReadBrowCue(const pugi::xml_node& element, bool reportWarnings, const CueReport& report);

std::string FormatEyesMark(const EyesCue& cue);
std::string FormatBrowMark(const BrowCue& cue);

// A message with one quoted value in place of its "%s", the value shortened
// (ending in "...") so that the whole message keeps to kMaxWarningLength.
std::string FormatWithValue(const char* format, const std::string& value);

}  // namespace lipsmith
