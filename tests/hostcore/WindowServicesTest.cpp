// The host's window services as plug-ins reach them through Interface, with
// and without a desktop host's windows, and the Utilities panel life cycle.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SceneFile.h"
#include "UtilityPanel.h"

namespace {

// Stands for a desktop host's windows; widgets are only ever passed through.
QWidget* const kMain = reinterpret_cast<QWidget*>(0x1000);
QWidget* const kPage = reinterpret_cast<QWidget*>(0x2000);

struct RecordingWindows : HostWindows {
    std::vector<std::string> calls;
    std::vector<BOOL> accelerators;
    std::string helpFile;
    QWidget* MainWindow() override { return kMain; }
    QWidget* AddRollupPage(QWidget* page, const char* title, DWORD flags, int category) override {
        calls.push_back(std::string("add ") + title + " " + std::to_string(flags) + " " + std::to_string(category));
        return page;
    }
    void DeleteRollupPage(QWidget*) override { calls.push_back("delete"); }
    BOOL IsRollupPageOpen(QWidget* page) override { return page == kPage; }
    void SetRollupPageOpen(QWidget*, BOOL open) override { calls.push_back("open " + std::to_string(open)); }
    void RollupMouseMessage(QWidget*, RollupMouse event, int x, int y) override {
        calls.push_back("mouse " + std::to_string(static_cast<int>(event)) + " " + std::to_string(x) + "," +
                        std::to_string(y));
    }
    void AcceleratorsChanged(BOOL enabled) override { accelerators.push_back(enabled); }
    void RedrawViews(TimeValue t) override { calls.push_back("redraw " + std::to_string(t)); }
    BOOL ShowHelpPage(const std::string& file, QWidget*) override {
        helpFile = file;
        return TRUE;
    }
};

// A utility that records its life cycle; one static object, as utilities are.
struct LifeCycleUtility : UtilityObj {
    std::vector<std::string> log;
    bool closeWhileOpening = false;
    bool closeWhileClosing = false;
    IUtil* iu = nullptr;
    static void OnPreOpen(void* param, NotifyInfo*) {
        auto* self = static_cast<LifeCycleUtility*>(param);
        self->log.push_back("pre-open");
        self->iu->CloseUtility();
    }
    void BeginEditParams(Interface* ip, IUtil* u) override {
        log.push_back("begin");
        iu = u;
        ip->AddRollupPage(kPage, "Page", APPENDROLL_CLOSED);
        ip->RegisterNotification(OnPreOpen, this, NOTIFY_FILE_PRE_OPEN);
        if (closeWhileOpening) u->CloseUtility();
    }
    void EndEditParams(Interface* ip, IUtil* u) override {
        log.push_back("end");
        ip->UnRegisterNotification(OnPreOpen, this, NOTIFY_FILE_PRE_OPEN);
        ip->DeleteRollupPage(kPage);
        if (closeWhileClosing) u->CloseUtility();
    }
    void DeleteThis() override { log.push_back("delete"); }
};

class UtilityDesc : public ClassDesc2 {
public:
    UtilityDesc(const char* name, Class_ID cid, UtilityObj* obj, int isPublic = 1)
        : name_(name), cid_(cid), obj_(obj), public_(isPublic) {}
    int IsPublic() override { return public_; }
    void* Create(BOOL) override { return obj_; }
    const char* ClassName() override { return name_; }
    SClass_ID SuperClassID() override { return UTILITY_CLASS_ID; }
    Class_ID ClassID() override { return cid_; }
    const char* Category() override { return nullptr; }

private:
    const char* name_;
    Class_ID cid_;
    UtilityObj* obj_;
    int public_;
};

// Registers descriptors for the life of a test.
struct Registered {
    std::vector<ClassDesc*> descs;
    explicit Registered(std::vector<ClassDesc*> d) : descs(std::move(d)) {
        for (ClassDesc* cd : descs) ClassDirectory::Get().AddClass(cd);
    }
    ~Registered() {
        for (ClassDesc* cd : descs) ClassDirectory::Get().RemoveClass(cd);
    }
};

}  // namespace

TEST(WindowServices, WithoutWindowsEveryWindowCallAnswersNoWindow) {
    Interface ip;
    EXPECT_EQ(ip.GetHostWindows(), nullptr);
    EXPECT_EQ(ip.GetMAXHWnd(), nullptr);
    EXPECT_EQ(ip.AddRollupPage(kPage, "Page"), nullptr);
    EXPECT_FALSE(ip.IsRollupPanelOpen(kPage));
    ip.SetRollupPanelOpen(kPage, TRUE);
    ip.RollupMouseMessage(kPage, RollupMouse::LeftButtonDown, 1, 2);
    ip.DeleteRollupPage(kPage);
    ip.RedrawViews(0);
    EXPECT_FALSE(ip.ShowHelp("Help\\Lipsmith.chm::/ScriptEditor.htm"));
    ip.DisableAccelerators();
    EXPECT_FALSE(ip.AcceleratorsEnabled());
    ip.EnableAccelerators();
    EXPECT_TRUE(ip.AcceleratorsEnabled());
}

