// The lipsmith program's new-scene and dump commands, run as a user runs them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "DemoScene.h"
#include "SceneFile.h"
#include "SceneJson.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

struct CliRun {
    int status;
    std::string out, err;
};

CliRun Lipsmith(const std::string& args) {
    const std::string errFile = ::testing::TempDir() + "/cli_err_" + std::to_string(::getpid());
    const std::string cmd = PluginDirectory() + "/lipsmith " + args + " 2>" + errFile;
    CliRun r{};
    std::FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), {});
    std::remove(errFile.c_str());
    return r;
}

std::string Temp(const std::string& name) {
    return ::testing::TempDir() + "/cli_" + std::to_string(::getpid()) + "_" + name;
}

}  // namespace

TEST(Cli, NewSceneThenDumpShowsTheDemoRig) {
    const std::string path = Temp("demo.lsc");
    CliRun made = Lipsmith("new-scene " + path);
    ASSERT_EQ(made.status, 0) << made.err;
    CliRun dumped = Lipsmith("dump " + path);
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_NE(dumped.out.find("\"name\": \"Narrator\""), std::string::npos);
    EXPECT_NE(dumped.out.find("\"track\": \"Right Eye Brow\""), std::string::npos);
    EXPECT_NE(dumped.out.find("\"parent\": \"Head\""), std::string::npos);
    std::remove(path.c_str());
}

TEST(Cli, DumpMatchesTheSceneAsSaved) {
    std::string error;
    ASSERT_TRUE(LoadPlugin(PluginDirectory() + "/Lipsmith.dlc", &error)) << error;
    Interface& ip = *GetCOREInterface();
    ASSERT_TRUE(BuildDemoScene(ip, &error)) << error;
    ip.SetFrameRate(24);
    SpeechController* c = AsSpeechController(ip.GetINodeByName("Narrator")->SubAnim(4));
    for (int i = 0; i < 30; ++i) {
        float v = static_cast<float>(i % 7) / 7.0f;
        c->SetLastKeyFlag(i == 29);
        c->SetValueLocalTime(i * 100, &v);
        c->AddNote(i * 100, i % 2 ? "ih" : "s");
    }
    c->active = 0;
    const std::string path = Temp("keys.lsc");
    ASSERT_TRUE(SaveScene(ip, path, &error)) << error;
    const std::string expected = SceneToJson(ip);
    ip.ResetScene();
    CliRun dumped = Lipsmith("dump " + path);
    EXPECT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, expected);
    std::remove(path.c_str());
}

TEST(Cli, BadInputIsRefusedWithAMessage) {
    CliRun none = Lipsmith("dump");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("usage: lipsmith dump SCENE.lsc"), std::string::npos);
    CliRun missing = Lipsmith("dump " + Temp("missing.lsc"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("Cannot open scene file"), std::string::npos) << missing.err;
    const std::string path = Temp("cut.lsc");
    ASSERT_EQ(Lipsmith("new-scene " + path).status, 0);
    {
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    CliRun cut = Lipsmith("dump " + path);
    EXPECT_EQ(cut.status, 2);
    EXPECT_NE(cut.err.find("is damaged"), std::string::npos) << cut.err;
    EXPECT_TRUE(cut.out.empty());
    CliRun unwritable = Lipsmith("new-scene /nonexistent-dir/x.lsc");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Cannot save the scene"), std::string::npos);
    std::remove(path.c_str());
}

TEST(Cli, MissingPluginIsReported) {
    const std::string cmd = "LIPSMITH_PLUGIN_DIR=/nonexistent " + PluginDirectory() + "/lipsmith new-scene " +
                            Temp("y.lsc") + " 2>&1";
    std::FILE* p = ::popen(cmd.c_str(), "r");
    char buf[1024] = {};
    std::size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    int st = ::pclose(p);
    EXPECT_EQ(WEXITSTATUS(st), 1);
    EXPECT_NE(std::string(buf, n).find("Lipsmith.dlc was not found"), std::string::npos);
    std::remove(Temp("y.lsc").c_str());
}
