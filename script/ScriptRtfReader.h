// Reads the RTF that ColorizeScript writes back into plain text with a colour
// per character: "\cf0" "\cf1" "\cf2" switch the colour, "\par" (and "\line")
// give "\n", "\tab" gives "\t", "\\" "\{" "\}" and "\'hh" give their
// characters, the header's groups (font and colour tables) are skipped and
// other control words are ignored. Braces are text unless they open or close
// one of those header groups, because ColorizeScript copies the script's own
// braces unescaped. Never fails: whatever it cannot read it skips.
#pragma once
#include <string>

#include "ColoredText.h"

namespace lipsmith {

ColoredText ReadScriptRtf(const std::string& rtf);

// ColorizeScript followed by ReadScriptRtf: the text as the editor holds it
// once coloured (every line break a "\n").
ColoredText ColorizedText(const std::string& plain);

}  // namespace lipsmith
