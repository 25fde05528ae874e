// Exports and batches through the real lipsmith program and speech server.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "E2ESupport.h"

namespace lipsmith::e2e {
namespace {

namespace fs = std::filesystem;

// The shapes of a tsv export, in order.
std::vector<std::string> Shapes(const std::string& tsv) {
    std::vector<std::string> shapes;
    std::istringstream in(tsv);
    for (std::string line; std::getline(in, line);) shapes.push_back(line.substr(line.find('\t') + 1));
    return shapes;
}

class ExportEndToEnd : public EndToEnd {};

TEST_F(ExportEndToEnd, RunExportsWhatTheExportCommandReadsFromTheSavedScene) {
    const std::string script = Script("lines.txt", AnimScript({{"Head", "Mama bobbed up."}, {"Narrator", "We woo you."}}));
    const ProgramRun run =
        Lipsmith({"run", script, "--wave", Path("out.wav"), "--save", Path("out.lsc"), "--export",
                  "tsv:" + Path("run.tsv"), "--export", "dat:" + Path("{node}.dat"), "--export", "xml:" + Path("run.xml")});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.err.find("holds actor 'Head' only; put {node} in the file name"), std::string::npos) << run.err;

    const ProgramRun head = Lipsmith({"export", Path("out.lsc"), "--node", "Head", "--format", "tsv"});
    ASSERT_EQ(head.status, 0) << head.err;
    EXPECT_EQ(head.out, ReadFile(Path("run.tsv")));
    const std::vector<std::string> headShapes = Shapes(head.out);
    EXPECT_GE(std::count(headShapes.begin(), headShapes.end(), "A"), 3) << head.out;  // m, m, b, b, p
    EXPECT_EQ(headShapes.back(), "X");

    const ProgramRun narrator = Lipsmith({"export", Path("out.lsc"), "--node", "Narrator", "--format", "tsv"});
    ASSERT_EQ(narrator.status, 0) << narrator.err;
    const std::vector<std::string> narratorShapes = Shapes(narrator.out);
    EXPECT_GE(std::count(narratorShapes.begin(), narratorShapes.end(), "F"), 2) << narrator.out;  // w, uw, w, uw, y uw
    EXPECT_EQ(std::count(narratorShapes.begin(), narratorShapes.end(), "A"), 0) << narrator.out;

    for (const char* node : {"Head", "Narrator"}) {
        const std::string dat = ReadFile(Path(std::string(node) + ".dat"));
        EXPECT_EQ(dat.rfind("MohoSwitch1\n1 ", 0), 0u) << dat;
    }
    EXPECT_NE(ReadFile(Path("Head.dat")).find(" MBP\n"), std::string::npos);
    EXPECT_NE(ReadFile(Path("Narrator.dat")).find(" WQ\n"), std::string::npos);

    // The cue formats give the recording and end where it ends.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(Path("run.xml").c_str()));
    const pugi::xml_node metadata = doc.child("rhubarbResult").child("metadata");
    EXPECT_EQ(std::string(metadata.child_value("soundFile")), Path("out.wav"));
    const double duration = std::stod(metadata.child_value("duration"));
    EXPECT_GT(duration, 1.0);
    const std::string lastLine = head.out.substr(head.out.rfind('\n', head.out.size() - 2) + 1);
    EXPECT_EQ(std::stod(lastLine), duration);

    // Curves at the scene's 30 fps: a row per frame to the end of the speech.
    const ProgramRun curves = Lipsmith({"export", Path("out.lsc"), "--node", "Jaw", "--format", "curves", "-o",
                                        Path("jaw.csv")});
    ASSERT_EQ(curves.status, 0) << curves.err;
    const std::string csv = ReadFile(Path("jaw.csv"));
    EXPECT_NEAR(static_cast<double>(std::count(csv.begin(), csv.end(), '\n') - 2), duration * 30, 1.5);
}

TEST_F(ExportEndToEnd, BadRequestsAreRefusedClearly) {
    const std::string script = Script("line.txt", AnimScript({{"Head", "Hi."}}));
    ASSERT_EQ(Lipsmith({"run", script, "--wave", Path("o.wav"), "--save", Path("o.lsc")}).status, 0);
    fs::create_directory(Path("folder"));
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"export", Path("o.lsc"), "--node", "Head", "--format", "tsv", "-o", Path("folder")}, 1, "it is a folder"},
        {{"export", Path("o.lsc"), "--node", "Head", "--format", "png"}, 2, "unknown format 'png'"},
        {{"export", Path("o.lsc"), "--node", "Nobody", "--format", "tsv"}, 2, "no node named 'Nobody'"},
        {{"export", Path("o.lsc"), "--format", "tsv"}, 2, "--node NODE is needed"},
        {{"export", Path("missing.lsc"), "--node", "Head", "--format", "tsv"}, 2, "missing.lsc"},
        {{"export", Path("o.lsc"), "--node", "Head", "--format", "dat", "--fps", "0"}, 2, "--fps takes"},
        {{"run", script, "--wave", Path("o.wav"), "--export", "tsv"}, 2, "--export takes FORMAT:FILE"},
        {{"run", script, "--wave", Path("o.wav"), "--export", "gif:x.gif"}, 2, "unknown format 'gif'"},
        // Export targets are checked before the run, as its other outputs are.
        {{"run", script, "--wave", Path("o.wav"), "--export", "tsv:" + Path("folder")}, 2, "it is a folder"},
        {{"run", script, "--wave", Path("o.wav"), "--export", "dat:" + Path("no/{node}.dat")}, 2, "does not exist"},
        {{"run", script, "--wave", Path("o.wav"), "--export", "tsv:" + script}, 2, "would overwrite the script"},
    };
    for (const auto& c : cases) {
        const ProgramRun r = Lipsmith(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_TRUE(fs::is_directory(Path("folder")));
}

class BatchEndToEnd : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        std::string pattern = "/tmp/lsb-XXXXXX";  // short: the servers' sockets live below it
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        tmp = pattern;
    }
    void TearDown() override {
        fs::remove_all(tmp);
        EndToEnd::TearDown();
    }
    // The batch's own folders go to a temporary directory of this test.
    ProgramRun Batch(std::vector<std::string> args) {
        const char* old = std::getenv("TMPDIR");
        const std::string saved = old ? old : "";
        ::setenv("TMPDIR", tmp.c_str(), 1);
        args.insert(args.begin(), "batch");
        const ProgramRun r = Lipsmith(std::move(args));
        if (old) ::setenv("TMPDIR", saved.c_str(), 1);
        else ::unsetenv("TMPDIR");
        return r;
    }
    std::string tmp;
};

