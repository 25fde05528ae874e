#include "Interface.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "Hold.h"
#include "Utility.h"

namespace {

BOOL saveRequired = FALSE;

std::string ExeDirectory() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string WorkingDirectory() {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
}

INode* NewRoot() {
    auto* root = new INode();
    root->SetRootNode(true);
    root->LockAutoDelete(true);
    return root;
}

SoundObj* NewSceneSound(SoundObj* snd) {
    if (!snd) snd = NewDefaultSoundObj();
    snd->LockAutoDelete(true);
    return snd;
}

INode* FindByName(INode* node, const char* name) {
    if (!node->IsRootNode() && std::string(node->GetName()) == name) return node;
    for (int i = 0; i < node->NumberOfChildren(); ++i) {
        if (INode* found = FindByName(node->GetChildNode(i), name)) return found;
    }
    return nullptr;
}

}  // namespace

TimeChangeCallback::~TimeChangeCallback() = default;
HostWindows::~HostWindows() = default;
IUtil::~IUtil() = default;
UtilityObj::~UtilityObj() = default;

Interface::Interface() : root_(NewRoot()), sound_(NewSceneSound(nullptr)) {}

Interface::~Interface() {
    root_->DeleteThis();
    sound_->DeleteThis();
}

INode* Interface::CreateNode(const char* name, INode* parent) {
    auto* node = new INode();
    node->SetName(name);
    node->LockAutoDelete(true);
    (parent ? parent : root_)->AttachChild(node);
    BroadcastNotification(NOTIFY_SCENE_NODES_CHANGED);
    return node;
}

void Interface::DeleteNode(INode* node) {
    if (!node || node == root_) return;
    node->Detach(0);
    node->DeleteThis();
    BroadcastNotification(NOTIFY_SCENE_NODES_CHANGED);
}

INode* Interface::GetINodeByName(const char* name) const {
    return name ? FindByName(root_, name) : nullptr;
}

void Interface::SetTime(TimeValue t, BOOL) {
    if (t == time_) return;
    time_ = t;
    // A callback may unregister itself or others while we call them.
    std::vector<TimeChangeCallback*> callbacks = timeCallbacks_;
    for (TimeChangeCallback* tc : callbacks) {
        if (std::find(timeCallbacks_.begin(), timeCallbacks_.end(), tc) != timeCallbacks_.end()) {
            tc->TimeChanged(t);
        }
    }
}

void Interface::RegisterTimeChangeCallback(TimeChangeCallback* tc) {
    if (tc && std::find(timeCallbacks_.begin(), timeCallbacks_.end(), tc) == timeCallbacks_.end()) {
        timeCallbacks_.push_back(tc);
    }
}

void Interface::UnRegisterTimeChangeCallback(TimeChangeCallback* tc) {
    timeCallbacks_.erase(std::remove(timeCallbacks_.begin(), timeCallbacks_.end(), tc), timeCallbacks_.end());
}

BOOL Interface::SetFrameRate(int rate) {
    if (rate < 1 || rate > TIME_TICKSPERSEC) return FALSE;
    return SetTicksPerFrame(TIME_TICKSPERSEC / rate);
}

BOOL Interface::SetTicksPerFrame(int ticks) {
    if (ticks < 1 || ticks > TIME_TICKSPERSEC) return FALSE;
    ticksPerFrame_ = ticks;
    return TRUE;
}

void Interface::SetAnimRange(Interval range) {
    if (!range.Empty()) animRange_ = range;
}

void Interface::SetSoundObject(SoundObj* snd) {
    if (snd == sound_) return;
    SoundObj* old = sound_;
    sound_ = NewSceneSound(snd);
    old->DeleteThis();
}

