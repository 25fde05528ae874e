// Pronunciations for words the recognizer's dictionary lacks (names, made-up
// words), from espeak-ng's own letter-to-sound rules, in the dictionary's
// phone set.
#pragma once
#include <string>

namespace lipsmith::engines {

// Blank-separated phones ("L IH P S M IH TH"), or "" when espeak-ng cannot
// say the word. Fits RecognizerOptions::pronounce.
std::string EspeakPronunciation(const std::string& word);

}  // namespace lipsmith::engines
