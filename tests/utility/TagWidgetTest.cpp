// Tag insertion and the phoneme map editor in their windows, offscreen: the
// script control's right-click menu with the eyes, brow and pause dialogs,
// and the modal "Phoneme Mouth Parameters" dialog over the editor's active
// map, with its mouth pictures, files and the default map setting.
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "PhonemeMapFile.h"
#include "PhonemeSlgWindow.h"
#include "QtUtilityWindows.h"
#include "ScriptEditControl.h"
#include "TestHost.h"
#include "UtilityFixture.h"
#include "UtilityPanel.h"

namespace lipsmith::testing {

namespace {

constexpr int kAa = 9;   // index of "aa"
constexpr int kOw = 34;  // index of "ow"

// Runs `act` once on the first visible top-level widget named `name`, as
// soon as it shows (a modal dialog or a menu blocks the test's own code).
void WhenShown(const QString& name, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                act(w);
                return;
            }
        }
    });
    timer->start();
}

template <class T = QWidget>
T* Child(QWidget* w, const QString& name) {
    return w->findChild<T*>(name);
}

void SetText(QWidget* dialog, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(dialog, name);
    QVERIFY(edit);
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

void ClickOk(QWidget* dialog) { QTest::mouseClick(Child<QPushButton>(dialog, "ctl1"), Qt::LeftButton); }

}  // namespace

class TagWidgets : public QObject {
    Q_OBJECT

private:
    Interface& ip = *GetCOREInterface();
    SpeechUtility& utility = TheSpeechUtility();
    TestHost* host = nullptr;
    UtilityPanel* panel = nullptr;
    ScriptedPrompts prompts;
    std::string dir;
    PhonemeMap builtIn{};

    QWidget* Window() { return host->MainWindow()->findChild<QWidget*>("ScriptDlg"); }
    ScriptEditControl* Script() { return Window()->findChild<ScriptEditControl*>("ctl4001"); }
    ScriptEditor& Editor() { return *utility.Editor(); }
    PhonemeMap& Active() { return Editor().Session().ActiveMap(); }
    QColor WidgetColorAt(int unit) {
        QTextCursor c(Script()->document());
        c.setPosition(unit + 1);
        return c.charFormat().foreground().color();
    }
    void Open() {
        QVERIFY(panel->OpenUtility(GetSpeechUtilityDesc()));
        utility.ScriptEditorPressed();
        QVERIFY(Window());
        QVERIFY(QTest::qWaitForWindowExposed(Window()));
    }
    // Puts text into the script and selects [start, end).
    void Text(const std::string& text, int start, int end) {
        Editor().Dlg().SetColoredScript(text, false);
        QTextCursor c = Script()->textCursor();
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        Script()->setTextCursor(c);
    }
    // Right-clicks the script and picks the item `id` from the menu.
    void Choose(int id) {
        bool picked = false;
        WhenShown("ctl4015", [&](QWidget* menu) {
            QAction* a = menu->findChild<QAction*>(QStringLiteral("ctl%1").arg(id));
            if (a && a->isEnabled()) {
                a->trigger();
                picked = true;
            }
            menu->hide();
        });
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), Script()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Script()->viewport(), &e);
        QVERIFY2(picked, qPrintable(QStringLiteral("item ctl%1").arg(id)));
    }
    // The menu's items as "id:text:enabled" for one pop-up's actions.
    QStringList MenuItems(const char* popup) {
        QStringList items;
        WhenShown("ctl4015", [&](QWidget* menu) {
            if (auto* sub = menu->findChild<QMenu*>(popup))
                for (QAction* a : sub->actions())
                    items << QStringLiteral("%1:%2:%3").arg(a->objectName(), a->text(), a->isEnabled() ? "on" : "off");
            menu->hide();
        });
        QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), Script()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Script()->viewport(), &e);
        return items;
    }
    std::string Inserted() { return Editor().Script().Text(); }
    // Opens the map editor; `act` runs in it while it is shown.
    void MapEditor(std::function<void(QWidget*)> act) {
        bool ran = false;
        WhenShown("PhonemeSlg", [&](QWidget* w) {
            act(w);
            ran = true;
        });
        utility.PhonemeMappingPressed();
        QVERIFY(ran);
    }
    void Exit(QWidget* w) { Child<QAction>(w, "ctl4070")->trigger(); }
    std::optional<std::string> MapFileSetting() {
        RegKey key;
        std::string value;
        if (key.Open(kSettingsHive, kSettingsKey) != ERROR_SUCCESS) return std::nullopt;
        if (key.QueryString(kMapFileValue, value) != ERROR_SUCCESS) return std::nullopt;
        return value;
    }

