// Time to paint one frame of a track view showing 25 speech controllers of
// 20,000 keys and notes each (about 30 minutes of dialogue), at full zoom-out
// and at a one-second zoom, with the controllers folded (25 rows) and
// unfolded (their note and key tracks shown). Target: under 16 ms a frame.
// Runs offscreen; prints figures.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "SpeechController.h"
#include "TrackView.h"

using namespace lipsmith;

namespace {

constexpr int kControllers = 25;
constexpr int kKeys = 20000;
constexpr TimeValue kSpacing = 430;  // about 11 phonemes a second

double MedianMs(trackview::TrackView& view, int runs) {
    QWidget* area = view.TrackArea();
    QImage image(area->size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        {
            QPainter p(&image);
            view.PaintTracks(p, area->rect());
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void Figures(trackview::TrackView& view, const char* layout) {
    view.ZoomExtents();
    MedianMs(view, 3);  // warm up
    const double out = MedianMs(view, 21);
    const int outMarks = view.LastPaintMarks();
    view.ShowSeconds(1.0);
    view.Axis().SetScroll(static_cast<int>(kKeys / 2 * kSpacing * view.Axis().Zoom()));  // the middle of the dialogue
    const double second = MedianMs(view, 21);
    const int secondMarks = view.LastPaintMarks();
    std::printf("%-9s full zoom-out: %6.2f ms a frame (%d marks drawn); 1-second zoom: %6.2f ms a frame (%d marks) "
                "[target < 16 ms]\n",
                layout, out, outMarks, second, secondMarks);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ClassDirectory::Get().AddClass(GetSpeechControllerDesc());
    Interface& ip = *GetCOREInterface();
    ip.ResetScene();
    INode* head = ip.CreateNode("Head");
    std::vector<SpeechController*> controllers;
    for (int k = 0; k < kControllers; ++k) {
        auto* c = new SpeechController();
        c->channel = 1 + k % 14;
        for (int i = 0; i < kKeys; ++i) {
            const float v = static_cast<float>((i * 37 + k) % 100);
            c->SetValueLocalTime(i * kSpacing, const_cast<float*>(&v));
            c->AddNote(i * kSpacing, "aa");
        }
        head->AddTrack(ChannelName(c->channel), c);
        controllers.push_back(c);
    }
    ip.SetAnimRange(Interval(0, kKeys * kSpacing));

    trackview::TrackView view(ip, 0);
    view.resize(1600, 1000);
    view.SetTimeExtent(0, kKeys * kSpacing);
    view.show();
    QApplication::processEvents();
    std::printf("Track view, %d controllers x %d keys and notes, time line %d x %d pixels:\n", kControllers, kKeys,
                view.TrackArea()->width(), view.TrackArea()->height());
    Figures(view, "folded");
    for (SpeechController* c : controllers) c->SetTreeEntryOpen(0, TRUE);
    view.Refresh();
    QApplication::processEvents();
    Figures(view, "unfolded");
    ip.ResetScene();
    return 0;
}
