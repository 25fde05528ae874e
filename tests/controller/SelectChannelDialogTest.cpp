// The channel dialog's behaviour without any window toolkit: what the
// command-line host and the Qt window both rely on.
#include <gtest/gtest.h>

#include <climits>

#include "../hostcore/TestObjects.h"
#include "SpeechController.h"

using namespace lipsmith;

namespace {

// A window double that records what the dialog asks of it.
class FakeWindow : public SelectChannelWindow {
public:
    explicit FakeWindow(std::vector<std::string>* log) : log_(log) {}
    ~FakeWindow() override { log_->push_back("destroyed"); }
    bool Reopen() override {
        log_->push_back("reopen");
        return !gone;
    }
    void Hide() override { log_->push_back("hide"); }
    void ShowChannel() override { log_->push_back("channel"); }
    void ShowScalar() override { log_->push_back("scalar"); }
    void RepaintTrackViews() override { log_->push_back("repaint"); }
    bool gone = false;

private:
    std::vector<std::string>* log_;
};

std::vector<std::string> windowLog;
FakeWindow* lastWindow = nullptr;
std::string lastCaption;

std::unique_ptr<SelectChannelWindow> MakeFake(SelectChannelDialog&, void* parent, const char* caption) {
    if (!parent) return nullptr;
    lastCaption = caption;
    windowLog.push_back("made");
    auto w = std::make_unique<FakeWindow>(&windowLog);
    lastWindow = w.get();
    return w;
}

class SelectChannelDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        windowLog.clear();
        RegisterGlobalReference(&utility);
        c = new SpeechController();
        c->LockAutoDelete(true);
    }
    void TearDown() override {
        SetSelectChannelWindowMaker(nullptr);
        if (c) c->DeleteThis();
        UnRegisterGlobalReference(&utility);
    }
    SelectChannelDialog& D() { return c->GetDialog(); }

    TestListener utility;
    SpeechController* c = nullptr;
    Interface host;
    int parent = 0;
};

}  // namespace

TEST_F(SelectChannelDialogTest, WithoutAWindowMakerNothingOpensAndNothingBreaks) {
    c->EditTrackParams(0, nullptr, "Mouth", &parent, &host, 0);
    EXPECT_FALSE(D().HasWindow());
    EXPECT_EQ(D().GetBackup().channel, 1);
    D().ChannelSelected(13);
    D().ArrowStep(1);
    EXPECT_EQ(c->channel, 14);
    EXPECT_EQ(c->scalar[13], 101);
    D().Cancel();
    EXPECT_EQ(c->channel, 1);
    EXPECT_EQ(c->scalar[13], 100);
}

TEST_F(SelectChannelDialogTest, CancelRestoresTheBackupTakenAtEveryOpening) {
    SetSelectChannelWindowMaker(&MakeFake);
    c->scalar[4] = -30;
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    ASSERT_TRUE(D().HasWindow());
    EXPECT_EQ(lastCaption, "Jaw");
    D().ChannelSelected(4);
    EXPECT_EQ(c->channel, 5);
    EXPECT_EQ(D().Scalar(), -30);
    D().ScalarTyped("250");
    D().ChannelSelected(10);
    D().ScalarTyped("-7");
    D().ChannelSelected(-1);  // a list being emptied changes nothing
    EXPECT_EQ(c->channel, 11);
    D().Cancel();
    EXPECT_EQ(c->channel, 1);
    EXPECT_EQ(c->scalar[4], -30);
    EXPECT_EQ(c->scalar[10], 100);
    EXPECT_EQ(windowLog.back(), "hide");

    // Reopening shows the same window again and backs up what is there now.
    D().ChannelSelected(7);
    windowLog.clear();
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    EXPECT_EQ(windowLog, (std::vector<std::string>{"reopen"}));
    D().ChannelSelected(2);
    D().Close();
    EXPECT_EQ(c->channel, 8);
    EXPECT_EQ(utility.Count(REFMSG_SPEECH_CHANNEL), 0);
}