private slots:
    void initTestCase() {
        host = new TestHost();
        ip.SetHostWindows(host);
        SetPrompts(&prompts);
        utility.SetWindows(QtUtilityWindows([] { TheSpeechUtility().DestroyEditor(); }));
        utility.SetEngineFactory([](std::unique_ptr<ITTS>* out) {
            out->reset(new ReckonedEngine());
            return S_OK;
        });
        panel = new UtilityPanel(ip);
        dir = QDir::tempPath().toStdString() + "/tag_widgets_" + std::to_string(::getpid());
        std::filesystem::create_directories(dir);
        QVERIFY(LoadPhonemeMap(builtIn) == S_OK);
        host->MainWindow()->show();
    }
    void cleanupTestCase() {
        delete panel;
        utility.DestroyEditor();
        ip.SetHostWindows(nullptr);
        delete host;
        SetPrompts(nullptr);
        std::filesystem::remove_all(dir);
    }
    void init() {
        SetSetting(kMapFileValue, "");
        ip.ResetScene();
        ip.SetFrameRate(30);
        INode* head = ip.CreateNode("Head");
        AddController(head, 2);
        INode* narrator = ip.CreateNode("Narrator");
        AddController(narrator, 1);
        prompts.Clear();
        Open();
        Editor().voiceNames = [] { return std::vector<std::string>{"Alpha", "Beta"}; };
    }
    void cleanup() {
        panel->CloseUtility();
        utility.DestroyEditor();
    }

    // --- The tag menu -------------------------------------------------------------

    void menuListsTheActorsAndVoicesOrGreyedPlaceholders() {
        QCOMPARE(MenuItems("menuactor"), QStringList({"ctl177:Head:on", "ctl178:Narrator:on"}));
        QCOMPARE(MenuItems("menuvoice"), QStringList({"ctl61440:Alpha:on", "ctl61441:Beta:on"}));
        QCOMPARE(MenuItems("menupitch").size(), 11);
        QCOMPARE(MenuItems("menurate").first(), QString("ctl5006:-5:on"));

        ip.ResetScene();
        Editor().RefillActors();
        Editor().voiceNames = [] { return std::vector<std::string>{}; };
        QCOMPARE(MenuItems("menuactor"), QStringList({"ctl4022:No Actors:off"}));
        QCOMPARE(MenuItems("menuvoice"), QStringList({"ctl4115:No voices:off"}));
    }

    void eyesCueLeftAsItOpens() {
        Text("ab", 1, 1);
        WhenShown("EyesTagDlg", [&](QWidget* d) {
            QCOMPARE(d->windowTitle(), QString("<eyes> Tag Property"));
            QCOMPARE(Child<QComboBox>(d, "ctl4010")->currentText(), QString());
            QCOMPARE(Child<QComboBox>(d, "ctl4010")->count(), 3);  // blank, Head, Narrator
            QCOMPARE(Child<QComboBox>(d, "ctl4012")->currentText(), QString("both"));
            QCOMPARE(Child<QLineEdit>(d, "ctl4015")->text(), QString("0.0"));
            QCOMPARE(Child<QLineEdit>(d, "ctl4013")->text(), QString("100"));
            QCOMPARE(Child<QCheckBox>(d, "ctl4011")->text(), QString("Blink"));
            QVERIFY(Child<QCheckBox>(d, "ctl4011")->isChecked());
            QCOMPARE(Child<QLineEdit>(d, "ctl4053")->text(), QString("1"));
            QVERIFY(!Child<QLineEdit>(d, "ctl4055")->isEnabled());
            QVERIFY(!Child<QLabel>(d, "ctl4056")->isEnabled());
            ClickOk(d);
        });
        Choose(4017);
        QCOMPARE(Inserted(),
                 std::string("a<eyes blink=\"true\" side=\"both\" repeat=\"1\" value=\"0.0\" duration=\"100\" />b"));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Script()));
        QCOMPARE(WidgetColorAt(1), QColor(0, 0, 255));   // "<"
        QCOMPARE(WidgetColorAt(15), QColor(255, 0, 0));  // "true"
    }

    void repeatThreeEnablesTheOffsetAndWritesIt() {
        Text("", 0, 0);
        WhenShown("EyesTagDlg", [&](QWidget* d) {
            SetText(d, "ctl4053", "3");
            QVERIFY(Child<QLineEdit>(d, "ctl4055")->isEnabled());
            QVERIFY(Child<QLabel>(d, "ctl4056")->isEnabled());
            QVERIFY(Child<QLabel>(d, "ctl4057")->isEnabled());
            Child<QComboBox>(d, "ctl4010")->setCurrentText("Narrator");
            ClickOk(d);
        });
        Choose(4017);
        QCOMPARE(Inserted(), std::string("<eyes node=\"Narrator\" blink=\"true\" side=\"both\" repeat=\"3\" offset=\"50\" "
                                         "value=\"0.0\" duration=\"100\" />"));
        // Back to one blink: the offset greys out and is not written.
        Text("", 0, 0);
        WhenShown("EyesTagDlg", [&](QWidget* d) {
            SetText(d, "ctl4053", "3");
            SetText(d, "ctl4055", "80");
            SetText(d, "ctl4053", "1");
            QVERIFY(!Child<QLineEdit>(d, "ctl4055")->isEnabled());
            ClickOk(d);
        });
        Choose(4017);
        QVERIFY(Inserted().find("offset") == std::string::npos);
    }

    void browWithReturnSplitsTheDuration() {
        Text("", 0, 0);
        WhenShown("EyesTagDlg", [&](QWidget* d) {
            QCOMPARE(d->windowTitle(), QString("<brow> Tag Property"));
            QCOMPARE(Child<QCheckBox>(d, "ctl4011")->text(), QString("Return"));
            QVERIFY(Child<QLineEdit>(d, "ctl4053")->isHidden());
            QVERIFY(Child<QLabel>(d, "ctl4054")->isHidden());
            QVERIFY(Child<QLineEdit>(d, "ctl4055")->isHidden());
            SetText(d, "ctl4013", "101");
            SetText(d, "ctl4015", "0.75");
            ClickOk(d);
        });
        Choose(4056);
        QCOMPARE(Inserted(), std::string("<brow return=\"true\" side=\"both\" value=\"0.8\" duration=\"50\" "
                                         "ret_duration=\"50\" />"));
        Text("", 0, 0);
        WhenShown("EyesTagDlg", [&](QWidget* d) {
            SetText(d, "ctl4013", "101");
            QTest::mouseClick(Child<QCheckBox>(d, "ctl4011"), Qt::LeftButton);
            Child<QComboBox>(d, "ctl4012")->setCurrentText("left");
            ClickOk(d);
        });
        Choose(4056);
        QCOMPARE(Inserted(), std::string("<brow return=\"false\" side=\"left\" value=\"0.0\" duration=\"101\" />"));
        // Cancel inserts nothing.
        Text("kept", 0, 0);
        WhenShown("EyesTagDlg", [&](QWidget* d) { QTest::mouseClick(Child<QPushButton>(d, "ctl2"), Qt::LeftButton); });
        Choose(4056);
        QCOMPARE(Inserted(), std::string("kept"));
        QVERIFY(!Editor().Script().CanUndo());
    }

    void pitchAroundASelectedWordIsColouredAndOneUndoTakesItBack() {
        Text("say hello now", 4, 9);
        Choose(6010);
        QCOMPARE(Script()->toPlainText(), QString("say <pitch absmiddle=\"-5\">hello</pitch> now"));
        const QColor blue(0, 0, 255), red(255, 0, 0), black(0, 0, 0);
        QCOMPARE(WidgetColorAt(4), blue);    // "<"
        QCOMPARE(WidgetColorAt(22), red);    // "-"
        QCOMPARE(WidgetColorAt(23), red);    // "5"
        QCOMPARE(WidgetColorAt(24), blue);   // closing quote
        QCOMPARE(WidgetColorAt(26), black);  // "h"
        QCOMPARE(WidgetColorAt(31), blue);   // "</pitch>"
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Script()));
        QTest::keySequence(Script(), QKeySequence::Undo);
        QCOMPARE(Script()->toPlainText(), QString("say hello now"));
        QVERIFY(!Editor().Script().CanUndo());
    }

    void silenceDialogAndActorAroundASelection() {
        Text("a  b", 2, 2);
        WhenShown("SilenceDlg", [&](QWidget* d) {
            QCOMPARE(d->windowTitle(), QString("<silence> Properties"));
            QCOMPARE(Child<QLineEdit>(d, "ctl4031")->text(), QString("500"));
            SetText(d, "ctl4031", "-250");
            ClickOk(d);
        });
        Choose(4072);
        QCOMPARE(Inserted(), std::string("a <silence msec=\"-250\"/> b"));
        Text("one two", 4, 7);
        Choose(178);
        QCOMPARE(Inserted(), std::string("one \n<actor node=\"Narrator\">\ntwo\n</actor>\n"));
        Text("x", 1, 1);
        Choose(61441);
        QCOMPARE(Inserted(), std::string("x<voice required=\"Name=Beta\"/>"));
    }

    void everyDialogControlHasAnAccessibleName() {
        QStringList missing;
        auto check = [&](QWidget* d) {
            for (QWidget* w : d->findChildren<QWidget*>()) {
                if (w->objectName().startsWith("ctl") && w->accessibleName().isEmpty()) missing << w->objectName();
            }
        };
        WhenShown("EyesTagDlg", [&](QWidget* d) {
            check(d);
            d->close();
        });
        Choose(4017);
        WhenShown("SilenceDlg", [&](QWidget* d) {
            check(d);
            d->close();
        });
        Choose(4072);
        QCOMPARE(Inserted(), std::string());  // closed, not OK: nothing
        MapEditor([&](QWidget* w) {
            check(w);
            for (QWidget* m : w->findChildren<MouthView*>())
                if (m->accessibleName().isEmpty()) missing << m->objectName();
            Exit(w);
        });
        QCOMPARE(missing, QStringList());
    }

    // --- The phoneme map editor ------------------------------------------------------

    void selectingShowsRoundedValuesWithoutMarkingModified() {
        Active()[kAa][MouthParameter::MouthOpen] = 12.75f;
        MapEditor([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QString("Phoneme Mouth Parameters"));
            auto* list = Child<QComboBox>(w, "ctl4020");
            QCOMPARE(list->currentIndex(), -1);
            QCOMPARE(list->count(), 49);
            QCOMPARE(Child<QLineEdit>(w, "ctl4042")->text(), QString());
            list->setCurrentIndex(kAa);
            QCOMPARE(Child<QLineEdit>(w, "ctl4042")->text(), QString("13"));
            QCOMPARE(Child<QLineEdit>(w, "ctl4026")->text(), QString("50"));  // Width
            QCOMPARE(Child<QLineEdit>(w, "ctl4034")->text(), QString("63"));  // Upturn
            // The mouth beside Open shows Open alone; the large one the whole phoneme.
            QCOMPARE(Child<MouthView>(w, "mouth4042")->Channels()[1], 13.0f);
            QCOMPARE(Child<MouthView>(w, "mouth4042")->Channels()[0], 0.0f);
            QCOMPARE(Child<MouthView>(w, "mouthPreview")->Channels()[0], 50.0f);
            Exit(w);  // not modified: no question
        });
        QVERIFY(prompts.Messages().empty());
        QCOMPARE(Active()[kAa][MouthParameter::MouthOpen], 12.75f);
    }

    void clearingABoxStoresZeroAndClosingWithNoKeepsTheActiveMap() {
        const PhonemeMap before = Active();
        MapEditor([&](QWidget* w) {
            Child<QComboBox>(w, "ctl4020")->setCurrentIndex(kOw);
            QCOMPARE(Child<MouthView>(w, "mouthPreview")->Channels()[1], 70.0f);
            SetText(w, "ctl4042", "");
            QCOMPARE(Child<MouthView>(w, "mouthPreview")->Channels()[1], 0.0f);  // live
            SetText(w, "ctl4040", "81");  // Lower Lip Pullback, channel 3
            QCOMPARE(Child<MouthView>(w, "mouth4040")->Channels()[2], 81.0f);
            // Cancel keeps the dialog with its edits, by Exit and by the close box.
            prompts.QueueAnswer(IDCANCEL);
            Exit(w);
            QVERIFY(w->isVisible());
            prompts.QueueAnswer(IDCANCEL);
            w->close();
            QVERIFY(w->isVisible());
            QCOMPARE(Child<QLineEdit>(w, "ctl4042")->text(), QString());
            prompts.QueueAnswer(IDNO);
            Exit(w);
        });
        QCOMPARE(prompts.Texts(), std::vector<std::string>(3, kMsgMapSaveChanges));
        QVERIFY(Active() == before);
    }

    void setAsDefaultWithoutAFileAsksToSaveFirstAndCancelLeavesMapFile() {
        const std::string previous = dir + "/previous.xml";
        QVERIFY(SavePhonemeMap(builtIn, previous) == S_OK);
        SetSetting(kMapFileValue, previous);
        MapEditor([&](QWidget* w) {
            QCOMPARE(Child<QPlainTextEdit>(w, "ctl4027")->toPlainText(), QString::fromStdString(previous));
            QTest::mouseClick(Child<QPushButton>(w, "ctl4025"), Qt::LeftButton);  // Reset Defaults
            QCOMPARE(Child<QPlainTextEdit>(w, "ctl4027")->toPlainText(), QString());
            SetSetting(kMapFileValue, previous);
            prompts.QueueFileResult(std::nullopt);
            QTest::mouseClick(Child<QPushButton>(w, "ctl4030"), Qt::LeftButton);  // Set As Default
            Exit(w);
        });
        QCOMPARE(prompts.Texts(), std::vector<std::string>{kMsgSaveBeforeDefault});
        QCOMPARE(prompts.FileDialogs().size(), size_t(1));
        QVERIFY(prompts.FileDialogs()[0].request.save);
        QCOMPARE(MapFileSetting(), std::optional<std::string>(previous));
    }

    void resetDefaultsMakesTheNextStartUpUseTheBuiltInMap() {
        PhonemeMap custom = builtIn;
        custom[kOw][MouthParameter::MouthOpen] = 99.0f;
        const std::string path = dir + "/custom.xml";
        QVERIFY(SavePhonemeMap(custom, path) == S_OK);
        SetSetting(kMapFileValue, path);
        // A new editor starts with the setting's map.
        cleanup();
        Open();
        QCOMPARE(Active()[kOw][MouthParameter::MouthOpen], 99.0f);
        MapEditor([&](QWidget* w) {
            QTest::mouseClick(Child<QPushButton>(w, "ctl4025"), Qt::LeftButton);
            Exit(w);
        });
        QVERIFY(Active() == builtIn);  // this editor's next run
        QCOMPARE(MapFileSetting(), std::optional<std::string>());
        cleanup();
        Open();
        QVERIFY(Active() == builtIn);  // and the next start-up
        QVERIFY(prompts.Messages().empty());
    }

    void aDefaultFileThatNoLongerLoadsIsShownInTheFileBox() {
        const std::string gone = dir + "/gone.xml";
        SetSetting(kMapFileValue, gone);
        MapEditor([&](QWidget* w) {
            QCOMPARE(Child<QPlainTextEdit>(w, "ctl4027")->toPlainText(),
                     QString::fromStdString("Error loading " + gone +
                                            ". Using defaults. \nLoad a new file or press 'Reset Defaults'."));
            Exit(w);
        });
        QVERIFY(Active() == builtIn);
    }
};

}  // namespace lipsmith::testing

int main(int argc, char** argv) {
    std::string dir = QDir::tempPath().toStdString() + "/lipsmith_tags.XXXXXX";
    if (!::mkdtemp(dir.data())) return 1;
    ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    ::setenv("LIPSMITH_SHARE_DIR", LIPSMITH_SHARE_FOLDER, 1);
    if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    lipsmith::testing::TagWidgets tests;
    const int result = QTest::qExec(&tests, argc, argv);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}

#include "TagWidgetTest.moc"