namespace {

// The installation's share folder, with a trailing '/'.
std::string ShareDirectory(const std::string& exeDir) {
    std::string dir = Env("LIPSMITH_SHARE_DIR");
    if (dir.empty()) {
        auto slash = exeDir.find_last_of('/');
        const std::string prefix = slash == std::string::npos ? "." : exeDir.substr(0, slash);
        dir = prefix + "/share/lipsmith";
    }
    if (dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace

const char* Interface::GetDir(int which) {
    if (dirs_.empty()) {
        std::string exe = ExeDirectory();
        std::string cwd = WorkingDirectory();
        std::string config = Env("XDG_CONFIG_HOME");
        if (config.empty()) config = Env("HOME").empty() ? cwd + "/.config" : Env("HOME") + "/.config";
        std::string temp = Env("TMPDIR");
        dirs_ = {exe, cwd, cwd, config + "/lipsmith", exe + "/help", temp.empty() ? "/tmp" : temp};
        dirs_.resize(APP_SHARE_DIR + 1);
        dirs_[APP_SHARE_DIR] = ShareDirectory(exe);
    }
    if (which < 0 || which >= static_cast<int>(dirs_.size())) return "";
    return dirs_[static_cast<std::size_t>(which)].c_str();
}

void Interface::SetDir(int which, const char* path) {
    GetDir(0);
    if (which >= 0 && which < static_cast<int>(dirs_.size())) dirs_[static_cast<std::size_t>(which)] = path ? path : "";
}

void Interface::DisableAccelerators() {
    if (acceleratorsOff_++ == 0 && windows_) windows_->AcceleratorsChanged(FALSE);
}

void Interface::EnableAccelerators() {
    if (acceleratorsOff_ == 0) return;
    if (--acceleratorsOff_ == 0 && windows_) windows_->AcceleratorsChanged(TRUE);
}

QWidget* Interface::GetMAXHWnd() { return windows_ ? windows_->MainWindow() : nullptr; }

QWidget* Interface::AddRollupPage(QWidget* page, const char* title, DWORD flags, int category) {
    if (!windows_ || !page) return nullptr;
    return windows_->AddRollupPage(page, title ? title : "", flags, category);
}

void Interface::DeleteRollupPage(QWidget* page) {
    if (windows_ && page) windows_->DeleteRollupPage(page);
}

BOOL Interface::IsRollupPanelOpen(QWidget* page) {
    return windows_ && page ? windows_->IsRollupPageOpen(page) : FALSE;
}

void Interface::SetRollupPanelOpen(QWidget* page, BOOL open) {
    if (windows_ && page) windows_->SetRollupPageOpen(page, open);
}

void Interface::RollupMouseMessage(QWidget* page, RollupMouse event, int screenX, int screenY) {
    if (windows_ && page) windows_->RollupMouseMessage(page, event, screenX, screenY);
}

void Interface::RedrawViews(TimeValue t) {
    if (windows_) windows_->RedrawViews(t);
}

BOOL Interface::ShowHelp(const char* helpPath, QWidget* owner) {
    if (!windows_ || !helpPath || !*helpPath) return FALSE;
    return windows_->ShowHelpPage(HelpTopicFile(helpPath), owner);
}

std::string HelpTopicFile(const std::string& helpPath) {
    std::string path = helpPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string topic;
    if (auto sep = path.find("::"); sep != std::string::npos) {
        topic = path.substr(sep + 2);
        path.erase(sep);
    }
    const std::string chm = ".chm";
    const bool compiled = path.size() > chm.size() &&
                          std::equal(chm.rbegin(), chm.rend(), path.rbegin(),
                                     [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    if (!compiled) return path;
    path.erase(path.size() - chm.size());
    while (!topic.empty() && topic.front() == '/') topic.erase(0, 1);
    return path + "/" + (topic.empty() ? std::string("index.htm") : topic);
}

void Interface::ResetScene() {
    ReplaceScene(NewRoot(), nullptr, 160, 0, Interval(0, 100 * 160));
    curFile_.clear();
}

void Interface::ReplaceScene(INode* root, SoundObj* sound, int ticksPerFrame, TimeValue time, Interval animRange) {
    INode* oldRoot = root_;
    SoundObj* oldSound = sound_;
    root_ = root ? root : NewRoot();
    root_->SetRootNode(true);
    root_->LockAutoDelete(true);
    sound_ = NewSceneSound(sound);
    if (!SetTicksPerFrame(ticksPerFrame)) ticksPerFrame_ = 160;
    if (!animRange.Empty()) animRange_ = animRange;
    oldRoot->DeleteThis();
    if (oldSound != sound_) oldSound->DeleteThis();
    theHold.ClearUndo();
    SetTime(time);
    BroadcastNotification(NOTIFY_SCENE_NODES_CHANGED);
}

void Interface::DetachScene(INode** root, SoundObj** sound) {
    if (root) *root = root_;
    else root_->DeleteThis();
    if (sound) *sound = sound_;
    else sound_->DeleteThis();
    root_ = NewRoot();
    sound_ = NewSceneSound(nullptr);
}

void Interface::RegisterNotification(NOTIFYPROC proc, void* param, int code) {
    if (!proc) return;
    for (const NotifyEntry& e : notify_) {
        if (e.proc == proc && e.param == param && e.code == code) return;
    }
    notify_.push_back({proc, param, code});
}

void Interface::UnRegisterNotification(NOTIFYPROC proc, void* param, int code) {
    notify_.erase(std::remove_if(notify_.begin(), notify_.end(),
                                 [&](const NotifyEntry& e) { return e.proc == proc && e.param == param && e.code == code; }),
                  notify_.end());
}

void Interface::BroadcastNotification(int code, void* callParam) {
    std::vector<NotifyEntry> entries = notify_;
    for (const NotifyEntry& e : entries) {
        if (e.code != code) continue;
        bool still = std::any_of(notify_.begin(), notify_.end(), [&](const NotifyEntry& n) {
            return n.proc == e.proc && n.param == e.param && n.code == e.code;
        });
        if (!still) continue;
        NotifyInfo info{code, callParam};
        e.proc(e.param, &info);
    }
}

Interface* GetCOREInterface() {
    // Never destroyed: plug-ins whose objects live in the scene may already
    // be finalised when the process exits.
    static Interface* ip = new Interface();
    return ip;
}

void SetSaveRequiredFlag(BOOL req) { saveRequired = req; }
BOOL GetSaveRequiredFlag() { return saveRequired; }
