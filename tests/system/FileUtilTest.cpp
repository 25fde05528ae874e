// The atomic writer: a failure never replaces what was there, and targets
// that are not regular files are refused, not replaced by a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FileUtil.h"

namespace lipsmith {
namespace {

namespace fs = std::filesystem;

class AtomicWrite : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lipsmith-fileutil-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::size_t Entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }
    fs::path dir;
};

TEST_F(AtomicWrite, ReplacesARegularFileWhole) {
    const std::string path = (dir / "out.txt").string();
    std::ofstream(path) << "old text that is longer";
    std::string problem;
    ASSERT_TRUE(WriteFileAtomically(path, "new", &problem)) << problem;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "new");
    EXPECT_EQ(Entries(), 1u);  // no temporary file left
}

TEST_F(AtomicWrite, RefusesFoldersPipesAndMissingFolders) {
    const fs::path folder = dir / "folder";
    fs::create_directory(folder);
    const fs::path pipe = dir / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);

    std::string problem;
    EXPECT_FALSE(WriteFileAtomically(folder.string(), "x", &problem));
    EXPECT_EQ(problem, "'" + folder.string() + "' is a folder");
    EXPECT_FALSE(WriteFileAtomically(pipe.string(), "x", &problem));
    EXPECT_EQ(problem, "'" + pipe.string() + "' is not a regular file");
    EXPECT_TRUE(fs::is_fifo(pipe));  // still the pipe, not a file in its place
    const std::string nowhere = (dir / "no" / "such" / "out.txt").string();
    EXPECT_FALSE(WriteFileAtomically(nowhere, "x", &problem));
    EXPECT_NE(problem.find("cannot create a file beside '" + nowhere + "'"), std::string::npos) << problem;
    EXPECT_EQ(Entries(), 2u);  // nothing left beside them
}

}  // namespace
}  // namespace lipsmith
