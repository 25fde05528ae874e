// The phoneme-to-shape tables, and Moho switch data as a reader of that
// format takes it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "DemoScene.h"
#include "Export.h"
#include "MouthShapes.h"
#include "NodeSpeech.h"
#include "PhonemeSet.h"
#include "ShapeTimeline.h"
#include "SpeechController.h"
#include "SpokenScene.h"

namespace lipsmith::testing {
namespace {

using exports::MohoShape;
using exports::MohoShapeOf;
using exports::MouthShape;
using exports::MouthShapeOf;

int Id(const char* symbol) { return exports::PhonemeIdOfNote(symbol); }

TEST(MouthShapes, LipsCloseOnMbpAndRoundOnWUwOw) {
    for (const char* closed : {"m", "b", "p"}) {
        EXPECT_EQ(MouthShapeOf(Id(closed)), MouthShape::A) << closed;
        EXPECT_EQ(MohoShapeOf(Id(closed)), MohoShape::MBP) << closed;
    }
    for (const char* rounded : {"w", "uw", "ow"}) EXPECT_EQ(MouthShapeOf(Id(rounded)), MouthShape::F) << rounded;
    EXPECT_EQ(MohoShapeOf(Id("w")), MohoShape::WQ);
    EXPECT_EQ(MohoShapeOf(Id("uw")), MohoShape::U);
    EXPECT_EQ(MohoShapeOf(Id("ow")), MohoShape::O);
    for (const char* lip : {"f", "v"}) {
        EXPECT_EQ(MouthShapeOf(Id(lip)), MouthShape::G) << lip;
        EXPECT_EQ(MohoShapeOf(Id(lip)), MohoShape::FV) << lip;
    }
    EXPECT_EQ(MouthShapeOf(Id("aa")), MouthShape::D);
    EXPECT_EQ(MouthShapeOf(Id("l")), MouthShape::H);
    EXPECT_EQ(MohoShapeOf(Id("l")), MohoShape::L);
}

TEST(MouthShapes, EveryPhonemeHasAShapeOrKeepsTheOneBefore) {
    // Pauses rest; the marks that are no sound keep the shape; every sound
    // has a shape that opens the mouth unless it is m, b or p.
    for (const char* pause : {"_", ",", ".", "?", "!"}) {
        EXPECT_EQ(MouthShapeOf(Id(pause)), MouthShape::X) << pause;
        EXPECT_EQ(MohoShapeOf(Id(pause)), MohoShape::Rest) << pause;
    }
    for (const char* mark : {"~", "word boundry", "1", "2"}) {
        EXPECT_FALSE(MouthShapeOf(Id(mark))) << mark;
        EXPECT_FALSE(MohoShapeOf(Id(mark))) << mark;
    }
    EXPECT_FALSE(MouthShapeOf(0));
    EXPECT_FALSE(MouthShapeOf(50));
    std::set<MouthShape> used;
    std::set<MohoShape> usedMoho;
    for (int id = 10; id <= kPhonemeCount; ++id) {
        ASSERT_TRUE(MouthShapeOf(id) && MohoShapeOf(id)) << PhonemeSymbol(id);
        const bool closes = *MouthShapeOf(id) == MouthShape::A;
        EXPECT_EQ(closes, *MohoShapeOf(id) == MohoShape::MBP) << PhonemeSymbol(id);
        EXPECT_NE(*MouthShapeOf(id), MouthShape::X) << PhonemeSymbol(id);
        used.insert(*MouthShapeOf(id));
        usedMoho.insert(*MohoShapeOf(id));
    }
    EXPECT_EQ(used.size(), 8u);       // A to H
    EXPECT_EQ(usedMoho.size(), 9u);   // all but rest
}

// Reads Moho switch data as Moho does: the header line, then one "FRAME
// NAME" line per switch, frames from 1 rising. Answers the shape shown on
// each frame from 1 to `frames`, or an error.
struct MohoSwitchData {
    std::map<int, std::string> switches;
    std::string error;
    std::string ShapeAt(int frame) const {
        auto it = switches.upper_bound(frame);
        return it == switches.begin() ? "" : std::prev(it)->second;
    }
};

MohoSwitchData ReadMohoSwitchData(const std::string& text) {
    static const std::set<std::string> kNames = {"AI", "E", "O", "U", "etc", "L", "WQ", "MBP", "FV", "rest"};
    MohoSwitchData data;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != "MohoSwitch1") {
        data.error = "no MohoSwitch1 header";
        return data;
    }
    int last = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int frame = 0;
        std::string name, rest;
        if (!(fields >> frame >> name) || (fields >> rest)) data.error = "bad line '" + line + "'";
        else if (frame <= last) data.error = "frame " + std::to_string(frame) + " does not rise";
        else if (!kNames.count(name)) data.error = "unknown switch '" + name + "'";
        if (!data.error.empty()) return data;
        data.switches[frame] = name;
        last = frame;
    }
    if (!in.eof() || text.back() != '\n') data.error = "the last line is not ended";
    if (data.switches.empty() || data.switches.begin()->first != 1) data.error = "frame 1 has no switch";
    return data;
}

