#include "ScriptDlgWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AboutDlg.h"
#include "CNumbers.h"
#include "FindReplaceDlg.h"
#include "MessageBox.h"
#include "MessagePump.h"
#include "OutputPane.h"
#include "Pictures.h"
#include "ProgressDlg.h"
#include "ScriptEditControl.h"
#include "ScriptEditor.h"
#include "SpeechController.h"
#include "TagDialogs.h"
#include "TagMenu.h"
#include "UtilityResource.h"

namespace lipsmith {

namespace {

constexpr int kItemRole = Qt::UserRole + 1;   // the node or controller of a tree item
constexpr int kIsControllerRole = Qt::UserRole + 2;

QString Id(int id) { return QStringLiteral("ctl%1").arg(id); }

template <class W>
W* Named(W* w, int id, const char* accessible) {
    w->setObjectName(Id(id));
    w->setAccessibleName(QString::fromUtf8(accessible));
    return w;
}

void Place(QWidget* w, const LayoutRect& r) { w->setGeometry(r.x, r.y, r.width, r.height); }

}  // namespace

// Lays the controls out whenever the client area changes size.
class EditorClient : public QWidget {
public:
    EditorClient(QWidget* parent, std::function<void()> layOut) : QWidget(parent), layOut_(std::move(layOut)) {}

protected:
    void resizeEvent(QResizeEvent*) override { layOut_(); }

private:
    std::function<void()> layOut_;
};

ScriptDlgWindow::ScriptDlgWindow(ScriptEditor& editor, Interface& ip, QWidget* owner)
    : QDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint),
      editor_(editor), ip_(ip) {
    // The window's accessible name is its title ("Untitled" or the script's path).
    setObjectName("ScriptDlg");
    setModal(false);
    setSizeGripEnabled(true);
    // The dialog font the layout's pixel sizes are made for.
    QFont dialogFont(QStringLiteral("Arial"));
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("ScriptDlgMenu");
    layout->setMenuBar(menuBar_);
    client_ = new EditorClient(this, [this] { LayOut(); });
    client_->setObjectName("ScriptDlgClient");
    layout->addWidget(client_);
    BuildMenus();
    BuildControls();
    client_->setMinimumSize(kMinEditorWidth, kMinEditorHeight);
    resize(kMinEditorWidth + 10, 500);

    InstallMessagePump();
    editor_.onChange = [this](EditorChange what) { OnChange(what); };
    SpeechSession& session = editor_.Session();
    session.onRunControlsEnabled = [this](bool enabled) { SetRunControlsEnabled(enabled); };
    session.onProgressOpened = [this](ProgressModel& model) {
        // The editor waits while the progress window offers Stop.
        client_->setEnabled(false);
        menuBar_->setEnabled(false);
        progress_ = new ProgressDlg(model, this);
        progress_->show();
    };
    session.onProgressClosed = [this] {
        if (progress_) {
            progress_->Detach();
            delete progress_;
            progress_ = nullptr;
        }
        client_->setEnabled(true);
        menuBar_->setEnabled(true);
    };
    session.waitForEvents = [] { WaitForQtOrQueue(); };
    session.onWaitTurn = [] { HandleQtEventsNow(); };

    ShowTitle();
    ShowOptions();
    ShowMode();
    ShowInFrame();
    ShowActors();
    ShowPosition();
    LayOut();
}

ScriptDlgWindow::~ScriptDlgWindow() {
    editor_.onChange = nullptr;
    SpeechSession& session = editor_.Session();
    session.onRunControlsEnabled = nullptr;
    session.onProgressOpened = nullptr;
    session.onProgressClosed = nullptr;
    session.waitForEvents = nullptr;
    session.onWaitTurn = nullptr;
    delete progress_;
    delete find_.data();
    for (const QObject* source : std::set<const QObject*>(shortcutsOff_)) SetShortcutsOff(source, false);
}

// --- Building -----------------------------------------------------------------------

QAction* ScriptDlgWindow::AddItem(QMenu* menu, const char* text, int id) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(Id(id));
    actions_[id] = a;
    return a;
}

