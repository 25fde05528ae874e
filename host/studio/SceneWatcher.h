// Tells the studio's views when to look at the scene again: every reference
// message of the scene (heard as a global reference maker, including those
// sent only to utilities), every scene loaded or reset and every time change.
// Scene changes come in bursts (a parse run writes thousands of keys), so
// they are gathered into one SceneChanged at most every few milliseconds.
#pragma once
#include <QObject>
#include <QTimer>
#include <memory>

#include "Interface.h"

namespace lipsmith::studio {

class SceneWatcher : public QObject, private TimeChangeCallback {
    Q_OBJECT
public:
    explicit SceneWatcher(Interface& ip, QObject* parent = nullptr);
    ~SceneWatcher() override;

    // Asks for a SceneChanged soon (several calls, one signal).
    void Touch();
    static constexpr int kGatherMs = 30;

signals:
    void SceneChanged();
    // A scene file was loaded.
    void SceneLoaded();
    void TimeMoved(TimeValue t);

private:
    class Listener;
    void TimeChanged(TimeValue t) override;
    static void OnNotify(void* param, NotifyInfo* info);

    Interface& ip_;
    std::unique_ptr<Listener> listener_;
    QTimer gather_;
};

}  // namespace lipsmith::studio
