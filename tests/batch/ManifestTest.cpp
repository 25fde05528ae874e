// Manifest lines and what an item reads and writes.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "ItemFiles.h"
#include "Manifest.h"

namespace lipsmith::batch {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

Words Split(const std::string& line, std::string* error = nullptr) {
    std::string ignored;
    return SplitWords(line, error ? error : &ignored);
}

TEST(ManifestWords, QuotesEscapesAndComments) {
    EXPECT_EQ(Split("  run a.txt\t--save  out.lsc  "), (Words{"run", "a.txt", "--save", "out.lsc"}));
    EXPECT_EQ(Split("run 'my line.txt' --text \"say \\\"hi\\\" \\\\ now\""),
              (Words{"run", "my line.txt", "--text", "say \"hi\" \\ now"}));
    EXPECT_EQ(Split("run it\\'s\\ here.txt"), (Words{"run", "it's here.txt"}));
    EXPECT_EQ(Split("run a#b.txt # a comment 'with quote"), (Words{"run", "a#b.txt"}));
    EXPECT_EQ(Split("run '' \"\" 'a'\"b\"c"), (Words{"run", "", "", "abc"}));
    EXPECT_EQ(Split("run \"keep \\n as is\""), (Words{"run", "keep \\n as is"}));
    EXPECT_TRUE(Split("   # only a comment").empty());
    EXPECT_TRUE(Split("").empty());

    std::string error;
    EXPECT_TRUE(Split("run 'open", &error).empty());
    EXPECT_EQ(error, "a ' quote is not closed");
    EXPECT_TRUE(Split("run \"open \\\"", &error).empty());
    EXPECT_EQ(error, "a \" quote is not closed");
    EXPECT_TRUE(Split("run a \\", &error).empty());
    EXPECT_NE(error.find("backslash"), std::string::npos);
}

TEST(ManifestWords, CommandsAreNamedOrFoundFromTheInput) {
    const fs::path dir = fs::temp_directory_path() / ("lipsmith-manifest-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "intro") << "a script without an extension";
    const Manifest m = ParseManifest(
        "\xEF\xBB\xBF# lines\r\n"
        "run a.txt\r\n"
        "b.txt --save b.lsc\n"
        "\n"
        "takes/c.WAV --text \"c\" --actor Head\n"
        "intro --save intro.lsc\n"
        "align d.wav --actor Head\n"
        "future-command x\n"
        "run 'broken\n"
        "export s.lsc --node Head --format dat -o s.dat",
        dir.string());
    fs::remove_all(dir);
    ASSERT_EQ(m.items.size(), 8u);
    const std::pair<int, Words> expected[] = {
        {2, {"run", "a.txt"}},
        {3, {"run", "b.txt", "--save", "b.lsc"}},
        {5, {"align", "takes/c.WAV", "--text", "c", "--actor", "Head"}},
        {6, {"run", "intro", "--save", "intro.lsc"}},  // a file of that name: an input
        {7, {"align", "d.wav", "--actor", "Head"}},
        {8, {"future-command", "x"}},
        {9, {}},
        {10, {"export", "s.lsc", "--node", "Head", "--format", "dat", "-o", "s.dat"}},
    };
    for (std::size_t i = 0; i < m.items.size(); ++i) {
        EXPECT_EQ(m.items[i].line, expected[i].first);
        EXPECT_EQ(m.items[i].words, expected[i].second) << m.items[i].line;
        EXPECT_EQ(m.items[i].error.empty(), i != 6) << m.items[i].line;
    }
    EXPECT_EQ(ItemLabel(m.items[0]), "2: run a.txt");
    EXPECT_EQ(m.folder, dir.string());
}

TEST(ItemFiles, InputsAndOutputsOfEachKindOfLine) {
    ItemFiles f = FilesOf({"run", "a.txt", "--scene", "rig.lsc", "--map", "m.xml", "--save", "o.lsc", "--wave",
                           "o.wav", "--keys", "k.json", "--export", "tsv:o.tsv", "--fps", "24", "--voice", "x.txt",
                           "--insert", "--verbose"});
    EXPECT_EQ(f.inputs, (Words{"a.txt", "rig.lsc", "m.xml"}));
    EXPECT_EQ(f.outputs, (Words{"o.lsc", "o.wav", "k.json", "o.tsv"}));
    EXPECT_FALSE(f.outputsUnknown);

    f = FilesOf({"align", "take.wav", "--transcript", "t.txt", "--text", "words.txt", "--actor", "Head", "--export",
                 "dat:{node}.dat"});
    EXPECT_EQ(f.inputs, (Words{"take.wav", "t.txt"}));
    EXPECT_TRUE(f.outputs.empty());
    EXPECT_TRUE(f.outputsUnknown);

    f = FilesOf({"export", "s.lsc", "--node", "Head", "--format", "json", "-o", "s.json"});
    EXPECT_EQ(f.inputs, Words{"s.lsc"});
    EXPECT_EQ(f.outputs, Words{"s.json"});
    EXPECT_EQ(FilesOf({"new-scene", "rig.lsc"}).outputs, Words{"rig.lsc"});
    EXPECT_EQ(FilesOf({"run", "a.txt", "--save"}).inputs, Words{"a.txt"});  // a value missing
}

class Freshness : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lipsmith-fresh-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    void Make(const std::string& name, long seconds) {
        std::ofstream(dir + "/" + name) << name;
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, (dir + "/" + name).c_str(), times, 0);
    }
    std::string dir;
};

TEST_F(Freshness, OutputsNewerThanEveryInputAreUpToDate) {
    const ItemFiles files = FilesOf({"run", "a.txt", "--scene", "rig.lsc", "--save", "o.lsc", "--keys", "k.json"});
    Make("a.txt", 1000);
    Make("rig.lsc", 2000);
    EXPECT_FALSE(UpToDate(files, dir));  // no outputs yet
    Make("o.lsc", 3000);
    EXPECT_FALSE(UpToDate(files, dir));  // one output missing
    Make("k.json", 1500);
    EXPECT_FALSE(UpToDate(files, dir));  // older than the scene
    Make("k.json", 3000);
    EXPECT_TRUE(UpToDate(files, dir));
    Make("rig.lsc", 3000);
    EXPECT_FALSE(UpToDate(files, dir));  // as old as an input is not newer
    Make("rig.lsc", 2000);
    EXPECT_TRUE(UpToDate(FilesOf({"run", dir + "/a.txt", "--save", dir + "/o.lsc"}), "/nowhere"));  // absolute paths

    MarkStale(files, dir);  // a failed run
    EXPECT_FALSE(UpToDate(files, dir));
    EXPECT_TRUE(fs::exists(dir + "/o.lsc"));  // kept, only older

    fs::remove(dir + "/a.txt");
    Make("o.lsc", 3000);
    Make("k.json", 3000);
    EXPECT_FALSE(UpToDate(files, dir));  // an input is gone: run, and let the item say so
    EXPECT_FALSE(UpToDate(FilesOf({"run", "a.txt"}), dir));  // nothing to compare
}

}  // namespace
}  // namespace lipsmith::batch
