// `lipsmith map-default` through the real command-line program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "BuiltInPhonemeMap.h"
#include "MapTestSupport.h"

namespace lipsmith {
namespace {

using namespace lipsmith::testing;

// Runs the program with the given argument text; returns its exit status.
int RunCli(const std::string& arguments, const TempDir& dir) {
    const std::string command = std::string("'") + LIPSMITH_CLI + "' " + arguments + " 2>'" +
                                (dir.Path() / "stderr.txt").string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MapDefaultCommand, WritesTheBuiltInMapByteForByte) {
    TempDir dir;
    const fs::path out = dir.Path() / "default map.xml";
    ASSERT_EQ(RunCli("map-default '" + out.string() + "'", dir), 0);
    const std::string written = ReadFile(out);
    EXPECT_EQ(written, std::string(BuiltInPhonemeMapText()));
    EXPECT_EQ(written, ReadFile(fs::path(LIPSMITH_SOURCE_DIR) / "resources" / "PhonemeMap4125.xml"));
    EXPECT_EQ(ReadFile(dir.Path() / "stderr.txt"), "");
}

TEST(MapDefaultCommand, ReportsUsageAndWriteErrors) {
    TempDir dir;
    EXPECT_EQ(RunCli("map-default", dir), 2);
    EXPECT_EQ(RunCli("map-default a.xml b.xml", dir), 2);
    const fs::path unwritable = dir.Path() / "missing folder" / "map.xml";
    EXPECT_EQ(RunCli("map-default '" + unwritable.string() + "'", dir), 1);
    EXPECT_NE(ReadFile(dir.Path() / "stderr.txt").find("cannot write"), std::string::npos);
    EXPECT_FALSE(fs::exists(unwritable));
}

}  // namespace
}  // namespace lipsmith
