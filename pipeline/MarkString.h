// The bookmark texts by which eye and brow cues travel through the speech
// engine: "eyes:blink,node,side,repeat,offset,value,duration" and
// "brow:return,node,side,value,duration,ret_duration".
#pragma once
#include <string>
#include <string_view>

namespace lipsmith {

struct MarkFields {
    std::string tag;         // text before the first ':' ("eyes", "brow", or anything)
    std::string blink;       // eyes: "true" blinks; brow: "true" returns
    std::string node;        // empty: the actor being spoken
    std::string side;        // "left", "right" or "both"
    int repeat = 1;          // eyes
    int offset = 100;        // eyes, milliseconds between blinks
    float value = 0.0f;
    int duration = 0;            // eyes: milliseconds of one blink
    int browDuration = 0;        // brow: milliseconds of the raise
    int browReturnDuration = 0;  // brow: milliseconds back to the earlier value
    // A number made no sense (a negative or over-long time, too many blinks,
    // a value beyond a float) and the cue's default stands in its place.
    bool replacedNonsense = false;
};

// Splits a mark at its first ':' and then at single commas; numbers are read
// from the start of their field (a field without one reads 0). Only "eyes"
// and "brow" marks have fields; missing fields keep their defaults. Returns
// false for an empty mark or one without ':'. Numbers that a script's cue
// would refuse (bookmarks may be written by hand) take the cue's defaults:
// repeat 1, offset 50, value 1.0, durations 100, return duration 500.
bool ParseMarkString(std::string_view mark, MarkFields& fields);

}  // namespace lipsmith
