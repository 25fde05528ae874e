#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "ClassDesc.h"
#include "CommandPanel.h"
#include "FacePreview.h"
#include "Hold.h"
#include "HelpViewer.h"
#include "MessageBox.h"
#include "PlaybackController.h"
#include "QtPrompts.h"
#include "SceneEdits.h"
#include "SceneExplorer.h"
#include "SceneWatcher.h"
#include "StudioWindows.h"
#include "TimeBar.h"
#include "TrackView.h"
#include "TrackViewWindow.h"
#include "WaveClip.h"

namespace lipsmith::studio {
namespace {

// The key range of every controller in the scene.
void AddKeyRanges(INode* node, Interval& range) {
    for (int i = 0; i < node->NumTracks(); ++i) {
        if (Control* c = node->GetTrackController(i)) range |= c->GetTimeRange(TIMERANGE_ALL);
    }
    for (int i = 0; i < node->NumberOfChildren(); ++i) AddKeyRanges(node->GetChildNode(i), range);
}

}  // namespace

MainWindow::MainWindow(Interface& ip, QWidget* parent)
    : QMainWindow(parent), ip_(ip), document_(ip), windows_(std::make_unique<StudioWindows>(*this)),
      prompts_(std::make_unique<QtPrompts>(this)), utilities_(std::make_unique<UtilityPanel>(ip)) {
    setObjectName("lipsmithStudio");
    setAccessibleName("Lipsmith Studio");
    SetPrompts(prompts_.get());
    ip_.SetUserPrompts(prompts_.get());  // plug-ins ask the same boxes
    watcher_ = new SceneWatcher(ip_, this);
    playback_ = new PlaybackController(ip_, this);

    // Viewport: the face over the time slider.
    auto* centre = new QWidget(this);
    face_ = new FacePreview(ip_, centre);
    timeBar_ = new TimeBar(ip_, centre);
    auto* centreBox = new QVBoxLayout(centre);
    centreBox->setContentsMargins(0, 0, 0, 0);
    centreBox->setSpacing(0);
    centreBox->addWidget(face_, 1);
    centreBox->addWidget(timeBar_);
    setCentralWidget(centre);

    explorer_ = new SceneExplorer(ip_, this);
    auto* explorerDock = new QDockWidget("Scene Explorer", this);
    explorerDock->setObjectName("sceneExplorerDock");
    explorerDock->setWidget(explorer_);
    addDockWidget(Qt::LeftDockWidgetArea, explorerDock);

    commands_ = new CommandPanel(*utilities_, this);
    auto* commandDock = new QDockWidget("Command Panel", this);
    commandDock->setObjectName("commandPanelDock");
    commandDock->setWidget(commands_);
    addDockWidget(Qt::RightDockWidgetArea, commandDock);

    dockView_ = new trackview::TrackView(ip_, 0, this);
    auto* trackDock = new QDockWidget("Track View", this);
    trackDock->setObjectName("trackViewDock");
    trackDock->setWidget(dockView_);
    addDockWidget(Qt::BottomDockWidgetArea, trackDock);
    resizeDocks({trackDock}, {300}, Qt::Vertical);
    resizeDocks({explorerDock, commandDock}, {330, 300}, Qt::Horizontal);

    BuildMenus();
    statusBar()->setObjectName("statusBar");

    utilities_->SetOnChange([this] { commands_->UpdateState(); });
    connect(watcher_, &SceneWatcher::SceneChanged, this, &MainWindow::RefreshViews);
    connect(watcher_, &SceneWatcher::SceneLoaded, this, [this] {
        RefreshViews();
        for (trackview::TrackView* v : TrackViews()) v->ZoomExtents();
    });
    connect(watcher_, &SceneWatcher::TimeMoved, this, &MainWindow::OnTimeMoved);
    connect(explorer_, &SceneExplorer::NodeSelected, face_, &FacePreview::SetNode);
    connect(timeBar_, &TimeBar::PlayPressed, this, &MainWindow::TogglePlay);
    connect(timeBar_, &TimeBar::FrameRateChanged, this, &MainWindow::RefreshViews);
    connect(dockView_, &trackview::TrackView::ExpansionChanged, this, &MainWindow::RefreshViews);
    connect(playback_, &PlaybackController::PlayingChanged, this, [this](bool playing) {
        timeBar_->SetPlaying(playing);
        play_->setText(playing ? "Stop" : "Play");
        if (playing && playback_->Output() && playback_->Output()->IsSilent())
            statusBar()->showMessage("No sound device: playing without sound.", 4000);
    });

    ip_.SetHostWindows(windows_.get());
    resize(1400, 900);
    RefreshViews();
}

MainWindow::~MainWindow() {
    // The open utility takes its rollup pages out while the panel is still here.
    utilities_->CloseUtility();
    playback_->Stop();
    for (QPointer<QWidget>& w : floating_) delete w.data();
    if (ip_.GetHostWindows() == windows_.get()) ip_.SetHostWindows(nullptr);
    ip_.SetUserPrompts(nullptr);
    SetPrompts(nullptr);
}

QAction* MainWindow::AddAction(QMenu* menu, const QString& text, const char* name, const QKeySequence& key) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        shortcuts_.emplace_back(a, key);
    }
    addAction(a);  // shortcuts work while the menu bar is hidden too
    return a;
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    connect(AddAction(file, "&New", "fileNew", QKeySequence::New), &QAction::triggered, this, &MainWindow::NewScene);
    connect(AddAction(file, QString::fromUtf8("&Open\u2026"), "fileOpen", QKeySequence::Open), &QAction::triggered,
            this, [this] {
                playback_->Stop();
                document_.OpenWithDialog();
                RefreshViews();
            });
    connect(AddAction(file, "&Save", "fileSave", QKeySequence::Save), &QAction::triggered, this, [this] {
        document_.Save();
        UpdateTitle();
    });
    connect(AddAction(file, QString::fromUtf8("Save &As\u2026"), "fileSaveAs", QKeySequence("Ctrl+Shift+S")),
            &QAction::triggered, this, [this] {
                document_.SaveAs();
                UpdateTitle();
            });
    file->addSeparator();
    connect(AddAction(file, QString::fromUtf8("Scene &Sound\u2026"), "fileSceneSound", {}), &QAction::triggered, this,
            &MainWindow::ShowSoundDialog);
    file->addSeparator();
    connect(AddAction(file, "E&xit", "fileExit", QKeySequence("Ctrl+Q")), &QAction::triggered, this,
            &MainWindow::close);

    QMenu* edit = menuBar()->addMenu("&Edit");
    undo_ = AddAction(edit, "&Undo", "editUndo", QKeySequence::Undo);
    redo_ = AddAction(edit, "&Redo", "editRedo", QKeySequence("Ctrl+Y"));
    connect(undo_, &QAction::triggered, this, &MainWindow::Undo);
    connect(redo_, &QAction::triggered, this, &MainWindow::Redo);
    // Greyed while the menu shows nothing to undo, but the shortcuts always
    // reach the handlers, which ask the undo stack themselves.
    connect(edit, &QMenu::aboutToShow, this, [this] {
        UpdateUndoActions();
        undo_->setEnabled(theHold.CanUndo());
        redo_->setEnabled(theHold.CanRedo());
    });
    connect(edit, &QMenu::aboutToHide, this, [this] {
        undo_->setEnabled(true);
        redo_->setEnabled(true);
    });

    QMenu* views = menuBar()->addMenu("&Views");
    connect(AddAction(views, "&Track View", "viewsTrackView", {}), &QAction::triggered, this,
            &MainWindow::OpenTrackViewWindow);
    views->addSeparator();
    play_ = AddAction(views, "Play", "viewsPlay", QKeySequence("/"));
    connect(play_, &QAction::triggered, this, &MainWindow::TogglePlay);
    connect(AddAction(views, "Previous Frame", "viewsPreviousFrame", QKeySequence(",")), &QAction::triggered, this,
            [this] { StepFrames(-1); });
    connect(AddAction(views, "Next Frame", "viewsNextFrame", QKeySequence(".")), &QAction::triggered, this,
            [this] { StepFrames(1); });
    connect(AddAction(views, "Go to Start", "viewsGoToStart", QKeySequence("Home")), &QAction::triggered, this,
            [this] { ip_.SetTime(TimeExtent().Start() / ip_.GetTicksPerFrame() * ip_.GetTicksPerFrame()); });
    connect(AddAction(views, "Go to End", "viewsGoToEnd", QKeySequence("End")), &QAction::triggered, this,
            [this] { ip_.SetTime(TimeExtent().End() / ip_.GetTicksPerFrame() * ip_.GetTicksPerFrame()); });

    QMenu* help = menuBar()->addMenu("&Help");
    connect(AddAction(help, "Lipsmith Studio &Help", "helpContents", QKeySequence::HelpContents), &QAction::triggered,
            this, [this] {
                const std::string path = std::string(ip_.GetDir(APP_SHARE_DIR)) + "Help\\Lipsmith.chm::/Studio.htm";
                ip_.ShowHelp(path.c_str(), this);
            });
    connect(AddAction(help, "&About Lipsmith Studio", "helpAbout", {}), &QAction::triggered, this,
            &MainWindow::ShowAbout);
}

