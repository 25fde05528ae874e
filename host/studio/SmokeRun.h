// A self-check of the real program, for the test suite and for anyone who
// wants to know that the studio works on a machine: with the scene open it
// checks that the track view shows keys and the face is drawn, presses Play
// and waits until the slider and the face have moved, then quits with the
// result. Every wait is for a condition, with a deadline.
#pragma once
#include <QString>

namespace lipsmith::studio {

class MainWindow;

struct SmokeOptions {
    QString screenshot;     // a PNG of the window once playback has moved, if given
    int deadlineMs = 30000;
};

// Starts the checks from the event loop; the application exits with 0 when
// all pass, else 1 (reasons on standard error).
void StartSmokeRun(MainWindow& window, const SmokeOptions& options);

}  // namespace lipsmith::studio