void ScriptDlgWindow::BuildMenus() {
    QMenu* file = menuBar_->addMenu(tr("&File"));
    file->setObjectName("menuFile");
    connect(AddItem(file, "&Load", ID_FILE_LOAD), &QAction::triggered, this, [this] { editor_.Load(); });
    actions_[ID_FILE_LOAD]->setShortcut(QKeySequence::Open);
    connect(AddItem(file, "&Save", ID_FILE_SAVE), &QAction::triggered, this, [this] { editor_.Save(); });
    actions_[ID_FILE_SAVE]->setShortcut(QKeySequence::Save);
    connect(AddItem(file, "Save &As", ID_FILE_SAVE_AS), &QAction::triggered, this, [this] { editor_.SaveAs(); });
    file->addSeparator();
    connect(AddItem(file, "&Exit", ID_FILE_EXIT), &QAction::triggered, this, [this] { CloseCommand(); });

    // The shortcuts shown here are the script control's own keys.
    QMenu* edit = menuBar_->addMenu(tr("&Edit"));
    edit->setObjectName("menuEdit");
    connect(AddItem(edit, "&Undo          Ctrl+Z", ID_EDIT_UNDO), &QAction::triggered, this,
            [this] { script_->UndoEdit(); });
    connect(AddItem(edit, "&Redo          Ctrl+Y", ID_EDIT_REDO), &QAction::triggered, this,
            [this] { script_->RedoEdit(); });
    edit->addSeparator();
    connect(AddItem(edit, "&Cut             Ctrl+X", ID_EDIT_CUT), &QAction::triggered, this,
            [this] { script_->CutSelection(); });
    connect(AddItem(edit, "C&opy           Ctrl+C", ID_EDIT_COPY), &QAction::triggered, this,
            [this] { script_->CopySelection(); });
    connect(AddItem(edit, "&Paste          Ctrl+V", ID_EDIT_PASTE), &QAction::triggered, this,
            [this] { script_->PasteClipboard(); });
    edit->addSeparator();
    connect(AddItem(edit, "&Find            Ctrl+F", ID_EDIT_FIND), &QAction::triggered, this,
            [this] { OpenFind(false); });
    connect(AddItem(edit, "&Replace      Ctrl+H", ID_EDIT_REPLACE), &QAction::triggered, this,
            [this] { OpenFind(true); });
    connect(edit, &QMenu::aboutToShow, this, [this] {
        actions_[ID_EDIT_UNDO]->setEnabled(editor_.Script().CanUndo());
        actions_[ID_EDIT_REDO]->setEnabled(editor_.Script().CanRedo());
        const bool selection = !editor_.Script().SelectionEmpty();
        actions_[ID_EDIT_CUT]->setEnabled(selection);
        actions_[ID_EDIT_COPY]->setEnabled(selection);
    });

    QMenu* view = menuBar_->addMenu(tr("&View"));
    view->setObjectName("menuView");
    QAction* actorsView = AddItem(view, "&Actors View", ID_VIEW_ACTORS);
    actorsView->setCheckable(true);
    actorsView->setChecked(true);
    connect(actorsView, &QAction::toggled, this, [this](bool on) {
        editor_.SetActorsVisible(on);
        LayOut();
    });
    QAction* verbose = AddItem(view, "V&erbose Output", ID_VIEW_VERBOSE);
    verbose->setCheckable(true);
    connect(verbose, &QAction::triggered, this, [this] {
        editor_.ToggleVerbose();
        actions_[ID_VIEW_VERBOSE]->setChecked(editor_.Dlg().verboseOutput);
    });

    QMenu* mode = menuBar_->addMenu(tr("&Mode"));
    mode->setObjectName("menuMode");
    QAction* tts = AddItem(mode, "&Text-To-Speech", ID_MODE_TTS);
    QAction* phrase = AddItem(mode, "&Phrase", ID_MODE_PHRASE);
    tts->setCheckable(true);
    phrase->setCheckable(true);
    connect(tts, &QAction::triggered, this, [this] {
        editor_.SwitchMode(EditorMode::TextToSpeech);
        ShowMode();
    });
    connect(phrase, &QAction::triggered, this, [this] {
        editor_.SwitchMode(EditorMode::Phrase);
        ShowMode();
    });

    QMenu* help = menuBar_->addMenu(tr("&Help"));
    help->setObjectName("menuHelp");
    QAction* contents = AddItem(help, "&Contents", ID_HELP_CONTENTS);
    contents->setShortcut(QKeySequence::HelpContents);
    connect(contents, &QAction::triggered, this, [this] { ShowHelp(); });
    connect(AddItem(help, "&About", ID_HELP_ABOUT), &QAction::triggered, this, [this] {
        AboutDlg about(this);
        about.exec();
    });
}