std::vector<std::string> MainWindow::LoadPlugins() {
    std::vector<std::string> errors;
    LoadPluginsFrom(PluginDirectory(), {".dlc", ".dlu"}, &errors);
    commands_->RebuildUtilityButtons();
    if (!errors.empty()) statusBar()->showMessage(QString::fromStdString(errors.front()), 10000);
    return errors;
}

bool MainWindow::OpenScene(const QString& path) {
    playback_->Stop();
    const bool ok = document_.Open(path.toStdString());
    RefreshViews();
    return ok;
}

void MainWindow::NewScene() {
    playback_->Stop();
    if (document_.New()) {
        RefreshViews();
        for (trackview::TrackView* v : TrackViews()) v->ZoomExtents();
    }
}

Interval MainWindow::TimeExtent() const {
    Interval range = ip_.GetAnimRange();
    const SceneSound& s = sound_.Current();
    if (s.clip && s.end > s.start) range |= Interval(s.start, s.end);
    AddKeyRanges(ip_.GetRootNode(), range);
    if (range.Empty()) range = Interval(0, 100 * ip_.GetTicksPerFrame());
    return range;
}

std::vector<trackview::TrackView*> MainWindow::TrackViews() const {
    std::vector<trackview::TrackView*> views{dockView_};
    for (const QPointer<QWidget>& w : floating_) {
        if (auto* window = qobject_cast<TrackViewWindow*>(w.data())) views.push_back(window->View());
    }
    return views;
}

