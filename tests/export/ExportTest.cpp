// Exports of a hand-keyed scene: golden files of every format, which
// controllers an export reads, and notes as runs leave them.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "CNumbers.h"
#include "DemoScene.h"
#include "Export.h"
#include "NodeSpeech.h"
#include "SpeechController.h"
#include "SceneJson.h"
#include "SpokenScene.h"
#include "Writers.h"

namespace lipsmith::testing {
namespace {

namespace fs = std::filesystem;
using exports::ExportFormat;
using exports::ExportNode;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ExportTest : public RigTest {
protected:
    std::string Text(const char* node, ExportFormat format, int fps = 0) {
        const exports::ExportResult r = ExportNode(ip, node, format, fps);
        EXPECT_TRUE(r) << r.error;
        return r.text;
    }
    SpeechController* Controller(const char* node, ChannelId channel) {
        SpeechController* found = nullptr;
        ForEachSpeechController(ip.GetINodeByName(node), [&](const std::string&, SpeechController* c) {
            if (!found && c->channel == channel) found = c;
        });
        return found;
    }
};

// Set LIPSMITH_UPDATE_GOLDEN=1 to write the files anew after a deliberate change.
TEST_F(ExportTest, EveryFormatMatchesItsGoldenFile) {
    Speak(ip, "Head", kBobLine);
    const struct {
        ExportFormat format;
        int fps;
        const char* file;
    } cases[] = {{ExportFormat::Tsv, 0, "bob.tsv"},
                 {ExportFormat::Json, 0, "bob.json"},
                 {ExportFormat::Xml, 0, "bob.xml"},
                 {ExportFormat::Dat, 24, "bob.dat"},
                 {ExportFormat::Curves, 0, "bob.csv"}};
    const bool update = std::getenv("LIPSMITH_UPDATE_GOLDEN") != nullptr;
    for (const auto& c : cases) {
        const std::string text = Text("Head", c.format, c.fps);
        const fs::path golden = fs::path(LIPSMITH_GOLDEN_DIR) / c.file;
        if (update) std::ofstream(golden, std::ios::binary) << text;
        EXPECT_EQ(text, ReadFile(golden)) << c.file;
    }
}

TEST_F(ExportTest, CueFormatsAgreeAndParse) {
    Speak(ip, "Head", kBobLine);
    const std::string tsv = Text("Head", ExportFormat::Tsv);
    // The tsv's lines, less the closing one, are the cues of the other two.
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream in(tsv);
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        lines.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), (std::pair<std::string, std::string>{"0.00", "X"}));
    EXPECT_EQ(lines.back().second, "X");

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(Text("Head", ExportFormat::Xml).c_str()));
    const pugi::xml_node cues = doc.child("rhubarbResult").child("mouthCues");
    std::size_t i = 0;
    std::string previousEnd = "0.00";
    for (pugi::xml_node cue : cues.children("mouthCue")) {
        ASSERT_LT(i + 1, lines.size());
        EXPECT_EQ(cue.attribute("start").value(), lines[i].first);
        EXPECT_EQ(cue.attribute("start").value(), previousEnd);  // cues meet
        EXPECT_EQ(cue.text().get(), lines[i].second);
        previousEnd = cue.attribute("end").value();
        ++i;
    }
    EXPECT_EQ(i + 1, lines.size());
    EXPECT_EQ(previousEnd, lines.back().first);
    EXPECT_EQ(std::string(doc.child("rhubarbResult").child("metadata").child_value("duration")), lines.back().first);
}

TEST_F(ExportTest, TheSoundFileIsNamedSafelyInJsonAndXml) {
    const fs::path dir = fs::temp_directory_path() / ("lipsmith-export-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string wave = (dir / "take <1> & \"caf\xE9\".wav").string();  // \xE9: a Latin-1 byte
    WriteSilentWave(wave, 2000);
    IWaveSound* ws = GetWaveSoundInterface(ip.GetSoundObject());
    ASSERT_TRUE(ws && ws->SetSoundFileName(wave.c_str()));
    Speak(ip, "Head", kBobLine);

    const std::string expected = (dir / "take <1> & \"caf\xC3\xA9\".wav").string();
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(Text("Head", ExportFormat::Xml).c_str()));
    EXPECT_EQ(std::string(doc.child("rhubarbResult").child("metadata").child_value("soundFile")), expected);
    // The speech ends where the sound does: 2 s.
    EXPECT_STREQ(doc.child("rhubarbResult").child("metadata").child_value("duration"), "2.00");
    const std::string json = Text("Head", ExportFormat::Json);
    EXPECT_NE(json.find("take <1> & \\\"caf\\u00e9\\\".wav\""), std::string::npos) << json;
    fs::remove_all(dir);
}

