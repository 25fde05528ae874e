// Writing files safely: targets that must not be replaced, permission bits
// that stay, links written through, swaps and leftovers of dead processes.
#include "FileUtil.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lipsmith {
namespace {

namespace fs = std::filesystem;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A node that is not a regular file, made in the test's own folder so that a
// writer that wrongly replaced it could harm nothing else: a device node where
// the test may make one, else a Unix socket.
bool MakeSpecialFile(const std::string& path) {
    if (::mknod(path.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool made = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return made;
}

class FileUtil : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lipsmith-fileutil-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    std::size_t Entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {})); }

    std::string dir;
};

TEST_F(FileUtil, TargetsThatAreNotWritableFilesAreRefusedUntouched) {
    fs::create_directory(Path("folder"));
    Write(Path("folder/inside"), "kept");
    Write(Path("readonly"), "old");
    fs::permissions(Path("readonly"), fs::perms::owner_read);
    ASSERT_TRUE(MakeSpecialFile(Path("device")));
    const struct {
        std::string path, reason;
    } cases[] = {
        {Path("folder"), "it is a folder"},
        {Path("device"), "it is not a regular file (a device, pipe or socket)"},
        {Path("readonly"), "it is read-only"},
        {Path("missing/file"), "the folder '" + Path("missing") + "' does not exist"},
        {Path("readonly/file"), "Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(OutputTargetProblem(c.path), c.reason);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(c.path, "new", &error));
        EXPECT_EQ(error, "cannot write '" + c.path + "': " + c.reason);
    }
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(Read(Path("folder/inside")), "kept");
    EXPECT_EQ(Read(Path("readonly")), "old");
    EXPECT_EQ(fs::status(Path("readonly")).permissions(), fs::perms::owner_read);
    EXPECT_FALSE(fs::is_regular_file(Path("device")));
    EXPECT_EQ(Entries(), 3u);  // no temporary file left anywhere
    EXPECT_EQ(OutputTargetProblem(Path("new")), "");
}

TEST_F(FileUtil, AReplacedFileKeepsItsPermissionsAndLinksAreWrittenThrough) {
    Write(Path("private"), "old");
    fs::permissions(Path("private"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteFileAtomically(Path("private"), "new"));
    EXPECT_EQ(Read(Path("private")), "new");
    EXPECT_EQ(fs::status(Path("private")).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::create_symlink(Path("private"), Path("link"));
    ASSERT_TRUE(WriteFileAtomically(Path("link"), "through"));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_EQ(Read(Path("private")), "through");

    // A finished file put in place keeps the replaced one's permissions too.
    Write(Path("done"), "recording");
    std::string error;
    ASSERT_TRUE(ReplaceWithFile(Path("done"), Path("link"), &error)) << error;
    EXPECT_EQ(Read(Path("private")), "recording");
    EXPECT_EQ(fs::status(Path("private")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(ReplaceWithFile(Path("private"), dir, &error));
    EXPECT_EQ(error, "cannot write '" + dir + "': it is a folder");
    EXPECT_EQ(Read(Path("private")), "recording");
}

TEST_F(FileUtil, ExchangeSwapsTwoFilesOrMovesTheOneThatExists) {
    Write(Path("a"), "first");
    Write(Path("b"), "second");
    ASSERT_TRUE(LinkOrCopyFile(Path("a"), Path("a2")));
    ASSERT_TRUE(ExchangeFiles(Path("a"), Path("b")));
    EXPECT_EQ(Read(Path("a")), "second");
    EXPECT_EQ(Read(Path("b")), "first");
    EXPECT_EQ(Read(Path("a2")), "first");  // the second name keeps the file it named
    fs::remove(Path("b"));
    ASSERT_TRUE(ExchangeFiles(Path("a"), Path("b")));
    EXPECT_FALSE(fs::exists(Path("a")));
    EXPECT_EQ(Read(Path("b")), "second");
    ASSERT_TRUE(ExchangeFiles(Path("a"), Path("b")));
    EXPECT_EQ(Read(Path("a")), "second");
    EXPECT_FALSE(ExchangeFiles(Path("x"), Path("y")));
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(FileUtil, OnlyTemporariesOfDeadProcessesAreRemoved) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string target = Path("out.wav");
    const std::string dead = target + ".tmp-" + std::to_string(child) + "-";
    const std::string mine = TemporarySiblingName(target, "rec");
    const std::string parents = target + ".tmp-" + std::to_string(::getppid()) + "-rec";
    for (const std::string& name :
         {dead + "rec", dead + "rec.x1Y2z3", dead + "0", mine, mine + ".x1Y2z3", parents, target + ".tmp-12x-0",
          Path("other.wav.tmp-" + std::to_string(child) + "-0"), target}) {
        Write(name, "x");
    }
    std::vector<std::string> removed = RemoveStaleTemporaries(target);
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (std::vector<std::string>{dead + "0", dead + "rec", dead + "rec.x1Y2z3"}));
    EXPECT_EQ(Entries(), 6u);
    RemoveTemporary(mine);
    EXPECT_FALSE(fs::exists(mine));
    EXPECT_FALSE(fs::exists(mine + ".x1Y2z3"));
    EXPECT_EQ(Entries(), 4u);
}

}  // namespace
}  // namespace lipsmith
