// The scene's sound track as the pipeline sets it.
#pragma once
#include <string>

#include "Time.h"

class Interface;

namespace lipsmith {

// Gives the scene's sound object the file, starting at `start`; a file that
// holds nothing audible leaves a new empty sound object instead.
void PlaceSoundOnTrack(Interface& ip, const std::string& file, TimeValue start);

}  // namespace lipsmith
