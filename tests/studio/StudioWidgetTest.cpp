// The studio's windows, offscreen: the Utilities panel and its rollups with
// a test utility plug-in, scene notifications, undo and redo refreshing the
// views, time changes, shortcuts switched off by plug-ins, damaged scenes,
// track views, help, the scene sound and playback.
#include <dlfcn.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <memory>

#include "CommandPanel.h"
#include "FacePreview.h"
#include "MainWindow.h"
#include "PlaybackController.h"
#include "QtPrompts.h"
#include "SceneFile.h"
#include "SceneExplorer.h"
#include "ScriptedPrompts.h"
#include "SpeechController.h"
#include "TimeBar.h"
#include "TrackView.h"
#include "WaveFiles.h"

using namespace lipsmith;
using namespace lipsmith::studio;

namespace {

std::string TempPath(const std::string& name) {
    return QDir::tempPath().toStdString() + "/studio_widgets_" + std::to_string(::getpid()) + "_" + name;
}

// A float controller with whole-track properties, one sub-track, and a row
// two lines high while expanded in any view (as the speech controller's).
class PropsControl : public Control {
public:
    PropsControl() { MakeRefByID(FOREVER, 0, NewDefaultNoteTrack()); }
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    Class_ID ClassID() override { return Class_ID(0x7E57, 0x9); }
    void GetClassName(TSTR& s) override { s = "Props Control"; }
    void GetValue(TimeValue, void* v, Interval&, GetSetMethod) override { *static_cast<float*>(v) = 0; }
    void SetValue(TimeValue, void*, int, GetSetMethod) override {}
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int) override { return notes_; }
    void SetReference(int, RefTargetHandle t) override { notes_ = t; }
    int NumSubs() override { return notes_ ? 1 : 0; }
    Animatable* SubAnim(int) override { return notes_; }
    TSTR SubAnimName(int) override { return "Notes"; }
    int TrackParamsType() override { return TRACKPARAMS_WHOLE; }
    int GetTrackVSpace(int) override { return IsTreeEntryOpen(1, 0xFF) ? 2 : 1; }
    void EditTrackParams(TimeValue t, ParamDimensionBase*, const char* name, void* parent, Interface* ip,
                         DWORD) override {
        edits.push_back({t, name, parent, ip});
    }
    struct Edit {
        TimeValue t;
        std::string name;
        void* parent;
        Interface* ip;
    };
    std::vector<Edit> edits;

private:
    RefTargetHandle notes_ = nullptr;
};

// A float controller that paints its own row: a blue line down from the
// column of tick 4800, the way controllers draw their waveforms.
class PaintingControl : public Control {
public:
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    Class_ID ClassID() override { return Class_ID(0x7E57, 0xA); }
    void GetValue(TimeValue, void* v, Interval&, GetSetMethod) override { *static_cast<float*>(v) = 0; }
    void SetValue(TimeValue, void*, int, GetSetMethod) override {}
    int PaintTrack(ParamDimensionBase*, HDC hdc, Rect& track, Rect&, float zoom, int scroll, DWORD) override {
        this->track = track;
        this->zoom = zoom;
        this->scroll = scroll;
        column = static_cast<int>(std::floor(4800 * zoom - scroll + 0.5));
        hdc->SelectPen(0xFF0000, 0);  // blue, as 0x00BBGGRR
        hdc->MoveTo(column, track.top);
        hdc->LineTo(column, track.bottom);
        hdc->SelectStockBlackPen();
        return TRACK_DONE;
    }
    Rect track;
    float zoom = 0;
    int scroll = 0, column = 0;
};

struct TimeRecorder : TimeChangeCallback {
    std::vector<TimeValue> times;
    void TimeChanged(TimeValue t) override { times.push_back(t); }
};

SpeechController* AddSpeech(INode* node, ChannelId ch) {
    auto* c = new SpeechController();
    c->channel = ch;
    node->AddTrack(ChannelName(ch), c);
    return c;
}

void Key(SpeechController* c, TimeValue t, float v) { c->SetValueLocalTime(t, &v); }

}  // namespace

