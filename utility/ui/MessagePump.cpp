#include "MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>

#include "MessageQueue.h"

namespace lipsmith {

namespace {

constexpr int kLongestWaitMs = 500;
constexpr int kEventsEveryMs = 10;
const QEvent::Type kQueueEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class Pump : public QObject {
public:
    // Called on any thread after a message was queued; one event at a time.
    void Wake() {
        if (!pending_.exchange(true)) QCoreApplication::postEvent(this, new QEvent(kQueueEvent));
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != kQueueEvent) return QObject::event(e);
        pending_ = false;
        DrainMessageQueue();
        return true;
    }

private:
    std::atomic<bool> pending_{false};
};

Pump* thePump = nullptr;

}  // namespace

void InstallMessagePump() {
    if (thePump || !QCoreApplication::instance()) return;
    // Kept for the life of the process: another thread may still be waking
    // it just as the application goes.
    thePump = new Pump();
    Pump* pump = thePump;
    QObject::connect(QCoreApplication::instance(), &QObject::destroyed, [] { SetQueueWakeHook(nullptr); });
    SetQueueWakeHook([pump] { pump->Wake(); });
}

void DrainMessageQueue() {
    MSG msg;
    while (PeekMessage(&msg, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

void WaitForQtOrQueue() {
    QTimer guard;
    guard.setSingleShot(true);
    guard.start(kLongestWaitMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void HandleQtEventsNow() {
    static QElapsedTimer since;
    if (since.isValid() && since.elapsed() < kEventsEveryMs) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    since.start();
}

}  // namespace lipsmith