TEST(WindowServices, CallsReachTheInstalledWindows) {
    Interface ip;
    RecordingWindows w;
    ip.SetHostWindows(&w);
    EXPECT_EQ(ip.GetMAXHWnd(), kMain);
    EXPECT_EQ(ip.AddRollupPage(kPage, "Text To Animation"), kPage);
    EXPECT_EQ(ip.AddRollupPage(nullptr, "None"), nullptr);  // nothing to add
    EXPECT_TRUE(ip.IsRollupPanelOpen(kPage));
    EXPECT_FALSE(ip.IsRollupPanelOpen(kMain));
    ip.SetRollupPanelOpen(kPage, FALSE);
    ip.RollupMouseMessage(kPage, RollupMouse::Move, 10, 20);
    ip.RedrawViews(480);
    ip.DeleteRollupPage(kPage);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"add Text To Animation 0 4000", "open 0", "mouse 0 10,20",
                                                 "redraw 480", "delete"}));
    EXPECT_TRUE(ip.ShowHelp("/opt/ls/Help\\Lipsmith.chm::/ScriptEditor.htm"));
    EXPECT_EQ(w.helpFile, "/opt/ls/Help/Lipsmith/ScriptEditor.htm");
    ip.SetHostWindows(nullptr);
    EXPECT_EQ(ip.GetMAXHWnd(), nullptr);
}

TEST(WindowServices, AcceleratorSwitchesNestAndAreHeardOnlyWhenTheyFlip) {
    Interface ip;
    RecordingWindows w;
    ip.SetHostWindows(&w);
    ip.DisableAccelerators();
    ip.DisableAccelerators();  // a second field takes the focus before the first lets go
    ip.EnableAccelerators();
    EXPECT_FALSE(ip.AcceleratorsEnabled());
    ip.EnableAccelerators();
    ip.EnableAccelerators();  // one too many: stays on, nothing heard
    EXPECT_TRUE(ip.AcceleratorsEnabled());
    EXPECT_EQ(w.accelerators, (std::vector<BOOL>{FALSE, TRUE}));
}

TEST(WindowServices, HelpPathsMapToInstalledPages) {
    EXPECT_EQ(HelpTopicFile("/usr/share/lipsmith/Help\\Lipsmith.chm::/ScriptEditor.htm"),
              "/usr/share/lipsmith/Help/Lipsmith/ScriptEditor.htm");
    EXPECT_EQ(HelpTopicFile("/x/Help/Lipsmith.CHM::ScriptEditor.htm"), "/x/Help/Lipsmith/ScriptEditor.htm");
    EXPECT_EQ(HelpTopicFile("/x/Help/Lipsmith.chm"), "/x/Help/Lipsmith/index.htm");
    EXPECT_EQ(HelpTopicFile("/x/page.htm"), "/x/page.htm");
    EXPECT_EQ(HelpTopicFile(".chm"), ".chm");

    const char* old = std::getenv("LIPSMITH_SHARE_DIR");
    const std::string saved = old ? old : "";
    ::setenv("LIPSMITH_SHARE_DIR", "/opt/lipsmith/share", 1);
    {
        Interface ip;
        EXPECT_EQ(std::string(ip.GetDir(APP_SHARE_DIR)), "/opt/lipsmith/share/");
    }
    ::unsetenv("LIPSMITH_SHARE_DIR");
    {
        // Beside the program: <prefix>/bin/program and <prefix>/share/lipsmith/.
        Interface ip;
        std::string exeDir = ip.GetDir(APP_MAXROOT_DIR);
        std::string prefix = exeDir.substr(0, exeDir.find_last_of('/'));
        EXPECT_EQ(std::string(ip.GetDir(APP_SHARE_DIR)), prefix + "/share/lipsmith/");
    }
    if (old) ::setenv("LIPSMITH_SHARE_DIR", saved.c_str(), 1);
}

TEST(WindowServices, TreeEntriesOpenPerTrackView) {
    Interface ip;
    INode* node = ip.CreateNode("Head");
    EXPECT_FALSE(node->IsTreeEntryOpen(1, 0xFF));
    node->SetTreeEntryOpen(2, TRUE);
    EXPECT_TRUE(node->IsTreeEntryOpen(1, 0xFF));
    EXPECT_TRUE(node->IsTreeEntryOpen(1, 1u << 2));
    EXPECT_FALSE(node->IsTreeEntryOpen(1, 1u << 0));  // another view keeps it collapsed
    EXPECT_TRUE(node->TestAFlag(A_TREE_ENTRY_OPEN));
    node->SetTreeEntryOpen(2, FALSE);
    node->SetTreeEntryOpen(9, TRUE);  // no such view
    EXPECT_FALSE(node->IsTreeEntryOpen(1, 0xFF));
    EXPECT_FALSE(node->TestAFlag(A_TREE_ENTRY_OPEN));
}

