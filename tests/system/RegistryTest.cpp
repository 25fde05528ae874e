#include "Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ScriptedPrompts.h"
#include "Settings.h"

namespace lipsmith {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "lipsmith-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        file_ = dir_ / "config" / "registry";
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    fs::path file_;
    ScriptedPrompts prompts_;
    ScopedPrompts usePrompts_{prompts_};
};

TEST_F(RegistryTest, KeysAndValuesPersistInTheFile) {
    {
        RegistryStore store(file_.string());
        EXPECT_EQ(store.OpenKey(Hive::CurrentUser, kSettingsKey), ERROR_FILE_NOT_FOUND);
        EXPECT_FALSE(fs::exists(file_));  // reading never creates the file
        ASSERT_EQ(store.CreateKey(Hive::CurrentUser, kSettingsKey), ERROR_SUCCESS);
        EXPECT_EQ(store.SetValue(Hive::CurrentUser, kSettingsKey, "MapFile", "/maps/robot.xml"), ERROR_SUCCESS);
        EXPECT_EQ(store.SetValue(Hive::CurrentUser, kSettingsKey, "", "default"), ERROR_SUCCESS);
        EXPECT_EQ(store.CreateKey(Hive::ClassesRoot, "CLSID\\{1}\\LocalServer32"), ERROR_SUCCESS);
    }
    const std::string text = ReadFile(file_);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tarnwick Works\\Lipsmith]\n"
                        "\"MapFile\"=\"/maps/robot.xml\"\n@=\"default\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\CLSID\\{1}\\LocalServer32]\n"), std::string::npos) << text;

    RegistryStore again(file_.string());
    std::string value;
    EXPECT_EQ(again.QueryValue(Hive::CurrentUser, kSettingsKey, "MapFile", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "/maps/robot.xml");
    EXPECT_EQ(again.QueryValue(Hive::CurrentUser, kSettingsKey, "", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "default");
    EXPECT_EQ(again.OpenKey(Hive::ClassesRoot, "CLSID\\{1}"), ERROR_SUCCESS);
    EXPECT_EQ(again.OpenKey(Hive::CurrentUser, "CLSID"), ERROR_FILE_NOT_FOUND);  // hives are apart
    EXPECT_FALSE(again.LoadProblem());
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirWrittenCase) {
    RegistryStore store(file_.string());
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "Software\\Tarnwick Works"), ERROR_SUCCESS);
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "SOFTWARE\\tarnwick works\\Lipsmith"), ERROR_SUCCESS);
    EXPECT_EQ(store.SubKeys(Hive::CurrentUser, ""), std::vector<std::string>{"Software"});
    EXPECT_EQ(store.SubKeys(Hive::CurrentUser, "software"), std::vector<std::string>{"Tarnwick Works"});
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, kSettingsKey, "WaveFile", "a.wav"), ERROR_SUCCESS);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, kSettingsKey, "wavefile", "b.wav"), ERROR_SUCCESS);
    EXPECT_EQ(store.ValueNames(Hive::CurrentUser, kSettingsKey), std::vector<std::string>{"WaveFile"});
    std::string value;
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, "software\\TARNWICK WORKS\\lipsmith", "WAVEFILE", value),
              ERROR_SUCCESS);
    EXPECT_EQ(value, "b.wav");
}

TEST_F(RegistryTest, ErrorsOfKeysAndValues) {
    RegistryStore store(file_.string());
    std::string value = "untouched";
    EXPECT_EQ(store.SetValue(Hive::CurrentUser, "Missing", "x", "1"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, "Missing", "x", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store.DeleteKey(Hive::CurrentUser, "Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store.DeleteValue(Hive::CurrentUser, "", "x"), ERROR_FILE_NOT_FOUND);
    for (const char* bad : {"a\\\\b", "\\a", "a\\", "a\\b\nc"}) {
        EXPECT_EQ(store.CreateKey(Hive::CurrentUser, bad), ERROR_INVALID_PARAMETER) << bad;
        EXPECT_EQ(store.OpenKey(Hive::CurrentUser, bad), ERROR_INVALID_PARAMETER) << bad;
    }
    EXPECT_EQ(store.DeleteKey(Hive::CurrentUser, ""), ERROR_INVALID_PARAMETER);

    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(store.DeleteKey(Hive::CurrentUser, "A"), ERROR_KEY_HAS_CHILDREN);
    EXPECT_EQ(store.DeleteKey(Hive::CurrentUser, "a\\b"), ERROR_SUCCESS);
    EXPECT_EQ(store.DeleteKey(Hive::CurrentUser, "A"), ERROR_SUCCESS);
    EXPECT_TRUE(store.SubKeys(Hive::CurrentUser, "").empty());

    // A fixed buffer of 260 bytes holds 259 characters and the terminator.
    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, kSettingsKey), ERROR_SUCCESS);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, kSettingsKey, "WaveFile", std::string(259, 'w')), ERROR_SUCCESS);
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, kSettingsKey, "WaveFile", value, kWaveFileMaxBytes),
              ERROR_SUCCESS);
    EXPECT_EQ(value.size(), 259u);
    ASSERT_EQ(store.SetValue(Hive::CurrentUser, kSettingsKey, "WaveFile", std::string(260, 'w')), ERROR_SUCCESS);
    value = "untouched";
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, kSettingsKey, "WaveFile", value, kWaveFileMaxBytes),
              ERROR_MORE_DATA);
    EXPECT_EQ(value, "untouched");
    EXPECT_EQ(store.DeleteValue(Hive::CurrentUser, kSettingsKey, "wavefile"), ERROR_SUCCESS);
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, kSettingsKey, "WaveFile", value), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, AnyTextSurvivesTheFile) {
    const std::string awkward = std::string("C:\\path \"quoted\"\n\r\t end\x01\x7f ") + '\0' + "after nul \xC3\xA9";
    const std::string awkwardName = "name with \"quotes\" and \\ and =";
    {
        RegistryStore store(file_.string());
        ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "Key [with] \"odd\" name "), ERROR_SUCCESS);
        ASSERT_EQ(store.SetValue(Hive::CurrentUser, "Key [with] \"odd\" name ", awkwardName, awkward),
                  ERROR_SUCCESS);
    }
    RegistryStore again(file_.string());
    std::string value;
    ASSERT_EQ(again.QueryValue(Hive::CurrentUser, "Key [with] \"odd\" name ", awkwardName, value), ERROR_SUCCESS);
    EXPECT_EQ(value, awkward);
    EXPECT_FALSE(again.LoadProblem());
}

