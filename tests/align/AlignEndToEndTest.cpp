// `lipsmith align` through the real parts: espeak-ng records a text at
// another rate than its own, pocketsphinx aligns it, the voice's phonemes
// key the scene; the word starts are judged against espeak-ng's own timing.
// A human recording from Debian's pocketsphinx test data must come out in
// order with its keys inside the spoken words.
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "E2ESupport.h"
#include "EspeakReference.h"

namespace lipsmith::e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHumanDir = "/usr/share/pocketsphinx/test/data/librivox/";

struct WordRow {
    double start = 0, end = 0;
    std::string word, actor, status;
};

std::vector<WordRow> ReadWords(const std::string& path) {
    std::vector<WordRow> rows;
    std::istringstream in(ReadFile(path));
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream cells(line);
        WordRow r;
        std::string start, end;
        std::getline(cells, start, '\t');
        std::getline(cells, end, '\t');
        std::getline(cells, r.word, '\t');
        std::getline(cells, r.actor, '\t');
        std::getline(cells, r.status, '\t');
        r.start = std::atof(start.c_str());
        r.end = std::atof(end.c_str());
        rows.push_back(r);
    }
    return rows;
}

// Phoneme notes of one controller track in the keys file: (seconds, name).
std::vector<std::pair<double, std::string>> Notes(const std::string& keysJson, const std::string& node) {
    std::vector<std::pair<double, std::string>> notes;
    const std::size_t at = keysJson.find("\"name\": \"" + node + "\"");
    if (at == std::string::npos) return notes;
    const std::size_t from = keysJson.find("\"notes\": [", at);
    const std::size_t to = keysJson.find(']', from);
    const std::string part = keysJson.substr(from, to - from);
    const std::regex note("\\{\"t\": (-?[0-9]+), \"text\": \"([^\"]*)\"\\}");
    for (std::sregex_iterator it(part.begin(), part.end(), note), end; it != end; ++it)
        notes.emplace_back(std::stod((*it)[1]) / 4800.0, (*it)[2]);
    return notes;
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

class AlignEndToEnd : public EndToEnd {};

TEST_F(AlignEndToEnd, EspeakSpeechAtAnotherRateLandsOnEspeaksOwnWordTimes) {
    std::string text;
    const char* sentences[] = {
        "The animator opened the scene and read the first line aloud.",
        "Then she waited for the actor to answer, but nobody said a word.",
        "After a long pause, the director laughed and called for another take of the whole dialogue.",
        "Every mouth shape follows the voice, from the softest whisper to the loudest shout.",
        "Seven quick brown foxes jumped over the lazy sleeping dogs near the river bank.",
    };
    for (int round = 0; round < 3; ++round)
        for (const char* s : sentences) text += std::string(s) + " ";
    const int rate = 235;  // espeak-ng's own rate is 175 words a minute
    const std::string wave = Path("take.wav");
    WriteFile(Path("take.txt"), text);
    ASSERT_EQ(std::system(("espeak-ng -v en -s " + std::to_string(rate) + " -w '" + wave + "' -f '" +
                           Path("take.txt") + "'").c_str()),
              0);
    const testing_support::EspeakWords reference = testing_support::EspeakWordStarts(text, rate);

    const ProgramRun run = Lipsmith({"align", wave, "--transcript", Path("take.txt"), "--actor", "Head", "--words",
                                     Path("words.tsv"), "--keys", Path("keys.json"), "--wave", Path("out.wav"),
                                     "--save", Path("out.lsc")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<WordRow> words = ReadWords(Path("words.tsv"));
    // Where each word of the text begins (the text has letters, blanks and
    // punctuation only); espeak-ng times the words it does not run together.
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::isalnum(static_cast<unsigned char>(text[i])) && (i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]))))
            offsets.push_back(i);
    ASSERT_EQ(words.size(), offsets.size());
    ASSERT_GT(reference.starts.size(), offsets.size() * 9 / 10);
    std::vector<double> errors;
    std::string worst;  // the words far off, for the failure message
    for (std::size_t r = 0; r < reference.starts.size(); ++r) {
        const auto at = std::find(offsets.begin(), offsets.end(), reference.offsets[r]);
        ASSERT_NE(at, offsets.end());
        const WordRow& w = words[static_cast<std::size_t>(at - offsets.begin())];
        if (w.status != "found") continue;
        errors.push_back(std::abs(w.start - reference.starts[r]));
        if (errors.back() > 0.05)
            worst += w.word + " " + std::to_string(w.start) + " vs " + std::to_string(reference.starts[r]) + "; ";
    }
    // Nearly every word is found; the rest are reported, never dropped.
    EXPECT_GE(errors.size(), reference.starts.size() * 95 / 100);
    for (const WordRow& w : words) {
        if (w.status == "missing") {
            EXPECT_NE(run.out.find("\"" + w.word + "\""), std::string::npos);
        }
    }
    std::printf("word starts: %zu found, median error %.1f ms, 95th percentile %.1f ms\n", errors.size(),
                Percentile(errors, 0.5) * 1000, Percentile(errors, 0.95) * 1000);
    EXPECT_LT(Percentile(errors, 0.5), 0.030);
    EXPECT_LT(Percentile(errors, 0.95), 0.080) << worst;

    // The recording became the scene's sound in the wave output, whole.
    std::ifstream in(Path("out.wav"), std::ios::binary | std::ios::ate);
    std::ifstream original(wave, std::ios::binary | std::ios::ate);
    EXPECT_NEAR(static_cast<double>(in.tellg()), static_cast<double>(original.tellg()), 4096.0);
    // Head and its jaw are keyed; the phonemes run through the recording.
    const std::string keys = ReadFile(Path("keys.json"));
    const auto notes = Notes(keys, "Head");
    ASSERT_GT(notes.size(), words.size() * 2);
    EXPECT_NEAR(notes.back().first, words.back().end, 0.5);
    EXPECT_FALSE(Notes(keys, "Jaw").empty());
    EXPECT_TRUE(Notes(keys, "Narrator").empty());
    EXPECT_TRUE(fs::exists(Path("out.lsc")));
}

