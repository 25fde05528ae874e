// The utility's windows, offscreen: rollup pages, the script editor window
// over its core, typed colouring, files, layout, modes, positions in
// non-ASCII text, and a run with its progress window and Stop.
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <fstream>

#include "FindReplaceDlg.h"
#include "QtUtilityWindows.h"
#include "ScriptEditControl.h"
#include "TestHost.h"
#include "UtilityFixture.h"
#include "UtilityPanel.h"

namespace lipsmith::testing {

class UtilityWidgets : public QObject {
    Q_OBJECT

private:
    Interface& ip = *GetCOREInterface();
    SpeechUtility& utility = TheSpeechUtility();
    TestHost* host = nullptr;
    UtilityPanel* panel = nullptr;
    ScriptedPrompts prompts;
    ReckonedEngine* engine = nullptr;
    SpeechController* mouth = nullptr;
    std::string dir;
    int beeps = 0;
    static UtilityWidgets* self;

    QWidget* Window() { return host->MainWindow()->findChild<QWidget*>("ScriptDlg"); }
    template <class T = QWidget>
    T* Ctl(const char* name) {
        return Window() ? Window()->findChild<T*>(name) : nullptr;
    }
    QAction* Item(int id) { return Window()->findChild<QAction*>(QStringLiteral("ctl%1").arg(id)); }
    ScriptEditControl* Script() { return Ctl<ScriptEditControl>("ctl4001"); }
    ScriptEditor& Editor() { return *utility.Editor(); }
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

private slots:
    void initTestCase() {
        self = this;
        host = new TestHost();
        ip.SetHostWindows(host);
        SetPrompts(&prompts);
        FindReplaceDlg::beep = [] { ++self->beeps; };
        utility.SetWindows(QtUtilityWindows([] { TheSpeechUtility().DestroyEditor(); }));
        utility.SetEngineFactory([this](std::unique_ptr<ITTS>* out) {
            engine = new ReckonedEngine();
            out->reset(engine);
            return S_OK;
        });
        panel = new UtilityPanel(ip);
        dir = QDir::tempPath().toStdString() + "/utility_widgets_" + std::to_string(::getpid());
        std::filesystem::create_directories(dir);
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
        ip.ResetScene();
        ip.SetFrameRate(30);
        INode* head = ip.CreateNode("Head");
        mouth = AddController(head, 2);
        AddController(head, 11);
        prompts.Clear();
        beeps = 0;
        Open();
    }
    void cleanup() {
        panel->CloseUtility();
        utility.DestroyEditor();
        theHold.ClearUndo();
    }

    void pagesAndOneEditorForTwoOpenings() {
        QCOMPARE(host->PageTitles().size(), size_t(2));
        auto* field = host->Panel()->findChild<QLineEdit*>("ctl4036");
        QVERIFY(field);
        QVERIFY(field->isReadOnly());
        QCOMPARE(field->text(), QString());  // no "WaveFile" yet
        ScriptEditor* first = utility.Editor();
        Editor().Script().TypeText("kept");
        prompts.QueueAnswer(IDNO);
        panel->CloseUtility();
        QVERIFY(!Window()->isVisible());
        Open();
        QCOMPARE(utility.Editor(), first);
        QCOMPARE(host->MainWindow()->findChildren<QWidget*>("ScriptDlg").size(), 1);
        QCOMPARE(Script()->toPlainText(), QString("kept"));
    }

    void untitledPromptWithCancelKeepsTheEditor() {
        QCOMPARE(Window()->windowTitle(), QString("Untitled"));
        Script()->setFocus();
        QTest::keyClicks(Script(), "x");
        prompts.QueueAnswer(IDCANCEL);
        QTest::mouseClick(Ctl<QPushButton>("ctl1"), Qt::LeftButton);
        QCOMPARE(prompts.Texts(), std::vector<std::string>{"Do you wish to save changes to Untitled"});
        QCOMPARE(prompts.Messages()[0].type, MB_YESNOCANCEL | MB_ICONEXCLAMATION);
        QVERIFY(Window()->isVisible());
        prompts.QueueAnswer(IDCANCEL);
        Window()->close();
        QVERIFY(Window()->isVisible());
        QCOMPARE(Editor().Script().Text(), std::string("x"));
    }

