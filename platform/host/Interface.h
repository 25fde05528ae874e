// The host as a plug-in sees it: the scene's root node, time and frame rate,
// the scene's sound, directories, time-change callbacks, broadcast
// notifications and, in a desktop host, its windows.
#pragma once
#include <string>
#include <vector>

#include "HostWindows.h"
#include "Node.h"
#include "Sound.h"

namespace lipsmith {
class UserPrompts;
}

class HOST_API TimeChangeCallback {
public:
    virtual ~TimeChangeCallback();
    virtual void TimeChanged(TimeValue t) = 0;
};

// Broadcast notification codes.
inline constexpr int NOTIFY_SYSTEM_PRE_RESET = 0x05;
inline constexpr int NOTIFY_SYSTEM_POST_RESET = 0x06;
inline constexpr int NOTIFY_FILE_PRE_OPEN = 0x09;
inline constexpr int NOTIFY_FILE_POST_OPEN = 0x0A;
inline constexpr int NOTIFY_FILE_PRE_SAVE = 0x0B;
inline constexpr int NOTIFY_FILE_POST_SAVE = 0x0C;
// The scene's nodes changed (created, deleted, linked, renamed).
inline constexpr int NOTIFY_SCENE_NODES_CHANGED = 71;

struct NotifyInfo {
    int intcode = 0;
    void* callParam = nullptr;
};
using NOTIFYPROC = void (*)(void* param, NotifyInfo* info);

// Directories for GetDir.
inline constexpr int APP_MAXROOT_DIR = 0;   // the folder of the running program
inline constexpr int APP_SCENE_DIR = 1;     // where scenes are opened and saved
inline constexpr int APP_SOUND_DIR = 2;     // where sounds are looked for
inline constexpr int APP_PLUGCFG_DIR = 3;   // per-user plug-in settings
inline constexpr int APP_HELP_DIR = 4;      // help pages
inline constexpr int APP_TEMP_DIR = 5;      // temporary files
// The installation's shared files, ending in '/': help pages live below it,
// so GetDir(APP_SHARE_DIR) + "Help\\Lipsmith.chm::/ScriptEditor.htm" names
// a page ShowHelp shows. $LIPSMITH_SHARE_DIR, else ../share/lipsmith/ beside
// the program's folder.
inline constexpr int APP_SHARE_DIR = 18;

class HOST_API Interface {
public:
    Interface();
    ~Interface();
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;

    INode* GetRootNode() const { return root_; }
    // A new node, last child of parent (the root when none).
    INode* CreateNode(const char* name, INode* parent = nullptr);
    // Deletes the node and its subtree.
    void DeleteNode(INode* node);
    // The first node with the name, depth first from the root.
    INode* GetINodeByName(const char* name) const;

    TimeValue GetTime() const { return time_; }
    // Moves the time slider; the time-change callbacks hear a change.
    void SetTime(TimeValue t, BOOL redraw = TRUE);
    void RegisterTimeChangeCallback(TimeChangeCallback* tc);
    void UnRegisterTimeChangeCallback(TimeChangeCallback* tc);

    int GetTicksPerFrame() const { return ticksPerFrame_; }
    // Frames per second, 4800 / ticks per frame.
    int GetFrameRate() const { return TIME_TICKSPERSEC / ticksPerFrame_; }
    // Sets ticks per frame to 4800 / rate; FALSE outside 1..4800.
    BOOL SetFrameRate(int rate);
    BOOL SetTicksPerFrame(int ticks);
    Interval GetAnimRange() const { return animRange_; }
    void SetAnimRange(Interval range);

    // The scene's sound object; never none.
    SoundObj* GetSoundObject() const { return sound_; }
    SoundObj* GetSoundObj() const { return sound_; }
    // Makes snd the scene's sound (none: a new default one); the old one is deleted.
    void SetSoundObject(SoundObj* snd);

    const char* GetDir(int which);
    void SetDir(int which, const char* path);

    // The scene's current file name ("" for a new scene).
    const char* GetCurFilePath() const { return curFile_.c_str(); }
    void SetCurFilePath(const char* path) { curFile_ = path ? path : ""; }