void ScriptDlgWindow::BuildControls() {
    QWidget* c = client_;
    // Frames first, so the controls they surround lie above them.
    scriptGroup_ = Named(new QGroupBox(tr("Script"), c), IDC_SCRIPT_GROUP, "Script");
    actorsGroup_ = Named(new QGroupBox(tr("Actors"), c), IDC_ACTORS_GROUP, "Actors");
    outputGroup_ = Named(new QGroupBox(tr("Parser Output"), c), IDC_OUTPUT_GROUP, "Parser Output");
    keyGroup_ = Named(new QGroupBox(tr("Key Creation"), c), IDC_KEY_CREATION, "Key Creation");
    // Group titles sit on the frame's top line, as the pixel layout expects.
    for (QGroupBox* g : {scriptGroup_, actorsGroup_, outputGroup_, keyGroup_})
        g->setStyleSheet(QStringLiteral(
            "QWidget { font-family: \"Arial\"; font-size: 8pt; }"
            "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
            "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; padding: 0 2px; }"));

    script_ = new ScriptEditControl(editor_.Dlg(), c);
    script_->onFind = [this] { OpenFind(false); };
    script_->onReplace = [this] { OpenFind(true); };
    script_->onPositionField = [this] { ShowPosition(); };
    script_->onFocus = [this](bool in) { SetShortcutsOff(script_, in); };
    script_->onContextMenu = [this](const QPoint& pos) { ShowTagMenu(pos); };

    position_ = Named(new QLineEdit(c), IDC_POSITION, "Position");
    position_->setReadOnly(true);
    position_->setFocusPolicy(Qt::ClickFocus);

    actors_ = Named(new QTreeWidget(c), IDC_ACTORS, "Actors");
    actors_->setHeaderHidden(true);
    actors_->setIconSize(QSize(16, 16));
    actors_->setExpandsOnDoubleClick(true);
    QPalette p = actors_->palette();
    p.setColor(QPalette::Base, QColor(200, 200, 225));
    actors_->setPalette(p);
    actors_->installEventFilter(this);
    connect(actors_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!item || !item->data(0, kIsControllerRole).toBool()) return;
        auto* controller = reinterpret_cast<SpeechController*>(item->data(0, kItemRole).value<quintptr>());
        editor_.ToggleActive(controller);
    });

    output_ = new OutputPane(editor_.Dlg().Output(), c);
    output_->onRowClicked = [this](long row, long col) {
        if (editor_.Script().SelectLine(static_cast<std::size_t>(row))) {
            editor_.Dlg().SetPositionField(row, col < 0 ? 0 : col);
            ShowPosition();
            script_->setFocus();
        }
    };

    QWidget* k = keyGroup_;
    insert_ = Named(new QRadioButton(tr("Insert"), k), IDC_INSERT, "Insert");
    replace_ = Named(new QRadioButton(tr("Replace"), k), IDC_REPLACE, "Replace");
    connect(insert_, &QRadioButton::clicked, this, [this] {
        if (insert_->isChecked()) editor_.SetReplaceMode(false);
    });
    connect(replace_, &QRadioButton::clicked, this, [this] {
        if (replace_->isChecked()) editor_.SetReplaceMode(true);
    });
    inFrameLabel_ = Named(new QLabel(tr("In Frame"), k), IDC_IN_FRAME_LABEL, "In Frame");
    inFrame_ = Named(new QLineEdit(k), IDC_IN_FRAME, "In Frame");
    inFrameLabel_->setBuddy(inFrame_);
    inFrame_->setAlignment(Qt::AlignCenter);
    inFrame_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), inFrame_));
    connect(inFrame_, &QLineEdit::textEdited, this,
            [this](const QString& text) { editor_.SetInFrame(text.toULongLong()); });
    lock_ = Named(new QToolButton(k), IDC_LOCK, "Lock In Frame to the time slider");
    lock_->setCheckable(true);
    lock_->setIconSize(QSize(20, 16));
    lock_->setToolTip(tr("In Frame follows the time slider"));
    connect(lock_, &QToolButton::toggled, this, [this](bool down) { editor_.SetInFrameLock(down); });
    deleteAfter_ = Named(new QCheckBox(tr("Delete keys after in frame"), k), IDC_DELETE_AFTER,
                         "Delete keys after in frame");
    scratch_ = Named(new QCheckBox(tr("Generate scratch track"), k), IDC_SCRATCH, "Generate scratch track");
    undo_ = Named(new QCheckBox(tr("Enable Undo"), k), IDC_UNDO, "Enable Undo");
    connect(deleteAfter_, &QCheckBox::clicked, this,
            [this](bool on) { editor_.SetOption(&RunOptions::deleteKeysAfterInFrame, on); });
    connect(scratch_, &QCheckBox::clicked, this,
            [this](bool on) { editor_.SetOption(&RunOptions::generateScratchTrack, on); });
    connect(undo_, &QCheckBox::clicked, this, [this](bool on) { editor_.SetOption(&RunOptions::enableUndo, on); });

    parse_ = Named(new QPushButton(tr("Parse Script"), c), IDC_PARSE, "Parse Script");
    parse_->setShortcut(QKeySequence(Qt::Key_F5));
    connect(parse_, &QPushButton::clicked, this, [this] { RunButton(); });
    close_ = Named(new QPushButton(tr("Close"), c), IDC_CLOSE, "Close");
    connect(close_, &QPushButton::clicked, this, [this] { CloseCommand(); });

    setTabOrder(script_, actors_);
    setTabOrder(actors_, output_);
    setTabOrder(output_, insert_);
    setTabOrder(insert_, replace_);
    setTabOrder(replace_, inFrame_);
    setTabOrder(inFrame_, lock_);
    setTabOrder(lock_, deleteAfter_);
    setTabOrder(deleteAfter_, scratch_);
    setTabOrder(scratch_, undo_);
    setTabOrder(undo_, parse_);
    setTabOrder(parse_, close_);
}