TEST(UtilityPanel, ListsPublicUtilitiesAndOpensOneAtATime) {
    LifeCycleUtility a, b, hidden;
    UtilityDesc da("Alpha", Class_ID(0xA1, 1), &a), db("Beta", Class_ID(0xB1, 1), &b),
        dh("Hidden", Class_ID(0xC1, 1), &hidden, 0);
    Registered reg({&da, &db, &dh});
    std::vector<ClassDesc*> classes = lipsmith::UtilityPanel::UtilityClasses();
    EXPECT_EQ(classes, (std::vector<ClassDesc*>{&da, &db}));

    Interface ip;
    RecordingWindows w;
    ip.SetHostWindows(&w);
    int changes = 0;
    {
        lipsmith::UtilityPanel panel(ip);
        panel.SetOnChange([&] { ++changes; });
        ASSERT_TRUE(panel.OpenUtility(&da));
        EXPECT_TRUE(panel.OpenUtility(&da));  // already open: nothing happens
        EXPECT_EQ(panel.OpenObject(), &a);
        ASSERT_TRUE(panel.OpenUtility(&db));  // closes Alpha first
        EXPECT_EQ(a.log, (std::vector<std::string>{"begin", "end", "delete"}));
        EXPECT_EQ(panel.OpenClass(), &db);
        EXPECT_FALSE(panel.OpenUtility(nullptr));
        EXPECT_EQ(changes, 3);
    }  // the panel closes Beta as it goes
    EXPECT_EQ(b.log, (std::vector<std::string>{"begin", "end", "delete"}));
    EXPECT_EQ(w.calls, (std::vector<std::string>{"add Page 8 4000", "delete", "add Page 8 4000", "delete"}));
}

TEST(UtilityPanel, UtilitiesMayCloseThemselvesAtAnyStep) {
    LifeCycleUtility u;
    UtilityDesc d("Self", Class_ID(0xD1, 1), &u);
    Registered reg({&d});
    Interface ip;
    lipsmith::UtilityPanel panel(ip);

    u.closeWhileOpening = true;
    EXPECT_FALSE(panel.OpenUtility(&d));
    EXPECT_EQ(panel.OpenObject(), nullptr);
    u.closeWhileOpening = false;

    u.log.clear();
    u.closeWhileClosing = true;
    ASSERT_TRUE(panel.OpenUtility(&d));
    panel.CloseUtility();
    panel.CloseUtility();
    EXPECT_EQ(u.log, (std::vector<std::string>{"begin", "end", "delete"}));
}

TEST(UtilityPanel, OpeningASceneFileClosesTheUtilityBeforeTheSceneChanges) {
    LifeCycleUtility u;
    UtilityDesc d("Closer", Class_ID(0xE1, 1), &u);
    Registered reg({&d});
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    ip.CreateNode("Head");
    const std::string path = ::testing::TempDir() + "/windows_" + std::to_string(::getpid()) + ".lsc";
    std::string error;
    ASSERT_TRUE(lipsmith::SaveScene(ip, path, &error)) << error;

    static std::vector<std::string>* order;
    std::vector<std::string> seen;
    order = &seen;
    auto note = [](void* param, NotifyInfo* info) {
        order->push_back(std::to_string(info->intcode) + (static_cast<lipsmith::UtilityPanel*>(param)->OpenObject()
                                                              ? " open" : " closed"));
    };
    lipsmith::UtilityPanel panel(ip);
    ASSERT_TRUE(panel.OpenUtility(&d));
    ip.RegisterNotification(note, &panel, NOTIFY_FILE_PRE_OPEN);
    ip.RegisterNotification(note, &panel, NOTIFY_SCENE_NODES_CHANGED);
    ASSERT_TRUE(lipsmith::LoadScene(ip, path, &error)) << error;
    ip.ResetScene();
    ip.UnRegisterNotification(note, &panel, NOTIFY_FILE_PRE_OPEN);
    ip.UnRegisterNotification(note, &panel, NOTIFY_SCENE_NODES_CHANGED);
    std::remove(path.c_str());

    // The utility heard 9 first and closed; the loaded scene and the reset each announce 71.
    EXPECT_EQ(u.log, (std::vector<std::string>{"begin", "pre-open", "end", "delete"}));
    EXPECT_EQ(seen, (std::vector<std::string>{"9 closed", "71 closed", "71 closed"}));
    EXPECT_EQ(panel.OpenObject(), nullptr);
}
