// A utility plug-in for the studio's tests (TestUtility.dlu): two rollup
// pages, one rolled up; a text field that switches the host's shortcuts off
// while it has the focus; mouse events passed on for drag scrolling; the
// scene notifications; and a log of what it did, read by the tests.
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <string>

#include "HostSdk.h"

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string& Log() {
    static std::string log;
    return log;
}
void Note(const std::string& what) { Log() += what + ";"; }

class ShortcutField : public QLineEdit {
public:
    ShortcutField(Interface* ip, QWidget* parent) : QLineEdit(parent), ip_(ip) {
        setObjectName("testField");
        setAccessibleName("Test field");
    }

protected:
    void focusInEvent(QFocusEvent* e) override {
        ip_->DisableAccelerators();
        QLineEdit::focusInEvent(e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        ip_->EnableAccelerators();
        QLineEdit::focusOutEvent(e);
    }

private:
    Interface* ip_;
};

// Passes the page's mouse events on to the panel, as the pages of the real utility do.
class DragForwarder : public QObject {
public:
    DragForwarder(Interface* ip, QWidget* page) : QObject(page), ip_(ip), page_(page) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseMove &&
            e->type() != QEvent::MouseButtonRelease)
            return false;
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint g = m->globalPosition().toPoint();
        if (e->type() == QEvent::MouseMove) ip_->RollupMouseMessage(page_, RollupMouse::Move, g.x(), g.y());
        else if (m->button() == Qt::LeftButton)
            ip_->RollupMouseMessage(page_, e->type() == QEvent::MouseButtonPress ? RollupMouse::LeftButtonDown
                                                                                 : RollupMouse::LeftButtonUp,
                                    g.x(), g.y());
        return false;
    }

private:
    Interface* ip_;
    QWidget* page_;
};

class TestUtility : public UtilityObj {
public:
    void BeginEditParams(Interface* ip, IUtil* iu) override {
        ip_ = ip;
        iu_ = iu;
        Note("begin");
        Note(ip->GetMAXHWnd() ? "main window" : "no main window");
        auto* main = new QWidget;
        main->setObjectName("testPage");
        auto* box = new QVBoxLayout(main);
        box->addWidget(new ShortcutField(ip, main));
        auto* tall = new QLabel("A tall page", main);
        tall->setMinimumHeight(900);
        box->addWidget(tall);
        main->installEventFilter(new DragForwarder(ip, main));
        main_ = ip->AddRollupPage(main, "Test Page");
        if (!main_) delete main;
        auto* settings = new QWidget;
        settings->setObjectName("settingsPage");
        (new QVBoxLayout(settings))->addWidget(new QLabel("Settings", settings));
        settings_ = ip->AddRollupPage(settings, "Settings", APPENDROLL_CLOSED);
        if (!settings_) delete settings;
        ip->RegisterNotification(OnNotify, this, NOTIFY_FILE_PRE_OPEN);
        ip->RegisterNotification(OnNotify, this, NOTIFY_SCENE_NODES_CHANGED);
    }
    void EndEditParams(Interface* ip, IUtil*) override {
        Note("end");
        ip->UnRegisterNotification(OnNotify, this, NOTIFY_FILE_PRE_OPEN);
        ip->UnRegisterNotification(OnNotify, this, NOTIFY_SCENE_NODES_CHANGED);
        ip->DeleteRollupPage(main_);
        ip->DeleteRollupPage(settings_);
        main_ = settings_ = nullptr;
        ip_ = nullptr;
        iu_ = nullptr;
    }
    void DeleteThis() override {}

private:
    static void OnNotify(void* param, NotifyInfo* info) {
        auto* self = static_cast<TestUtility*>(param);
        Note(std::to_string(info->intcode));
        if (info->intcode == NOTIFY_FILE_PRE_OPEN && self->iu_) self->iu_->CloseUtility();
    }
    Interface* ip_ = nullptr;
    IUtil* iu_ = nullptr;
    QWidget* main_ = nullptr;
    QWidget* settings_ = nullptr;
};

TestUtility theUtility;

class TestUtilityDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return &theUtility; }
    const char* ClassName() override { return "Test Utility"; }
    SClass_ID SuperClassID() override { return UTILITY_CLASS_ID; }
    Class_ID ClassID() override { return Class_ID(0x51ED0001, 0x7E570001); }
    const char* Category() override { return "Tests"; }
};
TestUtilityDesc theDesc;

}  // namespace

TEST_EXPORT const char* LibDescription() { return "Test utility for the studio's tests."; }
TEST_EXPORT int LibNumberClasses() { return 1; }
TEST_EXPORT ClassDesc* LibClassDesc(int i) { return i == 0 ? &theDesc : nullptr; }
TEST_EXPORT ULONG LibVersion() { return VERSION_3DSMAX; }
TEST_EXPORT const char* TestUtilityLog() { return Log().c_str(); }
TEST_EXPORT void TestUtilityClearLog() { Log().clear(); }
