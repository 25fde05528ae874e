// A scene keyed by hand the way a run keys it: the demo rig, and phonemes
// written onto the mouth controllers of an actor and its descendants (a note
// with the phoneme's symbol and one key per channel from the built-in map).
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Interface.h"
#include "PhonemeMap.h"

namespace lipsmith::testing {

struct Spoken {
    const char* symbol;
    int ms;
};

// "Bob! Wo, ma-pa, few lee." with a 20 ms p between two vowels.
inline const std::vector<Spoken> kBobLine = {
    {"_", 50},  {"b", 60},   {"aa", 130}, {"b", 70},  {"_", 150}, {"w", 80},  {"ow", 160}, {"m", 90},
    {"ah", 100}, {"p", 20},  {"ah", 110}, {"f", 70},  {"uw", 140}, {"l", 90}, {"iy", 100}, {"_", 120}};

// The clock of a run: ticks of the sum of the milliseconds so far.
TimeValue TicksOfMs(long long ms);

// Replaces ip's scene by the demo rig (Head with channels 1 to 14, its child
// Jaw with Mouth Open, Narrator with the mouth channels) at 30 fps.
void BuildRig(Interface& ip);

// Writes the phonemes on `node` and its descendants from `startMs` on.
void Speak(Interface& ip, const char* node, const std::vector<Spoken>& phonemes, long long startMs = 0);

// Writes a silent 22050 Hz mono wave of `ms` milliseconds.
void WriteSilentWave(const std::string& path, int ms);

// A test on the demo rig, with the speech controller class known to the host.
class RigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Interface& ip = *GetCOREInterface();
};

}  // namespace lipsmith::testing
