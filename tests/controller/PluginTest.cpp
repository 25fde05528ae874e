// The real Lipsmith.dlc, loaded the way the host loads plug-ins.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include <QApplication>

#include "SpeechController.h"

using namespace lipsmith;

namespace {

std::string DlcPath() { return PluginDirectory() + "/Lipsmith.dlc"; }

}  // namespace

TEST(ControllerPlugin, EntryPointsAnswerAsTheHostExpects) {
    void* lib = ::dlopen(DlcPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << ::dlerror();
    auto num = reinterpret_cast<LibNumberClassesProc>(::dlsym(lib, "LibNumberClasses"));
    auto ver = reinterpret_cast<LibVersionProc>(::dlsym(lib, "LibVersion"));
    auto desc = reinterpret_cast<LibDescriptionProc>(::dlsym(lib, "LibDescription"));
    auto cls = reinterpret_cast<LibClassDescProc>(::dlsym(lib, "LibClassDesc"));
    ASSERT_TRUE(num && ver && desc && cls);
    EXPECT_EQ(num(), 1);
    EXPECT_EQ(ver(), 0x13EC0800u);
    EXPECT_EQ(std::strncmp(desc(), "Lipsmith Speech Controller . For support", 40), 0);
    EXPECT_LT(std::strlen(desc()), 256u);
    EXPECT_EQ(cls(1), nullptr);
    auto* cd = static_cast<ClassDesc2*>(cls(0));
    ASSERT_NE(cd, nullptr);
    EXPECT_TRUE(cd->IsPublic());
    EXPECT_STREQ(cd->ClassName(), "Lipsmith Controller");
    EXPECT_STREQ(cd->InternalName(), "Lipsmith Controller");
    EXPECT_EQ(cd->Category(), nullptr);
    EXPECT_EQ(cd->SuperClassID(), CTRL_FLOAT_CLASS_ID);
    EXPECT_EQ(cd->ClassID(), Class_ID(0x223738B8, 0x4FCD71F7));
    EXPECT_NE(cd->HInstance(), nullptr);
    auto* made = static_cast<ReferenceTarget*>(cd->Create(FALSE));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassID(), SPEECH_CONTROLLER_CLASS_ID);
    EXPECT_EQ(made->NumSubs(), 2);
    EXPECT_EQ(made->SubAnimName(1), "Mouth Width");
    made->DeleteThis();
    // Only the four entry points are exported.
    EXPECT_EQ(::dlsym(lib, "_ZN8lipsmith16SpeechControllerC2Ei"), nullptr);
}

TEST(ControllerPlugin, HostLoadsItAndRefusesOtherLibraries) {
    std::string error;
    ASSERT_TRUE(LoadPlugin(DlcPath(), &error)) << error;
    EXPECT_TRUE(LoadPlugin(DlcPath(), &error));  // a second time is no-op
    EXPECT_NE(ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID), nullptr);
    EXPECT_FALSE(LoadPlugin(PluginDirectory() + "/NoSuch.dlc", &error));
    EXPECT_NE(error.find("NoSuch.dlc"), std::string::npos);
    EXPECT_FALSE(LoadPlugin(PluginDirectory() + "/libhostcore.so", &error));
    EXPECT_NE(error.find("does not export"), std::string::npos) << error;
}

TEST(ControllerPlugin, WithoutAnApplicationTheTrackViewCallsLeaveQtAlone) {
    // The command-line host: no QApplication, no parent windows.
    std::string error;
    ASSERT_TRUE(LoadPlugin(DlcPath(), &error)) << error;
    ClassDesc* cd = ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID);
    ASSERT_NE(cd, nullptr);
    auto* made = static_cast<ReferenceTarget*>(cd->Create(FALSE));
    ASSERT_NE(made, nullptr);
    Interface* ip = GetCOREInterface();
    int notAWindow = 0;
    made->EditTrackParams(0, nullptr, "Mouth Width", nullptr, ip, 0);
    // A parent pointer without an application must not even be looked at.
    made->EditTrackParams(0, nullptr, "Mouth Width", &notAWindow, ip, 0);
    made->EditTrackParams(0, nullptr, nullptr, &notAWindow, nullptr, 0);
    made->SetAFlag(A_TREE_ENTRY_OPEN);
    EXPECT_EQ(made->GetTrackVSpace(16), 2);
    Rect r{0, 0, 99, 31};
    EXPECT_EQ(made->PaintTrack(nullptr, nullptr, r, r, 0.1f, 0, 0), TRACK_DORANGE);
    made->DeleteThis();
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_TRUE(QApplication::allWidgets().isEmpty());
    EXPECT_TRUE(ip->AcceleratorsEnabled());
}