void ScriptDlgWindow::LayOut() {
    const EditorLayout l = editor_.Layout(client_->width(), client_->height());
    Place(scriptGroup_, l.scriptGroup);
    Place(script_, l.script);
    Place(position_, l.position);
    const bool tree = editor_.ActorsVisible();
    actorsGroup_->setVisible(tree);
    actors_->setVisible(tree);
    if (tree) {
        Place(actorsGroup_, l.actorsGroup);
        Place(actors_, l.actors);
    }
    Place(outputGroup_, l.outputGroup);
    Place(output_, l.output);
    Place(keyGroup_, l.keyCreation);
    Place(parse_, l.parse);
    Place(close_, l.close);
    // Inside the Key Creation group: two rows below its title.
    const int row1 = 13, row2 = 29, h = 15;
    insert_->setGeometry(8, row1, 58, h);
    replace_->setGeometry(70, row1, 70, h);
    inFrameLabel_->setGeometry(160, row1, 48, h);
    inFrame_->setGeometry(210, row1, 60, h);
    lock_->setGeometry(274, row1 - 1, 28, h + 2);
    deleteAfter_->setGeometry(8, row2, 170, h);
    scratch_->setGeometry(182, row2, 148, h);
    undo_->setGeometry(334, row2, 100, h);
}

FindReplaceDlg* ScriptDlgWindow::FindDialog() const { return find_.data(); }

void ScriptDlgWindow::ShowEditor() {
    show();
    raise();
    activateWindow();
    LayOut();
    script_->setFocus();
}

// --- Showing the core's state ----------------------------------------------------------

void ScriptDlgWindow::OnChange(EditorChange what) {
    switch (what) {
        case EditorChange::Title: ShowTitle(); break;
        case EditorChange::Options: ShowOptions(); break;
        case EditorChange::Mode: ShowMode(); break;
        case EditorChange::InFrame: ShowInFrame(); break;
        case EditorChange::Actors: ShowActors(); break;
        case EditorChange::WaveFile: break;
    }
}

void ScriptDlgWindow::ShowTitle() { setWindowTitle(QString::fromStdString(editor_.Title())); }

void ScriptDlgWindow::ShowOptions() {
    const RunOptions& o = editor_.Options();
    replace_->setChecked(editor_.Dlg().replaceMode != 0);
    insert_->setChecked(editor_.Dlg().replaceMode == 0);
    deleteAfter_->setChecked(o.deleteKeysAfterInFrame);
    scratch_->setChecked(o.generateScratchTrack);
    undo_->setChecked(o.enableUndo);
    const bool forced = editor_.OptionsForced();
    scratch_->setEnabled(runControlsEnabled_ && !forced);
    undo_->setEnabled(runControlsEnabled_ && !forced);
    const bool locked = editor_.InFrameLocked();
    if (lock_->isChecked() != locked) {
        const QSignalBlocker block(lock_);
        lock_->setChecked(locked);
    }
    lock_->setIcon(QIcon(UtilityPicture(locked ? IDB_LOCKED : IDB_UNLOCKED)));
}