TEST_F(RegistryTest, ReadsAHandWrittenFile) {
    fs::create_directories(file_.parent_path());
    WriteFile(file_,
              "\xEF\xBB\xBFLipsmith Registry 1\r\n"
              "; my settings\r\n"
              "# another comment\r\n"
              "  [HKCU\\Software\\Tarnwick Works\\Lipsmith]  \r\n"
              "\"MapFile\" = \"/home/ann/map.xml\"\r\n"
              "\r\n"
              "[HKEY_CLASSES_ROOT]\r\n"
              "@=\"root default\"\r\n");
    RegistryStore store(file_.string());
    std::string value;
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, kSettingsKey, "MapFile", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "/home/ann/map.xml");
    EXPECT_EQ(store.QueryValue(Hive::ClassesRoot, "", "", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "root default");
    EXPECT_FALSE(store.LoadProblem());
}

TEST_F(RegistryTest, ADamagedFileIsReportedKeptAndReplacedOnlyByTheNextChange) {
    fs::create_directories(file_.parent_path());
    std::string garbage = "Lipsmith Registry 1\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"unterminated\n";
    garbage += std::string("\0\xff\xfe binary", 10);
    WriteFile(file_, garbage);

    RegistryStore store(file_.string());
    std::string value;
    EXPECT_EQ(store.OpenKey(Hive::CurrentUser, "A"), ERROR_FILE_NOT_FOUND);  // treated as empty
    EXPECT_EQ(store.QueryValue(Hive::CurrentUser, "A", "x", value), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(store.LoadProblem());
    EXPECT_NE(store.LoadProblem()->find("line 3"), std::string::npos) << *store.LoadProblem();
    ASSERT_EQ(prompts_.Messages().size(), 1u);  // reported once, not on every read
    EXPECT_EQ(prompts_.Messages()[0].type, MB_OK | MB_ICONWARNING);
    EXPECT_NE(prompts_.Messages()[0].text.find(file_.string()), std::string::npos);
    EXPECT_EQ(ReadFile(file_), garbage);  // reading leaves it alone

    ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "B"), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(file_.string() + ".damaged"), garbage);
    RegistryStore fresh(file_.string());
    EXPECT_EQ(fresh.OpenKey(Hive::CurrentUser, "B"), ERROR_SUCCESS);
    EXPECT_FALSE(fresh.LoadProblem());

    // A second damaged file does not replace the first copy.
    WriteFile(file_, "\x7f" "ELF binary garbage");
    EXPECT_EQ(fresh.OpenKey(Hive::CurrentUser, "B"), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(fresh.CreateKey(Hive::CurrentUser, "C"), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(file_.string() + ".damaged"), garbage);
    EXPECT_EQ(ReadFile(file_.string() + ".damaged.1"), "\x7f" "ELF binary garbage");
}

