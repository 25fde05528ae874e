#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "ITTS.h"
#include "Registration.h"

namespace lipsmith::tts {
namespace {

// Every key and value of a hive, one line each, to compare whole stores.
void Dump(const RegistryStore& store, const std::string& path, std::ostringstream& out) {
    out << "[" << path << "]\n";
    for (const std::string& name : store.ValueNames(Hive::ClassesRoot, path)) {
        std::string value;
        store.QueryValue(Hive::ClassesRoot, path, name, value);
        out << "  " << name << "=" << value << "\n";
    }
    for (const std::string& sub : store.SubKeys(Hive::ClassesRoot, path)) {
        Dump(store, path.empty() ? sub : path + "\\" + sub, out);
    }
}
std::string Dump(const RegistryStore& store) {
    std::ostringstream out;
    Dump(store, "", out);
    return out.str();
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = ::testing::TempDir() + "registration_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::remove(path.c_str());
        store = std::make_unique<RegistryStore>(path);
    }
    std::string Value(const std::string& key, const std::string& name = "") {
        std::string v;
        EXPECT_EQ(store->QueryValue(Hive::ClassesRoot, key, name, v), ERROR_SUCCESS) << key << " " << name;
        return v;
    }
    std::string path;
    std::unique_ptr<RegistryStore> store;
};

TEST_F(RegistrationTest, WritesTheEntriesOfTheServer) {
    ASSERT_EQ(RegisterServer(*store, "/opt/lipsmith/bin/Lipsmith_TTS"), S_OK);
    const std::string cls = std::string("CLSID\\") + kClsidCTTS;
    EXPECT_EQ(Value("Lipsmith_TTS.TTS.1"), "CTTS Object");
    EXPECT_EQ(Value("Lipsmith_TTS.TTS.1\\CLSID"), kClsidCTTS);
    EXPECT_EQ(Value("Lipsmith_TTS.TTS"), "CTTS Object");
    EXPECT_EQ(Value("Lipsmith_TTS.TTS\\CLSID"), kClsidCTTS);
    EXPECT_EQ(Value("Lipsmith_TTS.TTS\\CurVer"), "Lipsmith_TTS.TTS.1");
    EXPECT_EQ(Value(cls), "CTTS Object");
    EXPECT_EQ(Value(cls, "AppID"), kAppidTTS);
    EXPECT_EQ(Value(cls + "\\ProgID"), "Lipsmith_TTS.TTS.1");
    EXPECT_EQ(Value(cls + "\\VersionIndependentProgID"), "Lipsmith_TTS.TTS");
    EXPECT_EQ(store->OpenKey(Hive::ClassesRoot, cls + "\\Programmable"), ERROR_SUCCESS);
    EXPECT_TRUE(store->ValueNames(Hive::ClassesRoot, cls + "\\Programmable").empty());
    EXPECT_EQ(Value(cls + "\\LocalServer32"), "/opt/lipsmith/bin/Lipsmith_TTS");
    EXPECT_EQ(Value(cls + "\\LocalServer32", "ThreadingModel"), "both");
    EXPECT_EQ(Value(cls + "\\TypeLib"), kLibidTTS);
    EXPECT_EQ(Value(std::string("AppID\\") + kAppidTTS), "Lipsmith_TTS");
    EXPECT_EQ(Value("AppID\\Lipsmith_TTS.EXE", "AppID"), kAppidTTS);
    EXPECT_EQ(Value(std::string("TypeLib\\") + kLibidTTS + "\\1.0"), "Lipsmith_TTS 1.0 Type Library");
    // Registering twice changes nothing.
    const std::string once = Dump(*store);
    ASSERT_EQ(RegisterServer(*store, "/opt/lipsmith/bin/Lipsmith_TTS"), S_OK);
    EXPECT_EQ(Dump(*store), once);
}

TEST_F(RegistrationTest, UnregisterLeavesTheStoreAsItWas) {
    // Neighbours under the shared parents must survive.
    store->CreateKey(Hive::ClassesRoot, "CLSID\\{00000000-0000-0000-0000-000000000001}\\InprocServer32");
    store->CreateKey(Hive::ClassesRoot, "AppID\\Other.EXE");
    store->SetValue(Hive::ClassesRoot, "AppID\\Other.EXE", "AppID", "{x}");
    store->CreateKey(Hive::ClassesRoot, "TypeLib\\{other}\\2.0");
    store->CreateKey(Hive::ClassesRoot, "txtfile");
    store->SetValue(Hive::ClassesRoot, "txtfile", "", "Text Document");
    const std::string before = Dump(*store);

    ASSERT_EQ(RegisterServer(*store, "/x/Lipsmith_TTS"), S_OK);
    EXPECT_NE(Dump(*store), before);
    ASSERT_EQ(UnregisterServer(*store), S_OK);
    EXPECT_EQ(Dump(*store), before);
    // A second removal finds nothing to remove and still succeeds.
    EXPECT_EQ(UnregisterServer(*store), S_OK);
    EXPECT_EQ(Dump(*store), before);
}

TEST_F(RegistrationTest, UnregisterKeepsTheParentKeys) {
    ASSERT_EQ(RegisterServer(*store, "/x/Lipsmith_TTS"), S_OK);
    // Someone else's entry inside our class key goes with it, as a forced removal does.
    store->CreateKey(Hive::ClassesRoot, std::string("CLSID\\") + kClsidCTTS + "\\Extra\\Deeper");
    ASSERT_EQ(UnregisterServer(*store), S_OK);
    for (const char* parent : {"CLSID", "AppID", "TypeLib"}) {
        EXPECT_EQ(store->OpenKey(Hive::ClassesRoot, parent), ERROR_SUCCESS) << parent;
        EXPECT_TRUE(store->SubKeys(Hive::ClassesRoot, parent).empty()) << parent;
    }
    EXPECT_EQ(store->OpenKey(Hive::ClassesRoot, "Lipsmith_TTS.TTS"), ERROR_FILE_NOT_FOUND);
}

TEST(ServerCommandLine, FirstMatchingSwitchDecidesWithoutRegardToCase) {
    auto parse = [](std::vector<const char*> args) {
        args.insert(args.begin(), "Lipsmith_TTS");
        return ParseCommandLine(static_cast<int>(args.size()), args.data());
    };
    EXPECT_EQ(parse({}), ServerCommand::Run);
    EXPECT_EQ(parse({"-Embedding"}), ServerCommand::Run);
    EXPECT_EQ(parse({"-regserver"}), ServerCommand::RegServer);
    EXPECT_EQ(parse({"/RegServer"}), ServerCommand::RegServer);
    EXPECT_EQ(parse({"--UNREGSERVER"}), ServerCommand::UnregServer);
    EXPECT_EQ(parse({"-Embedding", "/UnregServer", "-RegServer"}), ServerCommand::UnregServer);
    EXPECT_EQ(parse({"RegServer"}), ServerCommand::Run);  // not a switch
    EXPECT_EQ(parse({"-RegServerX", "/tmp/RegServer"}), ServerCommand::Run);
}

}  // namespace
}  // namespace lipsmith::tts
