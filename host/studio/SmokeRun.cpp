#include "SmokeRun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "FacePreview.h"
#include "MainWindow.h"
#include "PlaybackController.h"
#include "TimeBar.h"
#include "TrackView.h"

namespace lipsmith::studio {
namespace {

bool SamePose(const face::FacePose& a, const face::FacePose& b) {
    return a.mouthWidth == b.mouthWidth && a.mouthOpen == b.mouthOpen && a.pucker == b.pucker &&
           a.upperTeeth == b.upperTeeth && a.lowerTeeth == b.lowerTeeth && a.lowerLipPullback == b.lowerLipPullback &&
           a.upturn == b.upturn && a.leftBlink == b.leftBlink && a.leftBrow == b.leftBrow && a.tongue == b.tongue;
}

struct Run {
    MainWindow& window;
    SmokeOptions options;
    QElapsedTimer clock;
    int step = 0;
    int startFrame = 0;
    face::FacePose startPose;

    void Say(const char* what) { std::fprintf(stdout, "smoke: %s\n", what); std::fflush(stdout); }
    void Fail(const char* why) {
        std::fprintf(stderr, "smoke: FAILED: %s\n", why);
        QApplication::exit(1);
    }

    // One look at the window; true when the run is over.
    bool Poll() {
        if (clock.elapsed() > options.deadlineMs) {
            static const char* const what[] = {"the window did not show", "the track view shows no keys",
                                               "the face was not drawn", "playback did not move the slider and the face",
                                               "the mouth never opened for the picture", "the picture was not taken"};
            Fail(what[std::min(step, 5)]);
            return true;
        }
        trackview::TrackView* tv = window.DockTrackView();
        switch (step) {
            case 0:
                if (!window.isVisible()) return false;
                Say("window shown");
                ++step;
                [[fallthrough]];
            case 1:
                if (tv->Rows().empty() || tv->LastPaintMarks() == 0) {
                    tv->TrackArea()->update();
                    return false;
                }
                std::fprintf(stdout, "smoke: track view shows %zu rows, %d key marks\n", tv->Rows().size(),
                             tv->LastPaintMarks());
                ++step;
                [[fallthrough]];
            case 2:
                if (window.Face()->Paints() == 0 || !window.Face()->ShownNode()) return false;
                Say("face drawn");
                startFrame = window.Bar()->Slider()->value();
                startPose = window.Face()->LastPose();
                window.Bar()->PlayButton()->click();
                ++step;
                return false;
            case 3: {
                const bool moved = window.Bar()->Slider()->value() > startFrame + 5;
                const bool faceMoved = !SamePose(window.Face()->LastPose(), startPose);
                if (!moved || !faceMoved) return false;
                std::fprintf(stdout, "smoke: playing moved the slider from frame %d to %d and the face\n", startFrame,
                             window.Bar()->Slider()->value());
                ++step;
                [[fallthrough]];
            }
            case 4:
                // For the picture: the mouth wide open, the first controller's tracks shown.
                if (!options.screenshot.isEmpty() && window.Face()->LastPose().mouthOpen < 0.3f) return false;
                if (window.Playback().IsPlaying()) window.Bar()->PlayButton()->click();
                if (!options.screenshot.isEmpty()) {
                    for (const trackview::TrackRow& row : tv->Rows()) {
                        if (row.kind == trackview::RowKind::Track && row.hasChildren) {
                            if (QTreeWidgetItem* item = tv->ItemOf(row.anim)) item->setExpanded(true);
                            break;
                        }
                    }
                    tv->ShowSeconds(8.0);
                    const TimeValue left = std::max<TimeValue>(window.TimeExtent().Start(),
                                                               window.Face()->LastTime() - 2 * TIME_TICKSPERSEC);
                    tv->Axis().SetScroll(static_cast<int>(std::lround(left * tv->Axis().Zoom())));
                    tv->Refresh();
                    ++step;
                    return false;  // let the views repaint first
                }
                ++step;
                [[fallthrough]];
            case 5:
                if (!options.screenshot.isEmpty()) {
                    if (!window.grab().save(options.screenshot)) {
                        Fail("the screenshot could not be written");
                        return true;
                    }
                    Say("screenshot written");
                }
                Say("passed");
                QApplication::exit(0);
                return true;
            default: return true;
        }
    }
};

}  // namespace

void StartSmokeRun(MainWindow& window, const SmokeOptions& options) {
    auto run = std::make_shared<Run>(Run{window, options, {}, 0, 0, {}});
    run->clock.start();
    auto* timer = new QTimer(&window);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, &window, [run, timer] {
        if (run->Poll()) timer->stop();
    });
    timer->start();
}

}  // namespace lipsmith::studio