class StudioWidgets : public QObject {
    Q_OBJECT

    Interface& ip = *GetCOREInterface();
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<ScopedPrompts> usePrompts;
    const char* (*utilityLog)() = nullptr;
    void (*clearUtilityLog)() = nullptr;

    QString UtilityLog() const { return QString::fromUtf8(utilityLog()); }

private slots:
    void initTestCase() {
        std::string error;
        QVERIFY2(LoadPlugin(TEST_UTILITY_PLUGIN, &error), error.c_str());
        QVERIFY2(LoadPlugin(std::string(LIPSMITH_PLUGIN_FOLDER) + "/Lipsmith.dlc", &error), error.c_str());
        for (const PluginInfo& p : LoadedPlugins()) {
            if (!utilityLog) utilityLog = reinterpret_cast<const char* (*)()>(::dlsym(p.handle, "TestUtilityLog"));
            if (!clearUtilityLog) clearUtilityLog = reinterpret_cast<void (*)()>(::dlsym(p.handle, "TestUtilityClearLog"));
        }
        QVERIFY(utilityLog && clearUtilityLog);
    }

    void init() {
        ip.ResetScene();
        ip.SetTime(0);
        SetSaveRequiredFlag(FALSE);
        clearUtilityLog();
        window = std::make_unique<MainWindow>(ip);
        window->Commands()->RebuildUtilityButtons();
        window->Playback().SetOutput(playback::NewSilentOutput(playback::RealTimeClock(4.0)));
        prompts = std::make_unique<ScriptedPrompts>();
        usePrompts = std::make_unique<ScopedPrompts>(*prompts);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() {
        usePrompts.reset();  // the window's own prompts come back before it goes
        SetSaveRequiredFlag(FALSE);
        window.reset();
        prompts.reset();
        ip.ResetScene();
        QCOMPARE(ip.GetHostWindows(), nullptr);
    }

    void utilityOpensWithItsRollupsAndClosesWithThem() {
        QPushButton* button = window->Commands()->UtilityButton("Test Utility");
        QVERIFY(button);
        QVERIFY(!window->Commands()->CloseButton()->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(UtilityLog(), QString("begin;main window;"));
        QVERIFY(button->isChecked());
        QVERIFY(window->Commands()->CloseButton()->isEnabled());

        RollupPanel* rollups = window->Commands()->Rollups();
        QCOMPARE(rollups->PageCount(), 2);
        QPointer<QWidget> page = rollups->PageAt(0);
        QPointer<QWidget> settings = rollups->PageAt(1);
        QCOMPARE(page->objectName(), QString("testPage"));
        QCOMPARE(rollups->TitleBarOf(page)->text(), QString("Test Page"));
        QVERIFY(ip.IsRollupPanelOpen(page));
        QVERIFY(!ip.IsRollupPanelOpen(settings));  // added rolled up
        QVERIFY(!settings->isVisible());
        QTest::mouseClick(rollups->TitleBarOf(settings), Qt::LeftButton);
        QVERIFY(ip.IsRollupPanelOpen(settings));
        QTRY_VERIFY(settings->isVisible());
        ip.SetRollupPanelOpen(page, FALSE);
        QVERIFY(!page->isVisible());
        ip.SetRollupPanelOpen(page, TRUE);

        // Dragging over a page scrolls the panel by the distance moved.
        QScrollBar* bar = rollups->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() >= 100);
        bar->setValue(0);
        ip.RollupMouseMessage(page, RollupMouse::LeftButtonDown, 50, 500);
        ip.RollupMouseMessage(page, RollupMouse::Move, 50, 440);
        QCOMPARE(bar->value(), 60);
        ip.RollupMouseMessage(page, RollupMouse::LeftButtonUp, 50, 440);
        ip.RollupMouseMessage(page, RollupMouse::Move, 50, 0);  // no button: no scrolling
        QCOMPARE(bar->value(), 60);
        // The page passes its own mouse events on.
        bar->setValue(0);
        const QPoint inside(20, page->height() / 2);
        QTest::mousePress(page, Qt::LeftButton, {}, inside);
        QMouseEvent move(QEvent::MouseMove, QPointF(inside - QPoint(0, 30)), page->mapToGlobal(QPointF(inside - QPoint(0, 30))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page, &move);
        QTest::mouseRelease(page, Qt::LeftButton, {}, inside - QPoint(0, 30));
        QCOMPARE(bar->value(), 30);

        QTest::mouseClick(window->Commands()->CloseButton(), Qt::LeftButton);
        QCOMPARE(UtilityLog(), QString("begin;main window;end;"));
        QCOMPARE(rollups->PageCount(), 0);
        QVERIFY(!button->isChecked());
        QTRY_VERIFY(!page && !settings);  // deleted from the event loop

        // Opened again, it gets pages again; closing the window closes it.
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(rollups->PageCount(), 2);
        window->close();
        QCOMPARE(UtilityLog(), QString("begin;main window;end;begin;main window;end;"));
    }

    void openingAndResettingScenesAreAnnounced() {
        static QStringList heard;
        heard.clear();
        auto note = [](void*, NotifyInfo* info) { heard << QString::number(info->intcode); };
        ip.RegisterNotification(note, nullptr, NOTIFY_FILE_PRE_OPEN);
        ip.RegisterNotification(note, nullptr, NOTIFY_SCENE_NODES_CHANGED);
        ip.CreateNode("Head");
        const std::string path = TempPath("announce.lsc");
        QVERIFY(window->Document().SaveTo(path));
        heard.clear();

        QTest::mouseClick(window->Commands()->UtilityButton("Test Utility"), Qt::LeftButton);
        QVERIFY(window->OpenScene(QString::fromStdString(path)));
        // 9 first: the utility closes itself before the scene changes; then 71.
        QCOMPARE(heard, QStringList({"9", "71"}));
        QCOMPARE(UtilityLog(), QString("begin;main window;9;end;"));
        QCOMPARE(window->Utilities().OpenObject(), nullptr);
        QCOMPARE(window->Commands()->Rollups()->PageCount(), 0);

        heard.clear();
        clearUtilityLog();
        QTest::mouseClick(window->Commands()->UtilityButton("Test Utility"), Qt::LeftButton);
        QVERIFY(window->findChild<QAction*>("fileNew"));
        window->findChild<QAction*>("fileNew")->trigger();
        QCOMPARE(heard, QStringList({"71"}));
        QCOMPARE(UtilityLog(), QString("begin;main window;71;"));
        QCOMPARE(ip.GetRootNode()->NumberOfChildren(), 0);
        ip.UnRegisterNotification(note, nullptr, NOTIFY_FILE_PRE_OPEN);
        ip.UnRegisterNotification(note, nullptr, NOTIFY_SCENE_NODES_CHANGED);
        std::remove(path.c_str());
    }

    void undoAndRedoAreNamedAfterTheHoldAndRefreshTheViews() {
        INode* head = ip.CreateNode("Head");
        SpeechController* open = AddSpeech(head, 2);
        trackview::TrackView* view = window->DockTrackView();
        window->RefreshViews();
        QTRY_COMPARE(static_cast<int>(view->Rows().size()), 4);
        QCOMPARE(window->UndoAction()->text(), QString("&Undo"));

        theHold.Begin();
        Key(open, 0, 0.0f);
        Key(open, 1600, 90.0f);
        Key(open, 3200, 0.0f);
        theHold.Accept("Speech to Anim");
        ip.SetTime(1600);
        // The views hear of the keys by themselves.
        QTRY_COMPARE(window->UndoAction()->text(), QString("&Undo Speech to Anim"));
        QTRY_COMPARE(view->LastPaintMarks(), 3);
        QTRY_VERIFY(window->Face()->LastPose().mouthOpen > 0.8f);

        window->UndoAction()->trigger();
        QCOMPARE(open->GetKeyTrack()->NumKeys(), 0);
        QCOMPARE(window->RedoAction()->text(), QString("&Redo Speech to Anim"));
        QCOMPARE(window->UndoAction()->text(), QString("&Undo"));
        QTRY_COMPARE(view->LastPaintMarks(), 0);
        QTRY_COMPARE(window->Face()->LastPose().mouthOpen, 0.0f);

        window->RedoAction()->trigger();
        QCOMPARE(open->GetKeyTrack()->NumKeys(), 3);
        QTRY_COMPARE(view->LastPaintMarks(), 3);
        QTRY_VERIFY(window->Face()->LastPose().mouthOpen > 0.8f);
        QCOMPARE(window->UndoAction()->text(), QString("&Undo Speech to Anim"));
    }

    void everyTimeChangeReachesTheCallbacks() {
        TimeRecorder heard;
        ip.RegisterTimeChangeCallback(&heard);
        TimeBar* bar = window->Bar();
        bar->Slider()->setValue(10);
        bar->FrameField()->setValue(20);
        window->findChild<QAction*>("viewsNextFrame")->trigger();
        trackview::TrackView* view = window->DockTrackView();
        const int x = static_cast<int>(std::lround(view->Axis().XOf(5 * 160)));
        QTest::mouseClick(view->Ruler(), Qt::LeftButton, {}, QPoint(x, 10));
        ip.SetTime(4800);  // a plug-in moves the time: the slider follows
        ip.UnRegisterTimeChangeCallback(&heard);
        QCOMPARE(heard.times, (std::vector<TimeValue>{1600, 3200, 3360, 800, 4800}));
        QCOMPARE(bar->Slider()->value(), 30);
        QCOMPARE(bar->FrameField()->value(), 30);
        bar->RateField()->setValue(25);  // the time stays, the frames follow the rate
        QCOMPARE(ip.GetTicksPerFrame(), 192);
        QCOMPARE(bar->Slider()->value(), 25);
    }

    void shortcutsAreOffWhileAPluginFieldHasTheFocus() {
        INode* head = ip.CreateNode("Head");
        SpeechController* c = AddSpeech(head, 1);
        theHold.Begin();
        Key(c, 0, 1.0f);
        theHold.Accept("Key");
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));

        ip.DisableAccelerators();
        QVERIFY(!window->ShortcutsEnabled());
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(theHold.CanUndo());  // Ctrl+Z did nothing
        ip.EnableAccelerators();
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!theHold.CanUndo());

