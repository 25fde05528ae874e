// `lipsmith run` as a user runs it: the real server speaks with espeak-ng,
// keys land on the demo rig, the dialogue is recorded and merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>

#include "DemoScene.h"
#include "E2ESupport.h"
#include "Hold.h"
#include "KeyControl.h"
#include "NoteTrack.h"
#include "PhonemeSet.h"
#include "Plugins.h"
#include "Riff.h"
#include "SceneFile.h"
#include "SceneJson.h"
#include "SpeechController.h"

namespace lipsmith::e2e {
namespace {

struct Controller {
    SpeechController* c = nullptr;
    std::vector<TimeValue> keys;
    std::vector<std::string> notes;  // in time order
};

// The controllers of a node of the loaded scene, by track name.
std::map<std::string, Controller> ControllersOf(const char* nodeName) {
    std::map<std::string, Controller> out;
    INode* node = GetCOREInterface()->GetINodeByName(nodeName);
    if (!node) return out;
    ForEachSpeechController(node, [&](const std::string& track, SpeechController* c) {
        Controller& r = out[track];
        r.c = c;
        IKeyControl* ikc = GetKeyControlInterface(c->GetKeyTrack());
        for (int i = 0; ikc && i < ikc->GetNumKeys(); ++i) {
            IBezFloatKey k;
            ikc->GetKey(i, &k);
            r.keys.push_back(k.time);
        }
        auto* nt = static_cast<DefNoteTrack*>(c->GetNoteTrack());
        std::vector<std::pair<TimeValue, std::string>> notes;
        for (int i = 0; nt && i < nt->keys.Count(); ++i) notes.push_back({nt->keys[i]->time, nt->keys[i]->note});
        std::stable_sort(notes.begin(), notes.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (auto& n : notes) r.notes.push_back(n.second);
    });
    return out;
}

// The percentage of "Animation adjusted by %.2f %"; NaN when missing.
double Adjustment(const std::string& log) {
    std::smatch m;
    if (!std::regex_search(log, m, std::regex(R"(\nAnimation adjusted by (-?[0-9]+\.[0-9]+) % \()"))) return NAN;
    return std::stod(m[1]);
}

class RunCommand : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        std::string error;
        ASSERT_TRUE(LoadControllerPlugins(&error)) << error;
    }
    void Load(const std::string& scene) {
        std::string error;
        ASSERT_TRUE(LoadScene(*GetCOREInterface(), scene, &error)) << error;
    }
    std::size_t DataSize(const std::string& wave) {
        WaveInfo info;
        EXPECT_TRUE(ReadWaveInfo(wave, info)) << wave;
        return info.dataSize;
    }
    std::string Data(const std::string& wave) {
        WaveInfo info;
        if (!ReadWaveInfo(wave, info)) return {};
        return ReadFile(wave).substr(static_cast<std::size_t>(info.dataOffset), info.dataSize);
    }
};

const char* kCueLine =
    "Hello there, how are you today? "
    "<eyes blink=\"true\" repeat=\"2\" offset=\"100\" value=\"1.0\" duration=\"120\" side=\"both\"/>"
    "I am fine. <brow return=\"true\" value=\"0.8\" duration=\"100\" ret_duration=\"400\" side=\"both\"/>"
    "Thank you.";

TEST_F(RunCommand, DemoRunKeysTheActorAndRecordsTheDialogue) {
    // The demo rig with one mouth controller switched off.
    std::string error;
    Interface& ip = *GetCOREInterface();
    ASSERT_TRUE(BuildDemoScene(ip, &error)) << error;
    ControllersOf("Head")["Mouth Puckered"].c->active = 0;
    ASSERT_TRUE(SaveScene(ip, Path("in.lsc"), &error)) << error;

    const std::string script = Script("cues.txt", AnimScript({{"Head", kCueLine}}));
    const ProgramRun run = Lipsmith({"run", script, "--scene", Path("in.lsc"), "--wave", Path("out.wav"), "--save",
                                     Path("out.lsc"), "--keys", Path("keys.json")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("+++ Adding keys for actor named 'Head' starting at frame 0.00 (Tick: 0) +++\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Adding left eye keys for actor named 'Head'"), std::string::npos);
    EXPECT_NE(run.out.find("Adding right eye brow keys for actor named 'Head'"), std::string::npos);
    EXPECT_NE(run.out.find(": 0 Errors, 0 warnings ]---\n"), std::string::npos) << run.out;
    const double adjusted = Adjustment(run.out);
    EXPECT_LT(std::fabs(adjusted), 1.0) << run.out;

    Load(Path("out.lsc"));
    EXPECT_EQ(ReadFile(Path("keys.json")), SceneToJson(ip));
    auto head = ControllersOf("Head");
    ASSERT_EQ(head.size(), 14u);
    for (ChannelId ch = 1; ch <= 10; ++ch) {
        const Controller& c = head[ChannelName(ch)];
        SCOPED_TRACE(ChannelName(ch));
        if (!c.c->active) {
            EXPECT_TRUE(c.keys.empty());
            EXPECT_TRUE(c.notes.empty());
            continue;
        }
        EXPECT_GT(c.keys.size(), 10u);
        EXPECT_EQ(c.notes.size(), c.keys.size());
        for (const std::string& note : c.notes) {
            EXPECT_NE(std::find_if(kPhonemeSymbols.begin(), kPhonemeSymbols.end(),
                                   [&](const char* s) { return note == s; }),
                      kPhonemeSymbols.end())
                << note;
        }
    }
    EXPECT_EQ(head["Mouth Open"].keys, head["Mouth Width"].keys);
    auto jaw = ControllersOf("Jaw");
    EXPECT_EQ(jaw["Mouth Open"].keys, head["Mouth Open"].keys);
    EXPECT_EQ(jaw["Mouth Open"].notes, head["Mouth Open"].notes);
    for (const char* track : {"Left Eye Blink", "Right Eye Blink"}) {
        EXPECT_EQ(head[track].keys.size(), 6u) << track;
    }
    EXPECT_EQ(head["Left Eye Blink"].notes, (std::vector<std::string>{"L_Eye_Blink_Start", "L_Eye_Blink_Stop",
                                                                      "L_Eye_Blink_Start", "L_Eye_Blink_Stop"}));
    EXPECT_EQ(head["Right Eye Brow"].notes, (std::vector<std::string>{"R_Eyebrow_Start", "R_Eyebrow_Stop"}));
    EXPECT_EQ(head["Left Eye Brow"].keys.size(), 3u);
    // Blinks come after the first words, brows after the blinks.
    EXPECT_GT(head["Left Eye Blink"].keys.front(), head["Mouth Width"].keys[3]);
    EXPECT_GT(head["Left Eye Brow"].keys.front(), head["Left Eye Blink"].keys.back());
    for (auto& [track, c] : ControllersOf("Narrator")) EXPECT_TRUE(c.keys.empty()) << track;

    WaveInfo info;
    ASSERT_TRUE(ReadWaveInfo(Path("out.wav"), info));
    EXPECT_EQ(info.format.formatTag, 1);
    EXPECT_EQ(info.format.samplesPerSec, 22050u);
    EXPECT_EQ(info.format.bitsPerSample, 16);
    EXPECT_EQ(info.format.channels, 1);
    EXPECT_GT(info.dataSize, 44100u);  // more than a second of speech
    IWaveSound* sound = GetWaveSoundInterface(ip.GetSoundObject());
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->GetSoundFileName(), Path("out.wav"));
    EXPECT_EQ(sound->GetStartTime(), 0);
    // The keys end where the sound ends, give or take the last phoneme.
    EXPECT_LE(head["Mouth Width"].keys.back(), sound->GetEndTime());
}

// The server's voice does not render a line to the same bytes every time (its
// length varies with what it spoke before), so the new speech is known by its
// approximate length only; the old sound around it must be exact.
TEST_F(RunCommand, LaterRunInsertsOrReplacesAtItsInFrame) {
    const std::string shortLine = Script("short.txt", AnimScript({{"Head", "Yes."}}));
    const std::string longLine = Script(
        "long.txt", AnimScript({{"Head", "This line of speech is long enough to go on for a few seconds at least."}}));
    auto run = [&](std::vector<std::string> args) {
        const ProgramRun r = Lipsmith(std::move(args));
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return r;
    };
    constexpr std::size_t kHalfSecond = 22050;  // bytes at 44,100 per second
    run({"run", shortLine, "--wave", Path("short.wav")});
    const std::size_t shortSize = DataSize(Path("short.wav"));
    ASSERT_GT(shortSize, 4410u);

    // Insert: the old sound, the new speech half a second in, then the rest of the old.
    run({"run", longLine, "--wave", Path("insert.wav"), "--save", Path("insert.lsc")});
    const std::string longData = Data(Path("insert.wav"));
    ASSERT_GT(longData.size(), kHalfSecond + shortSize + 8820);
    const ProgramRun inserted = run({"run", shortLine, "--scene", Path("insert.lsc"), "--wave", Path("insert.wav"),
                                     "--in-frame", "15", "--insert"});
    EXPECT_NE(inserted.out.find("starting at frame 15.00 (Tick: 2400) +++"), std::string::npos) << inserted.out;
    const std::string merged = Data(Path("insert.wav"));
    ASSERT_GT(merged.size(), longData.size());
    const std::size_t added = merged.size() - longData.size();
    EXPECT_NEAR(static_cast<double>(added), static_cast<double>(shortSize), shortSize * 0.1);
    EXPECT_TRUE(merged.compare(0, kHalfSecond, longData, 0, kHalfSecond) == 0);
    EXPECT_TRUE(merged.compare(kHalfSecond + added, std::string::npos, longData, kHalfSecond) == 0);
    EXPECT_FALSE(merged.compare(kHalfSecond, added, longData, kHalfSecond, added) == 0);

    // Replace: the new speech written over the old, the length kept.
    run({"run", longLine, "--wave", Path("replace.wav"), "--save", Path("replace.lsc")});
    const std::string longAgain = Data(Path("replace.wav"));
    run({"run", shortLine, "--scene", Path("replace.lsc"), "--wave", Path("replace.wav"), "--in-frame", "15",
         "--replace"});
    const std::string replaced = Data(Path("replace.wav"));
    ASSERT_EQ(replaced.size(), longAgain.size());
    EXPECT_TRUE(replaced.compare(0, kHalfSecond, longAgain, 0, kHalfSecond) == 0);
    // The old sound resumes unchanged where the new speech ends.
    std::size_t same = 0;
    while (same < replaced.size() && replaced[replaced.size() - 1 - same] == longAgain[longAgain.size() - 1 - same]) {
        ++same;
    }
    const std::size_t written = replaced.size() - kHalfSecond - std::min(same, replaced.size() - kHalfSecond);
    EXPECT_NEAR(static_cast<double>(written), static_cast<double>(shortSize), shortSize * 0.1);
}

TEST_F(RunCommand, ScriptWithErrorsExitsOneAndWritesNoKeys) {
    for (const std::string& text :
         {std::string("<_ANIM_><actor>Hello.</actor></_ANIM_>"),
          std::string("<_ANIM_><actor node=\"Head\">Hi <actor node=\"Jaw\">there</actor></actor></_ANIM_>"),
          std::string("<_ANIM_><actor node=\"Head\">Hello.</actor><actor node=\"Head\">Unclosed</_ANIM_>")}) {
        SCOPED_TRACE(text);
        const std::string script = Script("bad.txt", text);
        const ProgramRun run = Lipsmith({"run", script, "--wave", Path("bad.wav"), "--keys", Path("bad.json")});
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_EQ(run.err.find("speech engine"), std::string::npos) << run.err;  // the script, not the engine
        const std::string keys = ReadFile(Path("bad.json"));
        EXPECT_NE(keys.find("\"nodes\""), std::string::npos);
        EXPECT_EQ(keys.find("{\"t\": "), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(Path("bad.wav")));
        EXPECT_NE(run.out.find("---[ Parsing stopped at "), std::string::npos);
    }
}

TEST_F(RunCommand, WaveOutputThatCannotBeWrittenIsRefusedBeforeTheRun) {
    const std::string script = Script("s.txt", AnimScript({{"Head", "Hello."}}));
    const std::string wave = Path("no-such-folder/out.wav");
    const ProgramRun run = Lipsmith({"run", script, "--wave", wave, "--keys", Path("keys.json")});
    EXPECT_EQ(run.status, 2) << run.out << run.err;
    EXPECT_NE(run.err.find("lipsmith: --wave: cannot write '" + wave + "': the folder '" + Path("no-such-folder") +
                           "' does not exist\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(Path("keys.json")));
}

TEST_F(RunCommand, UsageErrorsExitTwoWithAMessage) {
    const std::string script = Script("ok.txt", AnimScript({{"Head", "Hi."}}));
    const std::vector<std::vector<std::string>> bad{
        {"run"},
        {"run", script, "--bogus"},
        {"run", script, "--insert", "--replace"},
        {"run", script, "--in-frame", "-3"},
        {"run", script, "--in-frame", "ten"},
        {"run", script, "--fps", "0"},
        {"run", script, "--wave"},
        {"run", script, script},
        {"run", Path("missing.txt")},
        {"run", dir},
        {"run", script, "--scene", Path("missing.lsc")},
        {"run", script, "--voice", "No Such Voice Anywhere"},
        {"run", script, "--in-frame", "100000000"},
        {"run", script, "--map", Path("missing.xml")},
        {"run", script, "--map", script},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const ProgramRun run = Lipsmith(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("lipsmith: "), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("Parsing started"), std::string::npos);
    }
    const ProgramRun help = Lipsmith({"run", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: lipsmith run SCRIPT.txt"), std::string::npos);
}

TEST_F(RunCommand, UndoOptionKeepsThePreviousOutputBesideTheNewOne) {
    const std::string script = Script("s.txt", AnimScript({{"Narrator", "One."}}));
    ASSERT_EQ(Lipsmith({"run", script, "--wave", Path("out.wav"), "--no-scratch"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(Path("out.wav")));  // nothing recorded without the scratch track
    ASSERT_EQ(Lipsmith({"run", script, "--wave", Path("out.wav")}).status, 0);
    const std::string first = ReadFile(Path("out.wav"));
    ASSERT_EQ(Lipsmith({"run", script, "--wave", Path("out.wav"), "--undo", "--insert"}).status, 0);
    int copies = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().filename().string().rfind("sndUndo_", 0) == 0 && ReadFile(e.path().string()) == first) ++copies;
    }
    EXPECT_EQ(copies, 1);
    EXPECT_GT(ReadFile(Path("out.wav")).size(), first.size());
}

TEST_F(RunCommand, AMapNamedHereMustLoadAndDuplicateIdsAreReported) {
    const std::string script = Script("s.txt", AnimScript({{"Head", "Hello."}}));
    ASSERT_EQ(Lipsmith({"map-default", Path("map.xml")}).status, 0);
    const std::string good = ReadFile(Path("map.xml"));

    std::string broken = good;
    broken.resize(broken.size() / 2);
    WriteFile(Path("broken.xml"), broken);
    const ProgramRun cut = Lipsmith({"run", script, "--wave", Path("o.wav"), "--map", Path("broken.xml")});
    EXPECT_EQ(cut.status, 2) << cut.out << cut.err;
    EXPECT_NE(cut.err.find("lipsmith: cannot read the phoneme map file '" + Path("broken.xml") + "': "),
              std::string::npos)
        << cut.err;
    EXPECT_NE(cut.err.find("(line 2, column "), std::string::npos) << cut.err;
    EXPECT_EQ(cut.err.find("default phoneme map"), std::string::npos) << cut.err;
    EXPECT_EQ(cut.out, "");

    const ProgramRun missing = Lipsmith({"run", script, "--wave", Path("o.wav"), "--map", Path("none.xml")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "lipsmith: cannot read the phoneme map file '" + Path("none.xml") +
                               "': The system cannot locate the file specified\n");

    // The entry for "aa" (id 10) once more, with another name: the last one counts.
    std::string twice = good;
    const std::size_t aa = twice.find("<PHONEME phoneme=\"aa\"");
    const std::size_t end = twice.find("</PHONEME>", aa) + 10;
    std::string copy = twice.substr(aa, end - aa);
    copy.replace(copy.find("\"aa\""), 4, "\"AA\"");
    twice.insert(twice.find("</MAPPINGS>"), copy);
    WriteFile(Path("twice.xml"), twice);
    const ProgramRun dup = Lipsmith({"run", script, "--wave", Path("o.wav"), "--map", Path("twice.xml"), "--keys",
                                     Path("keys.json"), "--no-scratch"});
    EXPECT_EQ(dup.status, 0) << dup.out << dup.err;
    EXPECT_EQ(dup.err, "lipsmith: warning: the phoneme map file '" + Path("twice.xml") +
                           "' has more than one PHONEME with id 10; the last one is used\n");
}

}  // namespace
}  // namespace lipsmith::e2e