class MohoExport : public RigTest {
protected:
    MohoSwitchData Dat(int fps) {
        const exports::ExportResult r = exports::ExportNode(ip, "Head", exports::ExportFormat::Dat, fps);
        EXPECT_TRUE(r) << r.error;
        MohoSwitchData data = ReadMohoSwitchData(r.text);
        EXPECT_EQ(data.error, "") << r.text;
        return data;
    }
};

TEST_F(MohoExport, AReaderOfTheFormatAcceptsItAtAnyFrameRate) {
    Speak(ip, "Head", kBobLine);
    for (int fps : {1, 6, 12, 24, 25, 30, 60, 4800}) {
        EXPECT_EQ(Dat(fps).switches.rbegin()->second, "rest") << fps;  // the mouth closes at the end
    }
    // At 24 fps frame 1 is the silence of the first 50 ms, and frame 2
    // (from 1/24 s) lies in the first "b" (50 to 110 ms).
    const MohoSwitchData data = Dat(24);
    EXPECT_EQ(data.ShapeAt(1), "rest");
    EXPECT_EQ(data.ShapeAt(2), "MBP");
    EXPECT_EQ(data.ShapeAt(4), "AI");
}

TEST_F(MohoExport, ClosedLipsTooShortForAFrameStillCloseTheMouth) {
    // A 20 ms "p" between two vowels never covers most of a 24 fps frame.
    Speak(ip, "Head", {{"_", 100}, {"ah", 100}, {"p", 20}, {"ah", 100}, {"m", 15}, {"aa", 200}, {"_", 100}});
    for (int fps : {24, 30}) {
        const MohoSwitchData data = Dat(fps);
        int closures = 0;
        for (const auto& [frame, name] : data.switches) closures += name == "MBP";
        EXPECT_EQ(closures, 2) << fps;
    }
    // The nine-shape cues keep them too, on their hundredths.
    const std::string tsv = exports::ExportNode(ip, "Head", exports::ExportFormat::Tsv).text;
    EXPECT_EQ(tsv, "0.00\tX\n0.10\tC\n0.20\tA\n0.22\tC\n0.32\tA\n0.34\tD\n0.54\tX\n0.57\tX\n");
}

TEST(ShapeTimeline, ChangesOnTheSameHundredthKeepTheLater) {
    exports::ShapeTimeline<MouthShape> timeline;
    timeline.changes = {{0, MouthShape::X}, {960, MouthShape::B}, {963, MouthShape::A}, {1100, MouthShape::A}};
    timeline.end = 1500;
    // 960 and 963 ticks both round to 0.20 s; 1500 ticks truncate to 0.31 s.
    const std::vector<exports::CentisecondCue> expected = {{0, 20, MouthShape::X}, {20, 31, MouthShape::A}};
    EXPECT_EQ(exports::CentisecondCues(timeline), expected);
}

}  // namespace
}  // namespace lipsmith::testing