        // The test utility's field switches them off while it has the focus.
        QTest::mouseClick(window->Commands()->UtilityButton("Test Utility"), Qt::LeftButton);
        auto* field = window->findChild<QLineEdit*>("testField");
        QVERIFY(field);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QVERIFY(!ip.AcceleratorsEnabled());
        for (const auto& [action, key] : window->Shortcuts()) QVERIFY(action->shortcut().isEmpty());
        QTest::keyClick(field, Qt::Key_Period);  // "." would step a frame
        QTest::keyClick(field, Qt::Key_Slash);   // "/" would play
        QCOMPARE(field->text(), QString("./"));
        QCOMPARE(ip.GetTime(), 0);
        QVERIFY(!window->Playback().IsPlaying());
        window->Bar()->FrameField()->setFocus();
        QTRY_VERIFY(ip.AcceleratorsEnabled());
        QVERIFY(window->ShortcutsEnabled());
        QVERIFY(!window->findChild<QAction*>("editUndo")->shortcut().isEmpty());
    }

    void aDamagedSceneKeepsTheCurrentOne() {
        ip.CreateNode("Current");
        window->RefreshViews();
        const QString title = window->windowTitle();
        const std::string path = TempPath("damaged.lsc");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("LSCN but nothing a loader can use", f);
        std::fclose(f);
        QVERIFY(!window->OpenScene(QString::fromStdString(path)));
        QCOMPARE(prompts->Messages().size(), size_t(1));
        QVERIFY(QString::fromStdString(prompts->Messages()[0].text).contains(QString::fromStdString(path)));
        QCOMPARE(prompts->Messages()[0].type & 0xF0u, MB_ICONERROR);
        QVERIFY(ip.GetINodeByName("Current"));
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(window->Explorer()->Tree()->topLevelItemCount(), 1);
        std::remove(path.c_str());
    }

    void everyControlHasAnAccessibleName() {
        INode* head = ip.CreateNode("Head");
        AddSpeech(head, 1);
        QTest::mouseClick(window->Commands()->UtilityButton("Test Utility"), Qt::LeftButton);
        trackview::TrackView* floating = window->OpenTrackViewWindow();
        QVERIFY(QTest::qWaitForWindowExposed(floating->window()));
        QStringList unnamed;
        for (QWidget* top : {static_cast<QWidget*>(window.get()), floating->window()}) {
            for (QWidget* w : top->findChildren<QWidget*>()) {
                const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSlider*>(w) ||
                                     qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                                     qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w);
                if (!control || !w->isVisible() || w->objectName().startsWith("qt_")) continue;
                // Scroll bars that belong to a scrolling view are part of it.
                if (qobject_cast<QScrollBar*>(w) && w->objectName().isEmpty()) continue;
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << QString(w->metaObject()->className()) + " " + w->objectName();
            }
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }

    void trackViewRowsExpandPerViewAndOpenProperties() {
        INode* head = ip.CreateNode("Head");
        auto* props = new PropsControl();
        head->AddTrack("Props", props);
        head->AddTrack("Plain", NewDefaultFloatController());
        window->RefreshViews();
        trackview::TrackView* dock = window->DockTrackView();
        QTreeWidgetItem* item = dock->ItemOf(props);
        QVERIFY(item);
        const int oneLine = dock->Tree()->visualItemRect(item).height();
        QVERIFY(!props->IsTreeEntryOpen(1, 0xFF));

        // A floating view has a view bit of its own.
        trackview::TrackView* floating = window->OpenTrackViewWindow();
        QCOMPARE(floating->window()->objectName(), QString("TVPopUp"));
        QCOMPARE(floating->ViewId(), 1);
        QTreeWidgetItem* floatingItem = floating->ItemOf(props);
        QVERIFY(floatingItem);
        floatingItem->setExpanded(true);
        QVERIFY(props->IsTreeEntryOpen(1, 1u << 1));
        QVERIFY(!props->IsTreeEntryOpen(1, 1u << 0));
        // Open in any view makes the row two lines high in every view.
        QTRY_COMPARE(dock->Tree()->visualItemRect(dock->ItemOf(props)).height(), 2 * oneLine);
        QTRY_COMPARE(floating->Tree()->visualItemRect(floating->ItemOf(props)).height(), 2 * oneLine);

        QVERIFY(floating->OpenProperties(props, "Props"));
        QCOMPARE(props->edits.size(), size_t(1));
        QCOMPARE(props->edits[0].name, std::string("Props"));
        QCOMPARE(props->edits[0].parent, static_cast<void*>(floating->window()));
        QCOMPARE(props->edits[0].ip, &ip);
        QVERIFY(!dock->OpenProperties(head->GetTrackController(1), "Plain"));  // no track properties
        head->AssignController(0, NewDefaultFloatController());                 // props is gone
        QVERIFY(!dock->OpenProperties(props, "Props"));

        // Closing the floating view forgets what it had open.
        head->AssignController(0, props = new PropsControl());
        window->RefreshViews();
        floating->ItemOf(props)->setExpanded(true);
        QVERIFY(props->IsTreeEntryOpen(1, 0xFF));
        delete floating->window();
        QVERIFY(!props->IsTreeEntryOpen(1, 0xFF));
    }

    void controllersPaintTheirRowsOnThePainter() {
        INode* head = ip.CreateNode("Head");
        auto* painting = new PaintingControl();
        head->AddTrack("Wave", painting);
        window->RefreshViews();
        trackview::TrackView* view = window->DockTrackView();
        view->SetTimeExtent(0, 4800 * 4);
        view->ZoomExtents();
        const QImage image = view->TrackArea()->grab().toImage();
        const QRect row = view->Tree()->visualItemRect(view->ItemOf(painting));
        QCOMPARE(painting->track.top, row.top());
        QCOMPARE(painting->track.bottom, row.bottom());
        QCOMPARE(painting->track.left, 0);
        QCOMPARE(painting->track.right, view->TrackArea()->width() - 1);
        QCOMPARE(static_cast<double>(painting->zoom), static_cast<double>(static_cast<float>(view->Axis().Zoom())));
        QCOMPARE(painting->scroll, view->Axis().Scroll());
        // The column the controller computed shows tick 4800 on the ruler's axis too.
        QVERIFY(std::abs(view->Axis().TickAt(painting->column) - 4800) <= 1.0 / view->Axis().Zoom());
        const qreal ratio = image.devicePixelRatio();
        const QColor drawn = image.pixelColor(static_cast<int>(painting->column * ratio),
                                              static_cast<int>((row.top() + row.height() / 2) * ratio));
        QCOMPARE(drawn, QColor(0, 0, 255));
    }

    void aHundredThousandKeysPaintOnlyWhatShows() {
        INode* head = ip.CreateNode("Head");
        SpeechController* c = AddSpeech(head, 2);
        for (int i = 0; i < 100000; ++i) Key(c, i * 48, static_cast<float>(i % 100));
        window->RefreshViews();
        trackview::TrackView* view = window->DockTrackView();
        view->ZoomExtents();
        QTRY_VERIFY(view->LastPaintMarks() > 0);
        QVERIFY(view->LastPaintMarks() <= view->TrackArea()->width() + 8);
        view->ShowSeconds(1.0);
        view->Axis().SetScroll(static_cast<int>(std::lround(48000 * view->Axis().Zoom())));  // from 10 s on
        view->TrackArea()->repaint();
        QCOMPARE(view->LastPaintMarks(), 101);  // keys every 10 ms over one second, both ends included
    }

    void helpPagesShowInTheViewer() {
        const std::string topic = std::string(ip.GetDir(APP_SHARE_DIR)) + "Help\\Lipsmith.chm::/Studio.htm";
        QVERIFY(ip.ShowHelp(topic.c_str()));
        QVERIFY(window->Help()->isVisible());
        QVERIFY(window->Help()->Browser()->source().toLocalFile().endsWith("Help/Lipsmith/Studio.htm"));
        QVERIFY(window->Help()->Browser()->toPlainText().contains("Lipsmith Studio"));
        const std::string missing = std::string(ip.GetDir(APP_SHARE_DIR)) + "Help\\Lipsmith.chm::/Nothing.htm";
        QVERIFY(!ip.ShowHelp(missing.c_str()));
        QVERIFY(window->Help()->Browser()->toPlainText().contains("not installed"));
    }

    void theSceneSoundIsDrawnAndABadFileIsRefused() {
        const std::string wav = TempPath("tone.wav"), bad = TempPath("bad.wav");
        std::vector<std::int16_t> tone(22050);
        for (std::size_t i = 0; i < tone.size(); ++i)
            tone[i] = static_cast<std::int16_t>(12000 * std::sin(static_cast<double>(i) * 0.05));
        studiotest::WriteWave(wav, 1, 22050, 16, studiotest::Pcm16(tone));
        std::FILE* f = std::fopen(bad.c_str(), "wb");
        std::fputs("RIFF", f);
        std::fclose(f);

        QVERIFY(window->SetSceneSound(QString::fromStdString(wav), 480));
        QVERIFY(window->Sound().clip);
        QCOMPARE(window->Sound().start, 480);
        QCOMPARE(window->Sound().end, 480 + 4800);
        QTRY_VERIFY(window->Bar()->Strip()->LastColumns() > 0);
        QVERIFY(GetSaveRequiredFlag());

        QVERIFY(!window->SetSceneSound(QString::fromStdString(bad), 0));
        QCOMPARE(prompts->Messages().size(), size_t(1));
        QCOMPARE(QString::fromStdString(GetWaveSoundInterface(ip.GetSoundObject())->GetSoundFileName()),
                 QString::fromStdString(wav));
        QVERIFY(window->SetSceneSound("", 0));  // removes it
        QVERIFY(!window->Sound().clip);
        std::remove(wav.c_str());
        std::remove(bad.c_str());
    }

    void playingMovesTheSliderAndTheFaceAndStopsAtTheEnd() {
        INode* head = ip.CreateNode("Head");
        SpeechController* open = AddSpeech(head, 2);
        Key(open, 0, 0.0f);
        Key(open, 1600, 100.0f);
        ip.SetAnimRange(Interval(0, 3200));
        window->RefreshViews();
        TimeRecorder heard;
        ip.RegisterTimeChangeCallback(&heard);
        QTest::mouseClick(window->Bar()->PlayButton(), Qt::LeftButton);
        QVERIFY(window->Playback().IsPlaying());
        QCOMPARE(window->Bar()->PlayButton()->text(), QString("Stop"));
        QTRY_VERIFY(window->Bar()->Slider()->value() >= 10);
        QTRY_VERIFY(window->Face()->LastPose().mouthOpen > 0.9f);
        QTRY_VERIFY(!window->Playback().IsPlaying());
        ip.UnRegisterTimeChangeCallback(&heard);
        QCOMPARE(ip.GetTime(), 3200);
        QCOMPARE(window->Bar()->PlayButton()->text(), QString("Play"));
        // Every step is a whole frame, in order.
        QVERIFY(!heard.times.empty());
        for (std::size_t i = 0; i < heard.times.size(); ++i) {
            QCOMPARE(heard.times[i] % 160, 0);
            if (i) QVERIFY(heard.times[i] > heard.times[i - 1]);
        }
        // Play at the end starts again from the beginning.
        window->TogglePlay();
        QVERIFY(window->Playback().IsPlaying());
        QVERIFY(ip.GetTime() < 3200);
        window->TogglePlay();
        QVERIFY(!window->Playback().IsPlaying());
    }

    void explorerEditsShowInTheTrackView() {
        window->Explorer()->AddNodeNamed("Head", false);
        QCOMPARE(window->Explorer()->CurrentNode(), ip.GetINodeByName("Head"));
        QVERIFY(window->Explorer()->AddTrackNamed("Smile"));
        ClassDesc* speech = ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID);
        QVERIFY(window->Explorer()->AssignToCurrent(speech));
        QTRY_COMPARE(static_cast<int>(window->DockTrackView()->Rows().size()), 4);
        QCOMPARE(window->DockTrackView()->Rows()[1].label, std::string("Smile"));
        QCOMPARE(window->DockTrackView()->Rows()[3].label, std::string("Mouth Width"));
        window->Explorer()->SelectNode(ip.GetINodeByName("Head"));
        QVERIFY(!window->Explorer()->RenameCurrent("   "));
        QCOMPARE(prompts->Texts().back(), std::string("A node needs a name."));
        QVERIFY(window->Explorer()->RenameCurrent("Face"));
        QTRY_COMPARE(window->DockTrackView()->Rows()[0].label, std::string("Face"));
        prompts->QueueAnswer(IDNO);
        QVERIFY(!window->Explorer()->DeleteCurrent(true));
        prompts->QueueAnswer(IDYES);
        QVERIFY(window->Explorer()->DeleteCurrent(true));
        QTRY_VERIFY(window->DockTrackView()->Rows().empty());
    }

    void promptFiltersBecomeQtFilters() {
        QCOMPARE(QtPrompts::QtFilter("Wave Files (*.wav)|*.wav||"), QString("Wave Files (*.wav);;All Files (*)"));
        QCOMPARE(QtPrompts::QtFilter("Scripts|*.txt;*.xml||"), QString("Scripts (*.txt *.xml);;All Files (*)"));
        FileDialogRequest r;
        r.filter = "Wave Files (*.wav)|*.wav||";
        r.defaultExtension = "Wave";
        QCOMPARE(QtPrompts::DefaultSuffix(r), QString("wav"));
        r.filter = "";
        r.defaultExtension = "TXT";
        QCOMPARE(QtPrompts::DefaultSuffix(r), QString("txt"));
    }
};

QTEST_MAIN(StudioWidgets)
#include "StudioWidgetTest.moc"