TEST_F(ExportTest, ControllersAreReadFromTheNodeThenItsDescendants) {
    Speak(ip, "Head", kBobLine);
    Speak(ip, "Narrator", {{"_", 40}, {"m", 100}, {"aa", 100}, {"_", 50}}, 3000);

    // Narrator's own notes, not Head's; no eye channels on it.
    const exports::NodeSpeechResult narrator = exports::ReadNodeSpeech(ip, "Narrator");
    ASSERT_TRUE(narrator);
    ASSERT_EQ(narrator.speech.phonemes.size(), 4u);
    EXPECT_EQ(narrator.speech.phonemes[1].text, "m");
    EXPECT_EQ(narrator.speech.channels[10], nullptr);
    EXPECT_EQ(narrator.speech.channels[1], Controller("Narrator", 2));

    // Head's own Mouth Open wins over Jaw's; Jaw alone exports its one channel.
    const exports::NodeSpeechResult head = exports::ReadNodeSpeech(ip, "Head");
    ASSERT_TRUE(head);
    EXPECT_EQ(head.speech.channels[1], Controller("Head", 2));
    EXPECT_EQ(head.speech.phonemes.size(), kBobLine.size());
    const std::string jawCurves = Text("Jaw", ExportFormat::Curves);
    const std::string row = jawCurves.substr(jawCurves.find("\n4,") + 1);
    EXPECT_TRUE(std::regex_match(row.substr(0, row.find('\n')), std::regex(R"(4,0\.1333,,[0-9]+\.[0-9]{3},{12})")))
        << row;

    // A node without controllers of its own is exported from those below it.
    INode* rig = ip.CreateNode("Rig");
    ASSERT_TRUE(rig->AttachChild(ip.GetINodeByName("Head")));
    EXPECT_EQ(Text("Rig", ExportFormat::Tsv), Text("Head", ExportFormat::Tsv));

    // A node of the same name without controllers, found first, is passed
    // over as a run passes it over.
    INode* narratorNode = ip.GetINodeByName("Narrator");
    ip.CreateNode("Narrator", ip.GetINodeByName("Rig"));
    ASSERT_TRUE(ip.CreateNode("Stage")->AttachChild(narratorNode));
    ASSERT_NE(ip.GetINodeByName("Narrator"), narratorNode);
    EXPECT_EQ(exports::ReadNodeSpeech(ip, "Narrator").speech.phonemes.size(), 4u);

    // Nothing to export: clear errors, no text.
    ip.CreateNode("Camera");
    for (const char* bad : {"Camera", "Nobody", ""}) {
        const exports::ExportResult r = ExportNode(ip, bad, ExportFormat::Tsv);
        EXPECT_FALSE(r) << bad;
        EXPECT_TRUE(r.text.empty());
    }
    EXPECT_NE(ExportNode(ip, "Camera", ExportFormat::Tsv).error.find("no speech controllers"), std::string::npos);
    EXPECT_NE(ExportNode(ip, "Nobody", ExportFormat::Tsv).error.find("no node named 'Nobody'"), std::string::npos);
}

TEST_F(ExportTest, CurvesShowTheValueTheHostShows) {
    Speak(ip, "Head", kBobLine);
    Controller("Head", 2)->ScalarOf(2) = 50;  // the scalar applies when the host evaluates
    const std::string csv = Text("Head", ExportFormat::Curves, 10);
    std::istringstream in(csv);
    std::string header, row;
    std::getline(in, header);
    EXPECT_EQ(header.substr(0, 35), "frame,time,Mouth Width,Mouth Open,L");
    int rows = 0;
    for (std::string line; std::getline(in, line); ++rows) {
        int commas = 0;
        for (char c : line) commas += c == ',';
        EXPECT_EQ(commas, 15) << line;
        if (rows == 0) row = line;
    }
    // 1.57 s of speech (the last note and one frame of the scene's 30 fps) at 10 fps: frames 0 to 15.
    EXPECT_EQ(rows, 16);
    // Frame 0 is the silence before "b": all mouth channels 0, eyes keyed by nothing.
    EXPECT_EQ(row, "0,0.0000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000,0.000");
    float v = 0;
    Interval valid = FOREVER;
    Controller("Head", 2)->GetValueLocalTime(960, &v, valid);  // frame 2 at 10 fps lies in "aa"
    EXPECT_GT(v, 5.0f);
    std::string frame2 = csv.substr(csv.find("\n2,0.2000,") + 10);
    frame2 = frame2.substr(frame2.find(',') + 1);  // past Mouth Width
    EXPECT_EQ(frame2.substr(0, frame2.find(',')), FormatFixed(v, 3));
}

TEST_F(ExportTest, NotesAreTakenAsRunsLeaveThem) {
    // Insert mode appends notes out of time order; a renamed map leaves
    // symbols the phoneme set does not know; keys may lie before time 0.
    SpeechController* mouth = Controller("Narrator", 1);
    mouth->AddNote(TicksOfMs(300), "aa");
    mouth->AddNote(TicksOfMs(100), "m");
    mouth->AddNote(TicksOfMs(500), "OPEN_WIDE");
    mouth->AddNote(TicksOfMs(700), "_");
    mouth->AddNote(-TicksOfMs(100), "w");
    const exports::ExportResult r = ExportNode(ip, "Narrator", ExportFormat::Tsv);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.text, "0.00\tF\n0.10\tA\n0.30\tD\n0.70\tX\n0.73\tX\n");
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_NE(r.warnings[0].find("'OPEN_WIDE'"), std::string::npos);

    // A node that never spoke rests, and says so.
    const exports::ExportResult silent = ExportNode(ip, "Head", ExportFormat::Tsv);
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent.text, "0.00\tX\n");
    ASSERT_EQ(silent.warnings.size(), 1u);
    EXPECT_NE(silent.warnings[0].find("no phoneme notes"), std::string::npos);
}

TEST(XmlEscape, MarkupBadBytesAndControlCharacters) {
    EXPECT_EQ(exports::XmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(exports::XmlEscape("caf\xE9"), "caf\xC3\xA9");  // a Latin-1 byte
    EXPECT_EQ(exports::XmlEscape("caf\xC3\xA9 \xEF\xBF\xBD"), "caf\xC3\xA9 \xEF\xBF\xBD");
    EXPECT_EQ(exports::XmlEscape(std::string("a\x01\0b", 4)), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
    EXPECT_EQ(exports::XmlEscape("tab\there"), "tab\there");
}

}  // namespace
}  // namespace lipsmith::testing