TEST_F(SelectChannelDialogTest, AcceptTellsTheUtilitiesAndAsksForRepaint) {
    SetSelectChannelWindowMaker(&MakeFake);
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    D().ChannelSelected(1);
    windowLog.clear();
    D().Accept();
    EXPECT_EQ(windowLog, (std::vector<std::string>{"repaint", "hide"}));
    ASSERT_EQ(utility.Count(REFMSG_SPEECH_CHANNEL), 1);
    for (const HeardMessage& h : utility.heard) {
        if (h.message == REFMSG_SPEECH_CHANNEL) {
            EXPECT_EQ(h.part, static_cast<PartID>(reinterpret_cast<std::uintptr_t>(c)));
        }
    }
    EXPECT_EQ(c->channel, 2);
}

TEST_F(SelectChannelDialogTest, AWindowItsOwnerClosedIsMadeAgain) {
    SetSelectChannelWindowMaker(&MakeFake);
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    lastWindow->gone = true;
    windowLog.clear();
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    EXPECT_EQ(windowLog, (std::vector<std::string>{"reopen", "destroyed", "made"}));
    windowLog.clear();
    c->DeleteThis();
    c = nullptr;
    EXPECT_EQ(windowLog, (std::vector<std::string>{"destroyed"}));
}

TEST_F(SelectChannelDialogTest, ArrowsStepInsideTheirRangeAndNeverClampTheScalar) {
    c->scalar[0] = 999;
    EXPECT_TRUE(D().ArrowStep(1));
    EXPECT_FALSE(D().ArrowStep(1));
    EXPECT_EQ(c->scalar[0], 1000);
    D().ScalarTyped("5000");  // typed values are taken as typed
    EXPECT_EQ(c->scalar[0], 5000);
    EXPECT_EQ(D().ArrowPosition(), 1000);
    EXPECT_FALSE(D().ArrowStep(1));
    EXPECT_TRUE(D().ArrowStep(-1));
    EXPECT_EQ(c->scalar[0], 4999);
    c->scalar[0] = -1000;
    EXPECT_FALSE(D().ArrowStep(-1));
    EXPECT_TRUE(D().ArrowStep(1));
    EXPECT_EQ(c->scalar[0], -999);
    // A stored channel outside the fourteen: nothing real is touched.
    c->channel = 99;
    EXPECT_EQ(D().SelectedIndex(), -1);
    D().ScalarTyped("3");
    D().ArrowStep(1);
    for (int s : c->scalar) EXPECT_NE(s, 3);
}

TEST_F(SelectChannelDialogTest, ScalarFieldReadsAsASignedNumber) {
    EXPECT_EQ(SelectChannelDialog::ParseScalar(""), 0);
    EXPECT_EQ(SelectChannelDialog::ParseScalar("-"), 0);
    EXPECT_EQ(SelectChannelDialog::ParseScalar("-42"), -42);
    EXPECT_EQ(SelectChannelDialog::ParseScalar("0075"), 75);
    EXPECT_EQ(SelectChannelDialog::ParseScalar("99999999999999999999"), INT_MAX);
    EXPECT_EQ(SelectChannelDialog::ParseScalar("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(SelectChannelDialog::ParseScalar("-2147483648"), INT_MIN);
    D().ScalarTyped("");
    EXPECT_EQ(c->scalar[0], 0);
}

TEST_F(SelectChannelDialogTest, ShortcutsAreOffOnlyWhileTheFieldHasTheFocus) {
    SetSelectChannelWindowMaker(&MakeFake);
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    D().ScalarFocusChanged(true);
    D().ScalarFocusChanged(true);
    EXPECT_FALSE(host.AcceleratorsEnabled());
    D().ScalarFocusChanged(false);
    EXPECT_TRUE(host.AcceleratorsEnabled());
    // Another plug-in's switch stays as it was.
    host.DisableAccelerators();
    D().ScalarFocusChanged(false);
    EXPECT_FALSE(host.AcceleratorsEnabled());
    host.EnableAccelerators();
    // Hiding or destroying the window gives the shortcuts back.
    D().ScalarFocusChanged(true);
    D().Accept();
    EXPECT_TRUE(host.AcceleratorsEnabled());
    c->EditTrackParams(0, nullptr, "Jaw", &parent, &host, 0);
    D().ScalarFocusChanged(true);
    c->DeleteThis();
    c = nullptr;
    EXPECT_TRUE(host.AcceleratorsEnabled());
}
