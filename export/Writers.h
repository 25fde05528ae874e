// The export formats, each written as text from a node's speech.
//   tsv     one "SECONDS<TAB>SHAPE" line per change of the nine-shape mouth,
//           the first at 0.00, the last the end of the speech at rest
//   json    {"metadata": {"soundFile", "duration"}, "mouthCues": [{"start", "end", "value"}]}
//   xml     the same as elements: metadata, mouthCues/mouthCue start= end=
//   dat     Moho switch data: "MohoSwitch1", then "FRAME SHAPE" lines with the
//           ten-shape set, frame 1 being time 0
//   curves  CSV: frame, time and the fourteen channel values on every frame
// Seconds carry two decimals; times are the scene's (0 is its time 0).
#pragma once
#include <string>

#include "NodeSpeech.h"

namespace lipsmith::exports {

std::string WriteTsv(const NodeSpeech& speech);
std::string WriteJson(const NodeSpeech& speech);
std::string WriteXml(const NodeSpeech& speech);
std::string WriteDat(const NodeSpeech& speech, int fps);
std::string WriteCurves(const NodeSpeech& speech, int fps);

// Text as XML character data or attribute value: markup characters as
// entities, bytes that are not UTF-8 taken as Latin-1, control characters
// XML cannot hold as U+FFFD.
std::string XmlEscape(const std::string& text);

}  // namespace lipsmith::exports