    void typedMarkupIsColouredAsTyped() {
        Script()->setFocus();
        QTest::keyClicks(Script(), "<a x=\"vv\"w>z");
        QCOMPARE(Script()->toPlainText(), QString("<a x=\"vv\"w>z"));
        QCOMPARE(Editor().Script().Text(), std::string("<a x=\"vv\"w>z"));
        const QColor blue(0, 0, 255), red(255, 0, 0), black(0, 0, 0);
        QCOMPARE(WidgetColorAt(0), blue);   // "<"
        QCOMPARE(WidgetColorAt(1), blue);   // "a"
        QCOMPARE(WidgetColorAt(6), red);    // "v" inside the quotes
        QCOMPARE(WidgetColorAt(9), blue);   // "w" after the closing quote
        QCOMPARE(WidgetColorAt(11), black);  // "z" after ">"
        // The widget shows exactly the model's colours.
        const auto& colors = Editor().Script().Colors();
        const QColor table[3] = {black, red, blue};
        for (int i = 0; i < static_cast<int>(colors.size()); ++i)
            QCOMPARE(WidgetColorAt(i), table[static_cast<int>(colors[static_cast<std::size_t>(i)])]);
        // Undo lives in the model; the widget follows.
        QTest::keySequence(Script(), QKeySequence::Undo);
        QCOMPARE(Script()->toPlainText(), QString::fromStdString(Editor().Script().Text()));
    }

    void loadedScriptIsColouredUnmodifiedAndKeepsBackslashes() {
        const std::string path = dir + "/load.txt";
        std::ofstream(path) << "<_ANIM_>\n<actor node=\"Head\">Hi C:\\temp</actor>\n</_ANIM_>";
        prompts.QueueFileResult(path);
        Item(4013)->trigger();
        QCOMPARE(Script()->toPlainText(), QString("<_ANIM_>\n<actor node=\"Head\">Hi C:\\temp</actor>\n</_ANIM_>"));
        QVERIFY(!Editor().Script().IsModified());
        QCOMPARE(Window()->windowTitle(), QString::fromStdString(path));
        QCOMPARE(WidgetColorAt(10), QColor(0, 0, 255));  // "actor"
        QCOMPARE(WidgetColorAt(22), QColor(255, 0, 0));  // "Head"
        QCOMPARE(WidgetColorAt(29), QColor(0, 0, 0));    // "Hi"
    }

    void hidingTheActorsViewWidensTheScript() {
        auto* tree = Ctl<QTreeWidget>("ctl4002");
        const int width = Script()->width();
        const int treeWidth = tree->width();
        QVERIFY(tree->isVisible());
        Item(4083)->trigger();
        QVERIFY(!tree->isVisible());
        QVERIFY(!Ctl<QGroupBox>("ctl4032")->isVisible());
        QCOMPARE(Script()->width(), width + treeWidth + 13);
        Item(4083)->trigger();
        QVERIFY(tree->isVisible());
        QCOMPARE(tree->width(), treeWidth);
        QCOMPARE(Script()->width(), width);
    }

    void lockButtonFollowsTheTimeSlider() {
        ip.SetTicksPerFrame(160);
        ip.SetTime(0);
        QTest::mouseClick(Ctl<QToolButton>("ctl4046"), Qt::LeftButton);
        QVERIFY(Editor().InFrameLocked());
        ip.SetTime(250);
        QCOMPARE(Ctl<QLineEdit>("ctl4017")->text(), QString("2"));
        QTest::mouseClick(Ctl<QToolButton>("ctl4046"), Qt::LeftButton);
        ip.SetTime(1600);
        QCOMPARE(Ctl<QLineEdit>("ctl4017")->text(), QString("2"));
        ip.SetFrameRate(30);
    }