TEST_F(RegistryTest, AFailedWriteChangesNothing) {
    // The store's folder is a plain file, so nothing can be written there.
    fs::create_directories(dir_);
    WriteFile(dir_ / "config", "not a folder");
    RegistryStore store(file_.string());
    EXPECT_EQ(store.CreateKey(Hive::CurrentUser, "A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.OpenKey(Hive::CurrentUser, "A"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(store.SubKeys(Hive::CurrentUser, "").empty());
    EXPECT_FALSE(store.LoadProblem());  // nothing there is nothing damaged
    EXPECT_TRUE(prompts_.Messages().empty());
}

TEST_F(RegistryTest, APipeInTheStoresPlaceNeitherHangsNorIsReplaced) {
    fs::create_directories(file_.parent_path());
    ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);
    RegistryStore store(file_.string());
    EXPECT_EQ(store.OpenKey(Hive::CurrentUser, "A"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(store.LoadProblem());
    EXPECT_EQ(store.CreateKey(Hive::CurrentUser, "A"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_fifo(file_));
}

TEST_F(RegistryTest, TwoStoresOnOneFileSeeEachOthersChanges) {
    RegistryStore utility(file_.string());
    RegistryStore server(file_.string());
    ASSERT_EQ(utility.CreateKey(Hive::CurrentUser, kSettingsKey), ERROR_SUCCESS);
    ASSERT_EQ(server.CreateKey(Hive::ClassesRoot, "CLSID\\{x}"), ERROR_SUCCESS);
    // Quick alternating writes of values of equal length.
    for (int i = 0; i < 20; ++i) {
        RegistryStore& writer = (i % 2) ? utility : server;
        RegistryStore& reader = (i % 2) ? server : utility;
        ASSERT_EQ(writer.SetValue(Hive::CurrentUser, kSettingsKey, "N", std::to_string(i % 10)), ERROR_SUCCESS);
        std::string value;
        ASSERT_EQ(reader.QueryValue(Hive::CurrentUser, kSettingsKey, "N", value), ERROR_SUCCESS);
        EXPECT_EQ(value, std::to_string(i % 10));
    }
    EXPECT_EQ(utility.OpenKey(Hive::ClassesRoot, "CLSID\\{x}"), ERROR_SUCCESS);
    ASSERT_EQ(server.DeleteKey(Hive::ClassesRoot, "CLSID\\{x}"), ERROR_SUCCESS);
    EXPECT_EQ(utility.OpenKey(Hive::ClassesRoot, "CLSID\\{x}"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNoChange) {
    {
        RegistryStore store(file_.string());
        ASSERT_EQ(store.CreateKey(Hive::CurrentUser, "Shared"), ERROR_SUCCESS);
    }
    constexpr int kProcesses = 4, kValues = 15;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            RegistryStore store(file_.string());
            int failures = 0;
            for (int v = 0; v < kValues; ++v) {
                const std::string name = "p" + std::to_string(p) + "v" + std::to_string(v);
                failures += store.SetValue(Hive::CurrentUser, "Shared", name, name) != ERROR_SUCCESS;
            }
            _exit(failures);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore store(file_.string());
    EXPECT_EQ(store.ValueNames(Hive::CurrentUser, "Shared").size(), std::size_t(kProcesses * kValues));
}

TEST_F(RegistryTest, RegKeyWorksOnTheKeyItOpened) {
    RegistryStore store(file_.string());
    RegKey key;
    EXPECT_FALSE(key.IsOpen());
    std::string value;
    EXPECT_EQ(key.QueryString("MapFile", value), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key.Open(kSettingsHive, kSettingsKey, store), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.IsOpen());
    ASSERT_EQ(key.Create(kSettingsHive, kSettingsKey, store), ERROR_SUCCESS);
    EXPECT_TRUE(key.IsOpen());
    EXPECT_EQ(key.SetString(kWaveFileValue, "/out/dialogue.wav"), ERROR_SUCCESS);
    EXPECT_EQ(key.QueryString("wavefile", value), ERROR_SUCCESS);
    EXPECT_EQ(value, "/out/dialogue.wav");
    EXPECT_EQ(key.DeleteValue(kWaveFileValue), ERROR_SUCCESS);
    EXPECT_EQ(key.QueryString(kWaveFileValue, value), ERROR_FILE_NOT_FOUND);
    key.Close();
    EXPECT_EQ(key.SetString("x", "y"), ERROR_INVALID_PARAMETER);
}

TEST(RegistryDefaultPath, FollowsTheEnvironment) {
    const char* saved = std::getenv("LIPSMITH_REGISTRY");
    const std::string keep = saved ? saved : "";
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string keepXdg = savedXdg ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    const std::string keepHome = savedHome ? savedHome : "";

    setenv("LIPSMITH_REGISTRY", "/tmp/some/registry.txt", 1);
    EXPECT_EQ(RegistryStore::DefaultPath(), "/tmp/some/registry.txt");
    unsetenv("LIPSMITH_REGISTRY");
    setenv("XDG_CONFIG_HOME", "/home/ann/.cfg", 1);
    EXPECT_EQ(RegistryStore::DefaultPath(), "/home/ann/.cfg/lipsmith/registry");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/bob", 1);
    EXPECT_EQ(RegistryStore::DefaultPath(), "/home/bob/.config/lipsmith/registry");

    if (saved) setenv("LIPSMITH_REGISTRY", keep.c_str(), 1);
    if (savedXdg) setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1);
    if (savedHome) setenv("HOME", keepHome.c_str(), 1);
}

}  // namespace
}  // namespace lipsmith