void ScriptDlgWindow::ShowMode() {
    const bool phrase = editor_.Mode() == EditorMode::Phrase;
    actions_[ID_MODE_TTS]->setChecked(!phrase);
    actions_[ID_MODE_PHRASE]->setChecked(phrase);
    scriptGroup_->setTitle(phrase ? tr("Phrase") : tr("Script"));
    scriptGroup_->setAccessibleName(phrase ? QStringLiteral("Phrase") : QStringLiteral("Script"));
    parse_->setText(phrase ? tr("Speak Phrase") : tr("Parse Script"));
    parse_->setAccessibleName(parse_->text());
    ShowOptions();
}

void ScriptDlgWindow::ShowInFrame() {
    const QString text = QString::number(editor_.InFrame());
    if (inFrame_->text() != text) inFrame_->setText(text);
}

void ScriptDlgWindow::ShowPosition() { position_->setText(QString::fromStdString(editor_.Dlg().PositionField())); }

void ScriptDlgWindow::ShowActors() {
    const QIcon icons[3] = {QIcon(UtilityPicture(IDB_NODE)), QIcon(UtilityPicture(IDB_INACTIVE_CONTROLLER)),
                            QIcon(UtilityPicture(IDB_ACTIVE_CONTROLLER))};
    const std::vector<ActorItem>& items = editor_.Actors().Items();
    auto show = [&](QTreeWidgetItem* item, const ActorItem& a) {
        item->setText(0, QString::fromStdString(a.label));
        item->setIcon(0, icons[static_cast<int>(a.image)]);
        if (a.controller)
            item->setData(0, Qt::AccessibleDescriptionRole,
                          a.image == ActorImage::ActiveController ? tr("active") : tr("inactive"));
    };
    auto key = [](const QTreeWidgetItem* item) { return item->data(0, kItemRole).value<quintptr>(); };
    // The same nodes and controllers: labels and pictures change in place (a
    // double-click must not lose the item it is being handled on).
    bool same = actors_->topLevelItemCount() == static_cast<int>(items.size());
    for (std::size_t i = 0; same && i < items.size(); ++i) {
        const QTreeWidgetItem* top = actors_->topLevelItem(static_cast<int>(i));
        same = key(top) == reinterpret_cast<quintptr>(items[i].node) &&
               top->childCount() == static_cast<int>(items[i].children.size());
        for (std::size_t k = 0; same && k < items[i].children.size(); ++k)
            same = key(top->child(static_cast<int>(k))) == reinterpret_cast<quintptr>(items[i].children[k].controller);
    }
    if (same) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            QTreeWidgetItem* top = actors_->topLevelItem(static_cast<int>(i));
            show(top, items[i]);
            for (std::size_t k = 0; k < items[i].children.size(); ++k)
                show(top->child(static_cast<int>(k)), items[i].children[k]);
        }
        return;
    }
    // Keep what the user had opened and selected, by the scene objects.
    std::set<quintptr> expanded;
    quintptr selected = 0;
    for (int i = 0; i < actors_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = actors_->topLevelItem(i);
        if (item->isExpanded()) expanded.insert(item->data(0, kItemRole).value<quintptr>());
    }
    if (QTreeWidgetItem* current = actors_->currentItem()) selected = current->data(0, kItemRole).value<quintptr>();

    actors_->clear();
    for (const ActorItem& node : items) {
        auto* top = new QTreeWidgetItem(actors_);
        show(top, node);
        top->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(node.node)));
        top->setData(0, kIsControllerRole, false);
        for (const ActorItem& c : node.children) {
            auto* child = new QTreeWidgetItem(top);
            show(child, c);
            child->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(c.controller)));
            child->setData(0, kIsControllerRole, true);
            if (reinterpret_cast<quintptr>(c.controller) == selected) actors_->setCurrentItem(child);
        }
        if (expanded.count(reinterpret_cast<quintptr>(node.node))) top->setExpanded(true);
        if (reinterpret_cast<quintptr>(node.node) == selected) actors_->setCurrentItem(top);
    }
}