TEST_F(BatchEndToEnd, ParallelRunsWithAFailureThenSkippedOnRerun) {
    fs::create_directories(Path("lines"));
    fs::create_directories(Path("out"));
    std::string manifest = "# four lines, a missing one and a recording\n";
    for (int i = 1; i <= 4; ++i) {
        Script("lines/l" + std::to_string(i) + ".txt",
               AnimScript({{"Head", "This is line number " + std::to_string(i) + " of the batch."}}));
        const std::string n = std::to_string(i);
        manifest += "lines/l" + n + ".txt --save out/l" + n + ".lsc --wave out/l" + n + ".wav --keys 'out/l" + n +
                    ".json' --export dat:out/l" + n + ".dat\n";
    }
    manifest += "run lines/missing.txt --save out/missing.lsc\n";
    manifest += "takes/take.wav --text \"hello there\" --actor Head --save out/take.lsc\n";
    Script("batch.txt", manifest);
    fs::create_directories(Path("takes"));
    ASSERT_EQ(std::system(("espeak-ng -v en -w '" + Path("takes/take.wav") + "' 'hello there'").c_str()), 0);

    const ProgramRun first = Batch({Path("batch.txt"), "--jobs", "2"});
    EXPECT_EQ(first.status, 1) << first.out << first.err;
    for (int i = 1; i <= 4; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_TRUE(std::regex_search(first.out, std::regex(std::to_string(i + 1) + ": run lines/l" + n +
                                                            R"(\.txt +ok +[0-9]+\.[0-9]{2} +out/l)" + n + R"(\.lsc, )")))
            << first.out;
        EXPECT_EQ(ReadFile(Path("out/l" + n + ".dat")).rfind("MohoSwitch1\n", 0), 0u);
        EXPECT_NE(ReadFile(Path("out/l" + n + ".json")).find("\"text\": \"ay\""), std::string::npos);
    }
    EXPECT_TRUE(std::regex_search(first.out, std::regex(R"(6: run lines/missing\.txt +failed .*cannot read)")))
        << first.out;
    // A recording on a line of its own is aligned.
    EXPECT_TRUE(std::regex_search(first.out, std::regex(R"(7: align takes/take\.wav +ok +[0-9]+\.[0-9]{2} +out/take\.lsc)")))
        << first.out;
    EXPECT_NE(first.out.find("6 items: 5 ok, 0 skipped, 1 failed, 0 stopped, 0 not run;"), std::string::npos)
        << first.out;
    EXPECT_NE(first.err.find("[6/6] "), std::string::npos) << first.err;  // progress as items end
    EXPECT_TRUE(fs::is_empty(tmp));  // the workers' folders and servers are gone

    const ProgramRun second = Batch({Path("batch.txt"), "--jobs", "2"});
    EXPECT_NE(second.out.find("6 items: 0 ok, 5 skipped, 1 failed, 0 stopped, 0 not run;"), std::string::npos)
        << second.out;
    EXPECT_TRUE(fs::is_empty(tmp));
}

TEST_F(BatchEndToEnd, ManifestProblemsAreUsageErrors) {
    EXPECT_EQ(Batch({Path("none.txt")}).status, 2);
    EXPECT_EQ(Batch({dir}).status, 2);
    Script("m.txt", "# nothing\n");
    EXPECT_EQ(Batch({Path("m.txt"), "--jobs", "0"}).status, 2);
    const ProgramRun empty = Batch({Path("m.txt")});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_NE(empty.out.find("0 items: 0 ok"), std::string::npos) << empty.out;
}

}  // namespace
}  // namespace lipsmith::e2e
