#include "SceneWatcher.h"

namespace lipsmith::studio {

// Claims the utilities' super class so that it also hears what speech
// controllers tell utilities only (a channel changed in its dialog).
class SceneWatcher::Listener : public ReferenceMaker {
public:
    explicit Listener(SceneWatcher* watcher) : watcher_(watcher) {}
    SClass_ID SuperClassID() override { return UTILITY_CLASS_ID; }
    RefResult NotifyRefChanged(Interval, RefTargetHandle, PartID&, RefMessage) override {
        watcher_->Touch();
        return REF_SUCCEED;
    }

private:
    SceneWatcher* watcher_;
};

SceneWatcher::SceneWatcher(Interface& ip, QObject* parent)
    : QObject(parent), ip_(ip), listener_(std::make_unique<Listener>(this)) {
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    connect(&gather_, &QTimer::timeout, this, &SceneWatcher::SceneChanged);
    RegisterGlobalReference(listener_.get());
    ip_.RegisterTimeChangeCallback(this);
    for (int code : {NOTIFY_SCENE_NODES_CHANGED, NOTIFY_FILE_POST_OPEN})
        ip_.RegisterNotification(&SceneWatcher::OnNotify, this, code);
}

SceneWatcher::~SceneWatcher() {
    for (int code : {NOTIFY_SCENE_NODES_CHANGED, NOTIFY_FILE_POST_OPEN})
        ip_.UnRegisterNotification(&SceneWatcher::OnNotify, this, code);
    ip_.UnRegisterTimeChangeCallback(this);
    UnRegisterGlobalReference(listener_.get());
}

void SceneWatcher::Touch() {
    if (!gather_.isActive()) gather_.start();
}

void SceneWatcher::TimeChanged(TimeValue t) { emit TimeMoved(t); }

void SceneWatcher::OnNotify(void* param, NotifyInfo* info) {
    auto* self = static_cast<SceneWatcher*>(param);
    if (info && info->intcode == NOTIFY_FILE_POST_OPEN) emit self->SceneLoaded();
    self->Touch();
}

}  // namespace lipsmith::studio
