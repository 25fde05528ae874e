// The studio's main window: menus File, Edit, Views and Help; the scene
// explorer; the face preview over the time slider; the command panel with
// the Utilities tab; the track view dock and floating track views. Views
// draw what the scene holds; data and undo live in the host core.
#pragma once
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

#include "HelpViewer.h"
#include "Interface.h"
#include "SceneDocument.h"
#include "SceneSoundCache.h"
#include "UtilityPanel.h"

class QAction;
class QDockWidget;
class QMenu;

namespace lipsmith::trackview {
class TrackView;
}

namespace lipsmith::studio {

class CommandPanel;
class FacePreview;
class PlaybackController;
class QtPrompts;
class SceneExplorer;
class SceneWatcher;
class StudioWindows;
class TimeBar;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Interface& ip, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the plug-ins beside the program (or in $LIPSMITH_PLUGIN_DIR)
    // and shows a button per utility class. Answers the messages of those
    // that failed.
    std::vector<std::string> LoadPlugins();
    // Opens a scene file; a file the loader refuses keeps the current scene.
    bool OpenScene(const QString& path);
    // Reads the scene again into every view.
    void RefreshViews();
    // The main window's keyboard shortcuts, switched off while a plug-in's
    // text field has the focus.
    void SetShortcutsEnabled(bool enabled);
    bool ShortcutsEnabled() const { return shortcutsOn_; }
    // Makes a wave file the scene's sound, first heard at tick start; an
    // empty path removes the sound. A file that cannot be read is refused
    // with a message and the sound stays as it was.
    bool SetSceneSound(const QString& path, TimeValue start);
    void TogglePlay();
    // Opens a floating track view (Views > Track View).
    trackview::TrackView* OpenTrackViewWindow();
    std::vector<trackview::TrackView*> TrackViews() const;
    bool ShowHelpFile(const QString& file, QWidget* owner);
    // The ticks the time slider and playback cover: the scene's range, its
    // sound and its keys.
    Interval TimeExtent() const;

    SceneDocument& Document() { return document_; }
    UtilityPanel& Utilities() { return *utilities_; }
    PlaybackController& Playback() { return *playback_; }
    const SceneSound& Sound() const { return sound_.Current(); }
    CommandPanel* Commands() const { return commands_; }
    FacePreview* Face() const { return face_; }
    TimeBar* Bar() const { return timeBar_; }
    SceneExplorer* Explorer() const { return explorer_; }
    trackview::TrackView* DockTrackView() const { return dockView_; }
    HelpViewer* Help() const { return help_; }
    QAction* UndoAction() const { return undo_; }
    QAction* RedoAction() const { return redo_; }
    // Every action that has a keyboard shortcut, with it.
    const std::vector<std::pair<QAction*, QKeySequence>>& Shortcuts() const { return shortcuts_; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildMenus();
    QAction* AddAction(QMenu* menu, const QString& text, const char* name, const QKeySequence& key);
    void UpdateUndoActions();
    void UpdateTitle();
    void OnTimeMoved(TimeValue t);
    void Undo();
    void Redo();
    void NewScene();
    void ShowSoundDialog();
    void ShowAbout();
    void StepFrames(int frames);
    int FreeViewId() const;

    Interface& ip_;
    SceneDocument document_;
    SceneSoundCache sound_;
    std::unique_ptr<StudioWindows> windows_;
    std::unique_ptr<QtPrompts> prompts_;
    std::unique_ptr<UtilityPanel> utilities_;
    SceneWatcher* watcher_ = nullptr;
    PlaybackController* playback_ = nullptr;
    CommandPanel* commands_ = nullptr;
    FacePreview* face_ = nullptr;
    TimeBar* timeBar_ = nullptr;
    SceneExplorer* explorer_ = nullptr;
    trackview::TrackView* dockView_ = nullptr;
    QPointer<HelpViewer> help_;
    std::vector<QPointer<QWidget>> floating_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QAction* play_ = nullptr;
    std::vector<std::pair<QAction*, QKeySequence>> shortcuts_;
    bool shortcutsOn_ = true;
};

}  // namespace lipsmith::studio