    void phraseModeForcesAndRestoresTheTwoBoxes() {
        auto* undo = Ctl<QCheckBox>("ctl4045");
        auto* scratch = Ctl<QCheckBox>("ctl4044");
        QVERIFY(!undo->isChecked());
        QVERIFY(scratch->isChecked());
        QTest::mouseClick(scratch, Qt::LeftButton);
        QVERIFY(!Editor().Options().generateScratchTrack);
        Item(4124)->trigger();
        QVERIFY(undo->isChecked() && scratch->isChecked());
        QVERIFY(!undo->isEnabled() && !scratch->isEnabled());
        QCOMPARE(Ctl<QGroupBox>("ctl4034")->title(), QString("Phrase"));
        QCOMPARE(Ctl<QPushButton>("ctl3")->text(), QString("Speak Phrase"));
        QVERIFY(Item(4124)->isChecked() && !Item(4123)->isChecked());
        Editor().Session().waveOutputPath = dir + "/phrase.wav";
        Ctl<QTreeWidget>("ctl4002")->setCurrentItem(nullptr);
        QTest::mouseClick(Ctl<QPushButton>("ctl3"), Qt::LeftButton);
        QCOMPARE(prompts.Texts().back(),
                 std::string("Please select an actor in the actor view before pressing the 'Speak Phrase' button."));
        Item(4123)->trigger();
        QVERIFY(!undo->isChecked() && !scratch->isChecked());
        QVERIFY(undo->isEnabled() && scratch->isEnabled());
        QCOMPARE(Ctl<QPushButton>("ctl3")->text(), QString("Parse Script"));
    }

    void positionsAgreeForAccentsAndCjk() {
        // Row 1 holds accented letters and CJK, an astral character too.
        Editor().Dlg().SetColoredScript("<_ANIM_>\n<actor node=\"Hé中\">àé 中文😀 x\n</actor></_ANIM_>", false);
        const QString shown = Script()->toPlainText();
        QCOMPARE(shown, QString::fromUtf8("<_ANIM_>\n<actor node=\"Hé中\">àé 中文😀 x\n</actor></_ANIM_>"));
        const int quote = shown.indexOf(QString::fromUtf8("中\""));
        QCOMPARE(WidgetColorAt(quote), QColor(255, 0, 0));     // 中 inside the value
        QCOMPARE(WidgetColorAt(quote + 1), QColor(0, 0, 255));  // the closing quote
        QCOMPARE(WidgetColorAt(shown.indexOf('x')), QColor(0, 0, 0));
        // A click just before "x": row 1, column in characters (the astral one counts once).
        QTextCursor at(Script()->document());
        at.setPosition(shown.indexOf('x'));
        QTest::mouseClick(Script()->viewport(), Qt::LeftButton, {}, Script()->cursorRect(at).center());
        QCOMPARE(Ctl<QLineEdit>("ctl4009")->text(), QString("Row: 1     Col: 25"));
        QCOMPARE(Script()->textCursor().position(), shown.indexOf('x'));
        // A parse error on that row selects the whole row in the widget.
        Editor().Dlg().SetColoredScript("<_ANIM_>\n<actor node=\"中\">àé 中文 </bad> x\n</actor></_ANIM_>", false);
        Editor().Session().waveOutputPath = dir + "/e.wav";
        QTest::mouseClick(Ctl<QPushButton>("ctl3"), Qt::LeftButton);
        QVERIFY(Editor().Dlg().Output().Text().find("Error(row:1") != std::string::npos);
        QCOMPARE(Script()->textCursor().selectedText(), QString::fromUtf8("<actor node=\"中\">àé 中文 </bad> x"));
    }