    // Empties the scene: new root, default sound, time 0, 30 frames per second.
    void ResetScene();
    // Puts a loaded scene in place of the current one (the old one is deleted).
    void ReplaceScene(INode* root, SoundObj* sound, int ticksPerFrame, TimeValue time,
                      Interval animRange);
    // Takes the scene out (for saving elsewhere or swapping): the caller owns what it gets.
    void DetachScene(INode** root, SoundObj** sound);

    // Keyboard shortcuts of the host, off while a plug-in's text field has
    // the focus. Calls nest: shortcuts are on again after as many Enable as
    // Disable calls. The host's windows hear each switch.
    void DisableAccelerators();
    void EnableAccelerators();
    bool AcceleratorsEnabled() const { return acceleratorsOff_ == 0; }

    // Windows. A desktop host installs its windows (not owned; nullptr takes
    // them away again). Without them every call below answers "no window":
    // nullptr or FALSE, and nothing happens.
    void SetHostWindows(HostWindows* windows) { windows_ = windows; }
    HostWindows* GetHostWindows() const { return windows_; }
    // The host's message boxes and file dialogs (not owned). Every module
    // has its own switch of the prompts in use, so a plug-in asks the host
    // for its prompts here; nullptr: the host has none to lend.
    void SetUserPrompts(lipsmith::UserPrompts* prompts) { prompts_ = prompts; }
    lipsmith::UserPrompts* GetUserPrompts() const { return prompts_; }
    // The main window, the parent of plug-in dialogs.
    QWidget* GetMAXHWnd();
    // Rollup pages of the command panel (see HostWindows). AddRollupPage
    // answers the page as placed in the panel, which owns it from then on;
    // nullptr when there is no panel, and the page stays the caller's.
    QWidget* AddRollupPage(QWidget* page, const char* title, DWORD flags = 0, int category = ROLLUP_CAT_STANDARD);
    void DeleteRollupPage(QWidget* page);
    BOOL IsRollupPanelOpen(QWidget* page);
    void SetRollupPanelOpen(QWidget* page, BOOL open);
    void RollupMouseMessage(QWidget* page, RollupMouse event, int screenX, int screenY);
    // Asks the views to show the scene as it is now.
    void RedrawViews(TimeValue t);
    // Shows a help topic in the help viewer. helpPath is an HTML file, or a
    // compiled-help path "FOLDER\\NAME.chm::/TOPIC.htm", which stands for the
    // page FOLDER/NAME/TOPIC.htm (see HelpTopicFile). FALSE when the page
    // does not exist or there is no viewer.
    BOOL ShowHelp(const char* helpPath, QWidget* owner = nullptr);

    void RegisterNotification(NOTIFYPROC proc, void* param, int code);
    void UnRegisterNotification(NOTIFYPROC proc, void* param, int code);
    void BroadcastNotification(int code, void* callParam = nullptr);

private:
    struct NotifyEntry {
        NOTIFYPROC proc;
        void* param;
        int code;
    };
    INode* root_ = nullptr;
    SoundObj* sound_ = nullptr;
    TimeValue time_ = 0;
    int ticksPerFrame_ = 160;
    Interval animRange_{0, 100 * 160};
    std::vector<TimeChangeCallback*> timeCallbacks_;
    std::vector<NotifyEntry> notify_;
    std::vector<std::string> dirs_;
    std::string curFile_;
    int acceleratorsOff_ = 0;
    HostWindows* windows_ = nullptr;
    lipsmith::UserPrompts* prompts_ = nullptr;
};

// The HTML file a help path stands for. Backslashes count as folder
// separators; "X.chm::/T.htm" becomes "X/T.htm" and "X.chm" alone "X/index.htm".
// Other paths are answered unchanged.
HOST_API std::string HelpTopicFile(const std::string& helpPath);

HOST_API Interface* GetCOREInterface();

// The scene has unsaved changes.
HOST_API void SetSaveRequiredFlag(BOOL req = TRUE);
HOST_API BOOL GetSaveRequiredFlag();