void MainWindow::RefreshViews() {
    sound_.Update(ip_);
    const Interval extent = TimeExtent();
    timeBar_->SetSound(&sound_.Current());
    timeBar_->SetRange(extent.Start(), extent.End());
    timeBar_->ShowTime(ip_.GetTime());
    explorer_->Refresh();
    for (trackview::TrackView* v : TrackViews()) {
        v->SetTimeExtent(extent.Start(), extent.End());
        v->Refresh();
    }
    face_->update();
    UpdateUndoActions();
    UpdateTitle();
}

void MainWindow::OnTimeMoved(TimeValue t) {
    timeBar_->ShowTime(t);
    face_->update();
    for (trackview::TrackView* v : TrackViews()) {
        v->TrackArea()->update();
        v->Ruler()->update();
    }
}

void MainWindow::UpdateUndoActions() {
    const QString u = QString::fromStdString(theHold.UndoName());
    const QString r = QString::fromStdString(theHold.RedoName());
    undo_->setText(theHold.CanUndo() ? "&Undo " + u : "&Undo");
    redo_->setText(theHold.CanRedo() ? "&Redo " + r : "&Redo");
}

void MainWindow::UpdateTitle() { setWindowTitle(QString::fromStdString(document_.Title())); }

void MainWindow::Undo() {
    if (!theHold.CanUndo() || theHold.Holding()) return;
    playback_->Stop();
    theHold.Undo();
    SetSaveRequiredFlag(TRUE);
    RefreshViews();
}

void MainWindow::Redo() {
    if (!theHold.CanRedo() || theHold.Holding()) return;
    playback_->Stop();
    theHold.Redo();
    SetSaveRequiredFlag(TRUE);
    RefreshViews();
}

void MainWindow::SetShortcutsEnabled(bool enabled) {
    shortcutsOn_ = enabled;
    for (auto& [action, key] : shortcuts_) action->setShortcut(enabled ? key : QKeySequence());
}

bool MainWindow::SetSceneSound(const QString& path, TimeValue start) {
    IWaveSound* ws = GetWaveSoundInterface(ip_.GetSoundObject());
    if (!ws) return false;
    const std::string file = path.toStdString();
    if (!file.empty()) {
        const playback::WaveClipResult r = playback::LoadWaveClip(file);
        if (!r) {
            ShowMessage(r.error, kDefaultCaption, MB_OK | MB_ICONERROR);
            return false;
        }
    }
    playback_->Stop();
    ws->SetSoundFileName(file);
    ws->SetStartTime(start);
    SetSaveRequiredFlag(TRUE);
    RefreshViews();
    return true;
}

void MainWindow::TogglePlay() {
    if (playback_->IsPlaying()) {
        playback_->Stop();
        return;
    }
    sound_.Update(ip_);
    const Interval extent = TimeExtent();
    const int tpf = ip_.GetTicksPerFrame();
    if (ip_.GetTime() >= extent.End() || ip_.GetTime() < extent.Start())
        ip_.SetTime(static_cast<TimeValue>(std::ceil(static_cast<double>(extent.Start()) / tpf)) * tpf);
    const SceneSound& s = sound_.Current();
    playback_->Play(s.clip, s.start, extent.End());
}

void MainWindow::StepFrames(int frames) {
    const int tpf = ip_.GetTicksPerFrame();
    const long long frame = static_cast<long long>(std::floor(static_cast<double>(ip_.GetTime()) / tpf)) + frames;
    ip_.SetTime(static_cast<TimeValue>(std::clamp<long long>(frame * tpf, -2000000000LL, 2000000000LL)));
}