    void runShowsProgressAndStopEndsIt() {
        Editor().Session().waveOutputPath = dir + "/run.wav";
        Editor().SetOption(&RunOptions::generateScratchTrack, false);
        Editor().Dlg().SetColoredScript("<_ANIM_><actor node=\"Head\">Hello there</actor></_ANIM_>", false);
        std::vector<ScriptedEvent> events{SentenceEvent(5)};
        for (int i = 0; i < 20; ++i) events.push_back(PhonemeEvent(2 + i % 5, 80));
        events.push_back(SentenceEvent(6));
        engine->Say("Hello", events);
        bool checked = false;
        engine->onHandled = [&](const ScriptedEvent&, std::size_t index) {
            if (index != 8 || checked) return;
            checked = true;
            QWidget* progress = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == "ProgressDlg" && w->isVisible()) progress = w;
            QVERIFY(progress);
            QVERIFY(progress->isEnabled());
            QVERIFY(!host->MainWindow()->isEnabled());
            QVERIFY(!Ctl<QPushButton>("ctl3")->isEnabled());
            QVERIFY(!Ctl<QLineEdit>("ctl4017")->isEnabled());
            QCOMPARE(progress->windowTitle(), QString("Parsing, 45% completed"));
            QTest::mouseClick(progress->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
        };
        QTest::mouseClick(Ctl<QPushButton>("ctl3"), Qt::LeftButton);
        QVERIFY(checked);
        const std::string& pane = Editor().Dlg().Output().Text();
        QVERIFY(pane.find("Parsing stopped by user.\n") != std::string::npos);
        QVERIFY(host->MainWindow()->isEnabled());
        QVERIFY(Ctl<QPushButton>("ctl3")->isEnabled());
        QVERIFY(Ctl<QLineEdit>("ctl4017")->isEnabled());
        for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(w->objectName() != "ProgressDlg" || !w->isVisible());
        QCOMPARE(Ctl<QPlainTextEdit>("ctl4006")->toPlainText(), QString::fromStdString(pane));
        QVERIFY(host->redraws > 0);  // the host's views show the keys
        QVERIFY(GetKeyControlInterface(mouth->GetKeyTrack())->GetNumKeys() > 0);
    }

    void phraseModeStopBeforeSpeakingKeepsTheKeys() {
        Editor().Session().waveOutputPath = dir + "/phrase.wav";
        Editor().Dlg().SetColoredScript("hello there", false);
        float value = 0.5f;
        mouth->SetValueLocalTime(800, &value);
        IKeyControl* keys = GetKeyControlInterface(mouth->GetKeyTrack());
        QCOMPARE(keys->GetNumKeys(), 1);
        Editor().SetOption(&RunOptions::deleteKeysAfterInFrame, true);  // taken back with the rest
        Item(4124)->trigger();
        // A controller item stands for its actor.
        auto* tree = Ctl<QTreeWidget>("ctl4002");
        tree->expandAll();
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));

