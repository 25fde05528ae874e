// Brings the notify window's message queue into Qt's event loop on the GUI
// thread: a message posted to the queue (from the speech client's reader
// thread or from this thread) wakes the event loop, which then dispatches
// everything queued. No timer polls the queue.
#pragma once

namespace lipsmith {

// Installs the pump for the calling (GUI) thread's queue; later calls do nothing.
void InstallMessagePump();
// Dispatches every message waiting in the calling thread's queue.
void DrainMessageQueue();
// For the speech session's wait while the engine speaks: blocks until Qt has
// events or a message was posted, and handles Qt's events (paint, input,
// the Stop button). It wakes on its own after a while at the latest, so an
// engine that went away silently is noticed by the session's next question.
void WaitForQtOrQueue();
// For each turn of that wait: while notifications keep coming (the wait then
// never blocks), Qt's pending events are still handled every few
// milliseconds, so the window paints and Stop works during fast speech.
void HandleQtEventsNow();

}  // namespace lipsmith