int MainWindow::FreeViewId() const {
    for (int id = 1; id < Animatable::kMaxTrackViews; ++id) {
        bool used = false;
        for (trackview::TrackView* v : TrackViews()) used = used || v->ViewId() == id;
        if (!used) return id;
    }
    return Animatable::kMaxTrackViews - 1;  // more windows than view bits: the last ones share one
}

trackview::TrackView* MainWindow::OpenTrackViewWindow() {
    floating_.erase(std::remove_if(floating_.begin(), floating_.end(), [](const QPointer<QWidget>& w) { return !w; }),
                    floating_.end());
    auto* window = new TrackViewWindow(ip_, FreeViewId(), this);
    floating_.emplace_back(window);
    const Interval extent = TimeExtent();
    window->View()->SetTimeExtent(extent.Start(), extent.End());
    connect(window->View(), &trackview::TrackView::ExpansionChanged, this, &MainWindow::RefreshViews);
    window->show();
    window->View()->ZoomExtents();
    return window->View();
}

bool MainWindow::ShowHelpFile(const QString& file, QWidget* owner) {
    QWidget* parent = owner ? owner : this;
    if (!help_ || help_->parentWidget() != parent) {
        delete help_.data();
        help_ = new HelpViewer(parent);
    }
    return help_->ShowPage(file);
}

void MainWindow::ShowSoundDialog() {
    QDialog dialog(this);
    dialog.setObjectName("sceneSoundDialog");
    dialog.setWindowTitle("Scene Sound");
    IWaveSound* ws = GetWaveSoundInterface(ip_.GetSoundObject());
    auto* file = new QLineEdit(QString::fromStdString(ws ? ws->GetSoundFileName() : ""), &dialog);
    file->setObjectName("soundFile");
    file->setAccessibleName("Sound file");
    file->setMinimumWidth(360);
    auto* browse = new QPushButton(QString::fromUtf8("Browse\u2026"), &dialog);
    browse->setObjectName("soundBrowse");
    browse->setAccessibleName("Browse");
    auto* remove = new QPushButton("Remove", &dialog);
    remove->setObjectName("soundRemove");
    remove->setAccessibleName("Remove");
    auto* start = new QSpinBox(&dialog);
    start->setObjectName("soundStart");
    start->setAccessibleName("Start frame");
    start->setRange(-1000000, 1000000);
    const int tpf = ip_.GetTicksPerFrame();
    start->setValue(ws ? static_cast<int>(std::floor(static_cast<double>(ws->GetStartTime()) / tpf + 0.5)) : 0);
    auto* row = new QHBoxLayout;
    row->addWidget(file, 1);
    row->addWidget(browse);
    row->addWidget(remove);
    auto* form = new QFormLayout;
    form->addRow("Wave file:", row);
    form->addRow("Start frame:", start);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* box = new QVBoxLayout(&dialog);
    box->addLayout(form);
    box->addWidget(buttons);
    connect(browse, &QPushButton::clicked, &dialog, [file] {
        FileDialogRequest r;
        r.filter = "Wave Files (*.wav)|*.wav||";
        r.defaultExtension = "wav";
        r.initialName = "*.wav";
        r.hideReadOnly = true;
        if (std::optional<std::string> path = Prompts().FileDialog(r)) file->setText(QString::fromStdString(*path));
    });
    connect(remove, &QPushButton::clicked, &dialog, [file] { file->clear(); });
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (SetSceneSound(file->text().trimmed(), static_cast<TimeValue>(start->value()) * tpf)) dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.exec();
}

void MainWindow::ShowAbout() {
    QDialog about(this);
    about.setObjectName("aboutDialog");
    about.setWindowTitle("About Lipsmith Studio");
    auto* text = new QLabel(
        "<h2>Lipsmith</h2><p>Version 1.2.0</p><p>Lipsmith Studio: scenes, tracks and the face of your "
        "speech controllers, with the scene's sound.</p>",
        &about);
    text->setTextFormat(Qt::RichText);
    auto* close = new QPushButton("Close", &about);
    close->setObjectName("aboutClose");
    close->setAccessibleName("Close");
    connect(close, &QPushButton::clicked, &about, &QDialog::accept);
    auto* box = new QVBoxLayout(&about);
    box->addWidget(text);
    box->addWidget(close, 0, Qt::AlignRight);
    about.exec();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!document_.ConfirmDiscard()) {
        e->ignore();
        return;
    }
    playback_->Stop();
    utilities_->CloseUtility();
    for (QPointer<QWidget>& w : floating_) {
        if (w) w->close();
    }
    e->accept();
}

}  // namespace lipsmith::studio