        bool pressed = false;
        std::function<void()> pressStop = [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "ProgressDlg" || !w->isVisible()) continue;
                // The listener's form: the prompt instead of the bar.
                QVERIFY(w->findChild<QWidget*>("ListenerText")->isVisible());
                QVERIFY(!w->findChild<QWidget*>("ctl4052")->isVisible());
                QVERIFY(!Ctl<QLineEdit>("ctl4017")->isEnabled());
                QVERIFY(!host->MainWindow()->isEnabled());
                QTest::mouseClick(w->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
                pressed = true;
                return;
            }
            QTimer::singleShot(5, this, pressStop);
        };
        QTimer::singleShot(5, this, pressStop);
        QTest::mouseClick(Ctl<QPushButton>("ctl3"), Qt::LeftButton);
        QVERIFY(pressed);
        QCOMPARE(engine->grammars, std::vector<std::string>{"hello there"});
        QCOMPARE(Editor().Dlg().currentActorNode, std::string("Head"));
        QCOMPARE(engine->stopRecos, 1);
        const std::string& pane = Editor().Dlg().Output().Text();
        QVERIFY(pane.rfind("---[ Listener started at ", 0) == 0);
        QVERIFY(pane.find("Listener was interrupted.\n") != std::string::npos);
        QVERIFY(pane.find(": 1 Errors, 0 warnings ]---\n") != std::string::npos);
        QCOMPARE(keys->GetNumKeys(), 1);
        QVERIFY(!theHold.CanUndo());
        QVERIFY(host->MainWindow()->isEnabled());
        QVERIFY(Ctl<QPushButton>("ctl3")->isEnabled());
        QCOMPARE(Ctl<QPlainTextEdit>("ctl4006")->toPlainText(), QString::fromStdString(pane));
        Item(4123)->trigger();
    }

    void findWrapsAroundAndBeepsWhenNothingIsFound() {
        Editor().Dlg().SetColoredScript("one two one", false);
        Editor().Script().SetSelection(0, 3);
        Item(4100)->trigger();
        auto* find = Window()->findChild<FindReplaceDlg*>("ScriptFindDlg");
        QVERIFY(find);
        QCOMPARE(find->findChild<QLineEdit*>("ctl1152")->text(), QString("one"));
        QVERIFY(find->findChild<QCheckBox*>("ctl1041")->isChecked());
        auto* next = find->findChild<QPushButton*>("ctl1");
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(Script()->textCursor().selectionStart(), 8);
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(Script()->textCursor().selectionStart(), 0);
        QCOMPARE(beeps, 0);
        find->findChild<QLineEdit*>("ctl1152")->setText("three");
        QTest::mouseClick(next, Qt::LeftButton);
        QCOMPARE(beeps, 1);
        find->close();
    }

    void treeShowsControllersAndDoubleClickTogglesOne() {
        auto* tree = Ctl<QTreeWidget>("ctl4002");
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* head = tree->topLevelItem(0);
        QCOMPARE(head->text(0), QString("Head"));
        QCOMPARE(head->childCount(), 2);
        QCOMPARE(head->child(0)->text(0), QString("Mouth Open"));
        QCOMPARE(head->child(1)->text(0), QString("Left Eye Blink"));
        tree->expandAll();
        const QRect r = tree->visualItemRect(head->child(0));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());  // the press a double-click follows
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(mouth->active, 0);
        QCOMPARE(tree->topLevelItem(0)->child(0)->data(0, Qt::AccessibleDescriptionRole).toString(),
                 QString("inactive"));
        QVERIFY(tree->topLevelItem(0)->isExpanded());  // kept open over the refill
        // The host's shortcuts are off while the tree has the focus.
        QApplication::setActiveWindow(Window());
        tree->setFocus();
        QTRY_VERIFY(!ip.AcceleratorsEnabled());
        QCOMPARE(host->accelerators.back(), FALSE);
        Ctl("ctl4006")->setFocus();
        QTRY_VERIFY(ip.AcceleratorsEnabled());
        QCOMPARE(host->accelerators.back(), TRUE);
    }

    void helpAndAbout() {
        Item(4084)->trigger();
        QVERIFY(QString::fromStdString(host->helpShown).endsWith("Help/Lipsmith/ScriptEditor.htm"));
        QVERIFY(std::filesystem::exists(host->helpShown));
        QVERIFY(prompts.Messages().empty());
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* about = Window()->findChild<QDialog*>("AboutDlg");
            QVERIFY(about);
            const QString page = about->findChild<QTextBrowser*>("AboutPage")->toPlainText();
            QVERIFY(page.contains("Lipsmith") && page.contains("1.2.0"));
            auto* close = about->findChild<QPushButton*>("AboutClose");
            QCOMPARE(close->text(), QString("Close"));
            seen = true;
            QTest::mouseClick(close, Qt::LeftButton);
        });
        Item(4085)->trigger();
        QVERIFY(seen);
    }

    void everyControlHasAnAccessibleName() {
        for (QWidget* w : Window()->findChildren<QWidget*>()) {
            if (!w->objectName().startsWith("ctl")) continue;
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        }
        for (QWidget* w : host->Panel()->findChildren<QWidget*>())
            if (w->objectName().startsWith("ctl")) QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    }
};

UtilityWidgets* UtilityWidgets::self = nullptr;

}  // namespace lipsmith::testing

int main(int argc, char** argv) {
    // Settings and the server's folder of this test alone; the share folder of the build.
    std::string dir = QDir::tempPath().toStdString() + "/lipsmith_widgets.XXXXXX";
    if (!::mkdtemp(dir.data())) return 1;
    ::setenv("LIPSMITH_REGISTRY", (dir + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    ::setenv("LIPSMITH_SHARE_DIR", LIPSMITH_SHARE_FOLDER, 1);
    if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    lipsmith::testing::UtilityWidgets tests;
    const int result = QTest::qExec(&tests, argc, argv);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}

#include "UtilityWidgetTest.moc"