TEST_F(AlignEndToEnd, AHumanRecordingComesOutInOrderWithKeysInsideTheSpokenWords) {
    const std::string first = std::string(kHumanDir) + "sense_and_sensibility_01_austen_64kb-0880.wav";
    const std::string second = std::string(kHumanDir) + "sense_and_sensibility_01_austen_64kb-0930.wav";
    if (!fs::exists(first) || !fs::exists(second)) GTEST_SKIP() << "Debian package pocketsphinx-testdata is missing";
    const std::string wave = Path("human.wav");
    ASSERT_EQ(std::system(("sox '" + first + "' '" + second + "' '" + wave + "'").c_str()), 0);
    const std::string text = "He was not an ill-disposed young man. He might even have been made amiable himself.";
    const ProgramRun run = Lipsmith({"align", wave, "--text", text, "--actor", "Narrator", "--words", Path("words.tsv"),
                                     "--keys", Path("keys.json"), "--no-scratch"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<WordRow> words = ReadWords(Path("words.tsv"));
    ASSERT_EQ(words.size(), 16u);
    double previous = -1;
    std::vector<const WordRow*> found;
    for (const WordRow& w : words) {
        if (w.status != "found") continue;
        EXPECT_GT(w.start, previous) << w.word;
        EXPECT_GT(w.end, w.start) << w.word;
        previous = w.start;
        found.push_back(&w);
    }
    EXPECT_GE(found.size(), 14u) << run.out;
    const auto notes = Notes(ReadFile(Path("keys.json")), "Narrator");
    ASSERT_FALSE(notes.empty());
    int sounded = 0;
    for (const auto& [t, name] : notes) {
        if (name == "_") continue;
        ++sounded;
        const bool inside = std::any_of(found.begin(), found.end(), [&](const WordRow* w) {
            return t >= w->start - 0.011 && t < w->end + 0.011;
        });
        EXPECT_TRUE(inside) << name << " at " << t << " s";
    }
    EXPECT_GT(sounded, 30);
}

TEST_F(AlignEndToEnd, AScriptKeysEachActorWithItsOwnLines) {
    const std::string wave = Path("two.wav");
    const std::string head = "Where did you put the keys to the studio?";
    const std::string narrator = "They were on the table by the window all along.";
    ASSERT_EQ(std::system(("espeak-ng -v en -s 190 -w '" + wave + "' '" + head + " " + narrator + "'").c_str()), 0);
    const std::string script = Script("two.txt", AnimScript({{"Head", head}, {"Narrator", narrator}}));
    const ProgramRun run = Lipsmith({"align", wave, "--script", script, "--words", Path("words.tsv"), "--keys",
                                     Path("keys.json"), "--no-scratch", "--export", "tsv:" + Path("{node}.tsv")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Adding keys for actor named 'Head'"), std::string::npos);
    EXPECT_NE(run.out.find("Adding keys for actor named 'Narrator'"), std::string::npos);
    const std::string keys = ReadFile(Path("keys.json"));
    const auto headNotes = Notes(keys, "Head");
    const auto narratorNotes = Notes(keys, "Narrator");
    ASSERT_FALSE(headNotes.empty());
    ASSERT_FALSE(narratorNotes.empty());
    // The narrator's words come after the head's.
    double lastHead = 0, firstNarrator = 1e9;
    for (const auto& [t, name] : headNotes)
        if (name != "_") lastHead = std::max(lastHead, t);
    for (const auto& [t, name] : narratorNotes)
        if (name != "_") firstNarrator = std::min(firstNarrator, t);
    EXPECT_LT(lastHead, firstNarrator);
    EXPECT_TRUE(fs::exists(Path("Head.tsv")));
    EXPECT_TRUE(fs::exists(Path("Narrator.tsv")));
}

TEST_F(AlignEndToEnd, WordsLeftOutAreReportedWithTheirTimesAndAddedOnesDoNotDerailTheRest) {
    const std::string wave = Path("skip.wav");
    // The take leaves out "old" and "many long", and adds "really".
    ASSERT_EQ(std::system(("espeak-ng -v en -s 170 -w '" + wave +
                           "' 'The castle stood on the hill above the town. Nobody had lived there for "
                           "years, and the gate was really rusted shut.'")
                              .c_str()),
              0);
    const std::string text = "The castle stood on the old hill above the town. Nobody had lived there for many long "
                             "years, and the gate was rusted shut.";
    const ProgramRun run = Lipsmith({"align", wave, "--text", text, "--actor", "Head", "--words", Path("words.tsv"),
                                     "--no-scratch"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<WordRow> words = ReadWords(Path("words.tsv"));
    std::vector<std::string> missing;
    for (const WordRow& w : words)
        if (w.status == "missing") missing.push_back(w.word);
    EXPECT_EQ(missing, (std::vector<std::string>{"old", "many", "long"})) << run.out;
    EXPECT_NE(run.out.find("Warning: The word \"old\" (word 6 of Head) was not found in the recording between"),
              std::string::npos);
    // Reported where they would have been: after the word before them.
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i].status != "missing") continue;
        EXPECT_GE(words[i].start, words[i - 1].end - 0.001) << words[i].word;
    }
    // The words after the gaps are found again, in order, to the end.
    for (const char* w : {"hill", "years", "gate", "rusted", "shut"}) {
        const auto at = std::find_if(words.begin(), words.end(), [&](const WordRow& r) { return r.word == w; });
        ASSERT_NE(at, words.end());
        EXPECT_EQ(at->status, "found") << w;
    }
}

TEST_F(AlignEndToEnd, AnotherLanguagesVoiceKeysTheWordsWithItsOwnPhonemes) {
    const std::string wave = Path("de.wav");
    ASSERT_EQ(std::system(("espeak-ng -v en -w '" + wave + "' 'Hello there, my friend.'").c_str()), 0);
    // Recognition stays English; the German voice gives the phonemes.
    const ProgramRun run = Lipsmith({"align", wave, "--text", "Hello there, my friend.", "--actor", "Head",
                                     "--voice", "German", "--keys", Path("keys.json"), "--no-scratch"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err.find("not in the phoneme table"), std::string::npos) << run.err;
    const auto notes = Notes(ReadFile(Path("keys.json")), "Head");
    int sounded = 0;
    for (const auto& [t, name] : notes) sounded += name != "_";
    EXPECT_GE(sounded, 10);
}

TEST_F(AlignEndToEnd, CtrlCStopsCleanlyAndLeavesTheOutputsAsTheyWere) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "The animator opened the scene and read the first line aloud, twice over. ";
    WriteFile(Path("long.txt"), text);
    const std::string wave = Path("long.wav");
    ASSERT_EQ(std::system(("espeak-ng -v en -w '" + wave + "' -f '" + Path("long.txt") + "'").c_str()), 0);
    WriteFile(Path("out.wav"), "the previous output");
    RunningProgram program = StartProgram({LIPSMITH_PROGRAM, "align", wave, "--transcript", Path("long.txt"), "--actor",
                                           "Head", "--wave", Path("out.wav"), "--save", Path("out.lsc")});
    // Stopped while the recording is being copied beside the output.
    auto copying = [&] {
        for (const std::string& name : FilesIn(dir))
            if (name.find("out.wav.tmp-") == 0) return true;
        return false;
    };
    ASSERT_TRUE(WaitWhileRunning(program, copying));
    ::kill(program.pid, SIGINT);
    const ProgramRun run = FinishProgram(program);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.err.find("stopped; nothing was saved"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(Path("out.wav")), "the previous output");
    EXPECT_FALSE(fs::exists(Path("out.lsc")));
    EXPECT_FALSE(copying()) << "no temporary file is left behind";
}

TEST_F(AlignEndToEnd, BadInputIsAUsageErrorAndWritesNothing) {
    const std::string wave = Path("short.wav");
    ASSERT_EQ(std::system(("espeak-ng -v en -w '" + wave + "' 'hello there'").c_str()), 0);
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"align", wave, "--actor", "Head"}, "text is missing"},
        {{"align", wave, "--text", "hello there"}, "--actor NODE is needed"},
        {{"align", wave, "--text", "a", "--transcript", Path("t.txt"), "--actor", "Head"}, "exclude each other"},
        {{"align", Path("none.wav"), "--text", "hello", "--actor", "Head"}, "cannot read the recording"},
        {{"align", wave, "--text", "hello", "--actor", "Head", "--save", wave}, "would overwrite the recording"},
        {{"align", wave, "--text", "hello", "--actor", "Head", "--voice", "No Such Voice"}, "no installed voice"},
        {{"align", Path("t.txt"), "--text", "hello", "--actor", "Head", "--no-scratch"}, "not a readable RIFF WAVE"},
    };
    WriteFile(Path("t.txt"), "hello there");
    for (const Case& c : cases) {
        const ProgramRun run = Lipsmith(c.args);
        const std::string all = run.out + run.err;
        EXPECT_NE(all.find(c.says), std::string::npos) << c.says << "\n" << all;
        EXPECT_NE(run.status, 0) << c.says;
    }
    EXPECT_FALSE(fs::exists(Path("out.lsc")));
}

}  // namespace
}  // namespace lipsmith::e2e