// --- Commands -------------------------------------------------------------------

void ScriptDlgWindow::SetRunControlsEnabled(bool enabled) {
    runControlsEnabled_ = enabled;
    for (QWidget* w : std::initializer_list<QWidget*>{insert_, replace_, close_, parse_, deleteAfter_, inFrame_, lock_})
        w->setEnabled(enabled);
    const bool forced = editor_.OptionsForced();
    scratch_->setEnabled(enabled && !forced);
    undo_->setEnabled(enabled && !forced);
    // The host's main window waits for the run as well.
    if (QWidget* main = ip_.GetMAXHWnd(); main && main != this) main->setEnabled(enabled);
}

void ScriptDlgWindow::RunButton() {
    PhraseListenerInput selection;
    if (QTreeWidgetItem* item = actors_->currentItem()) {
        selection.itemSelected = true;
        QTreeWidgetItem* node = item->parent() ? item->parent() : item;
        selection.actorNode = reinterpret_cast<const INode*>(node->data(0, kItemRole).value<quintptr>());
    }
    editor_.RunCommand(selection);
    ShowPosition();
}

void ScriptDlgWindow::reject() { CloseCommand(); }

void ScriptDlgWindow::CloseCommand() {
    if (editor_.Running()) return;
    if (!editor_.SavePrompt(true)) return;
    hide();
}

void ScriptDlgWindow::closeEvent(QCloseEvent* e) {
    // Closing the window: the save prompt, and the time slider is no longer followed.
    e->ignore();
    if (editor_.Running() || !editor_.SavePrompt(true)) return;
    ip_.UnRegisterTimeChangeCallback(&editor_);
    hide();
}

void ScriptDlgWindow::ShowTagMenu(const QPoint& globalPos) {
    const std::vector<std::string> voices = editor_.voiceNames ? editor_.voiceNames() : std::vector<std::string>{};
    const TagMenuItem items = BuildTagMenu(editor_.ActorNames(), voices);
    int chosen = 0;
    QMenu* menu = MakeTagMenu(items, this, &chosen);
    menu->exec(globalPos);
    delete menu;
    if (chosen) TagCommand(chosen);
}

void ScriptDlgWindow::TagCommand(int id) {
    const std::vector<std::string> voices = editor_.voiceNames ? editor_.voiceNames() : std::vector<std::string>{};
    TagMenu menu(editor_.Dlg(), editor_.ActorNames(), voices);
    TagDialogs dialogs;
    dialogs.runCueDialog = [this](EyesTagDlg& dlg) {
        EyesTagDlgWindow window(dlg, this);
        return window.exec() == QDialog::Accepted;
    };
    dialogs.runSilenceDialog = [this](SilenceDlg& dlg) {
        SilenceDlgWindow window(dlg, this);
        return window.exec() == QDialog::Accepted;
    };
    dialogs.cut = [this] { script_->CutSelection(); };
    dialogs.copy = [this] { script_->CopySelection(); };
    dialogs.paste = [this] { script_->PasteClipboard(); };
    menu.Command(id, dialogs);
    // The user goes on typing where the tag went in (a dialog that was
    // shown took the window's activation with it).
    activateWindow();
    script_->setFocus();
}

void ScriptDlgWindow::OpenFind(bool replace) {
    // Each request opens a new dialog in place of the one before.
    if (find_) find_->close();
    find_ = new FindReplaceDlg(editor_, *script_, replace, this);
    find_->show();
    find_->raise();
    find_->activateWindow();
}

void ScriptDlgWindow::ShowHelp() {
    const std::string path = editor_.HelpPath();
    if (!ip_.ShowHelp(path.c_str(), this))
        ShowMessage(CFormat("The help page '%s' could not be shown.", HelpTopicFile(path).c_str()), kDefaultCaption,
                    MB_OK | MB_ICONWARNING);
}

void ScriptDlgWindow::SetShortcutsOff(const QObject* source, bool off) {
    if (off) {
        if (shortcutsOff_.insert(source).second) ip_.DisableAccelerators();
    } else if (shortcutsOff_.erase(source)) {
        ip_.EnableAccelerators();
    }
}

bool ScriptDlgWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == actors_ && (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut))
        SetShortcutsOff(actors_, e->type() == QEvent::FocusIn);
    return QDialog::eventFilter(watched, e);
}

}  // namespace lipsmith
