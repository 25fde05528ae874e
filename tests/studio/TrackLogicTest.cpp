// The track view's logic without a display: the time axis, the walk over
// visible keys and the rows of a scene.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "KeyColumns.h"
#include "SpeechController.h"
#include "TimeAxis.h"
#include "TrackRows.h"

using namespace lipsmith;
using namespace lipsmith::trackview;

namespace {

// A key track whose key times are given.
Control* TrackWithKeys(const std::vector<TimeValue>& times) {
    Control* c = NewDefaultFloatController();
    IKeyControl* kc = GetKeyControlInterface(c);
    for (TimeValue t : times) {
        IBezFloatKey k;
        k.time = t;
        kc->AppendKey(&k);
    }
    kc->SortKeys();
    return c;
}

}  // namespace

TEST(TimeAxis, ColumnsAndTicksFollowTheTrackPaintingFormula) {
    TimeAxis axis;
    axis.SetZoom(0.1);
    axis.SetScroll(50);
    for (int x : {-3, 0, 7, 123, 999}) {
        const double expected = std::floor(x / 0.1 + 50 / 0.1 + 0.5);
        EXPECT_EQ(axis.TickAt(x), static_cast<TimeValue>(expected)) << x;
        EXPECT_EQ(axis.ColumnOf(axis.TickAt(x)), x);
    }
    axis.Fit(4800, 4800 * 11, 1001);  // ten seconds over 1001 columns
    EXPECT_EQ(axis.ColumnOf(4800), 0);
    EXPECT_EQ(axis.ColumnOf(4800 * 11), 1000);
    const TimeValue under = axis.TickAt(300);
    axis.ZoomAround(4.0, 300);
    EXPECT_NEAR(axis.TickAt(300), under, 3);
    axis.SetZoom(0);  // refused below the smallest zoom
    EXPECT_GT(axis.Zoom(), 0);
    axis.SetZoom(std::nan(""));
    EXPECT_GT(axis.Zoom(), 0);
}

TEST(TimeAxis, RulerLabelsStayApart) {
    TimeAxis axis;
    axis.SetZoom(0.05);  // 8 pixels per frame at 160 ticks per frame
    EXPECT_EQ(axis.RulerStepFrames(160, 60), 10);
    axis.SetZoom(1.0);
    EXPECT_EQ(axis.RulerStepFrames(160, 60), 1);
    axis.SetZoom(TimeAxis::kMinZoom);
    const int step = axis.RulerStepFrames(160, 60);
    EXPECT_GE(step * 160 * TimeAxis::kMinZoom, 60);
}

TEST(KeyColumns, OneMarkPerColumnAtTheFirstKeyOfEachColumn) {
    std::mt19937 rng(7);
    std::vector<TimeValue> times(5000);
    for (TimeValue& t : times) t = static_cast<TimeValue>(rng() % 400000);
    Control* track = TrackWithKeys(times);
    std::sort(times.begin(), times.end());
    for (double zoom : {0.001, 0.02, 0.5}) {
        TimeAxis axis;
        axis.SetZoom(zoom);
        axis.SetScroll(37);
        const KeyColumns keys(track, axis);
        std::vector<std::pair<long long, TimeValue>> got;
        const int marks = keys.ForEachColumn(10, 700, [&](long long c, int i) { got.emplace_back(c, keys.Time(i)); });
        // The same by looking at every key.
        std::vector<std::pair<long long, TimeValue>> want;
        for (TimeValue t : times) {
            const long long c = axis.ColumnOf(t);
            if (c >= 10 && c <= 700 && (want.empty() || want.back().first != c)) want.emplace_back(c, t);
        }
        EXPECT_EQ(got, want) << "zoom " << zoom;
        EXPECT_EQ(marks, static_cast<int>(want.size()));
    }
    track->DeleteThis();
}

TEST(KeyColumns, AHundredThousandKeysCostColumnsNotKeys) {
    std::vector<TimeValue> times(100000);
    for (int i = 0; i < 100000; ++i) times[static_cast<std::size_t>(i)] = i * 48;
    Control* track = TrackWithKeys(times);
    TimeAxis axis;
    axis.Fit(0, 100000 * 48, 1200);

    // Count how many key times the walk reads: it must follow the view's width.
    struct Counting : Animatable {
        Control* inner;
        mutable long long reads = 0;
        explicit Counting(Control* c) : inner(c) {}
        SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
        int NumKeys() override { return inner->NumKeys(); }
        TimeValue GetKeyTime(int i) override {
            ++reads;
            return inner->GetKeyTime(i);
        }
    } counting(track);
    const KeyColumns keys(&counting, axis);
    const int marks = keys.ForEachColumn(0, 1199, [](long long, int) {});
    EXPECT_EQ(marks, 1200);
    EXPECT_LT(counting.reads, 1200 * 30);
    track->DeleteThis();
}

TEST(KeyColumns, NotesOutOfTimeOrderAreWalkedInTimeOrder) {
    auto* notes = static_cast<DefNoteTrack*>(NewDefaultNoteTrack());
    for (TimeValue t : {960, 100, 480, 4800}) notes->keys.Append(new NoteKey(t, "n" + std::to_string(t)));
    TimeAxis axis;
    axis.SetZoom(0.1);
    const KeyColumns cols(notes, axis);
    std::vector<std::string> seen;
    cols.ForEachColumn(0, 200, [&](long long, int i) { seen.push_back(notes->keys[cols.KeyIndex(i)]->note); });
    EXPECT_EQ(seen, (std::vector<std::string>{"n100", "n480", "n960"}));
    notes->DeleteThis();
}

TEST(TrackRows, NodesTracksControllerPartsAndChildrenInDisplayOrder) {
    Interface ip;
    INode* head = ip.CreateNode("Head");
    auto* speech = new SpeechController();
    speech->channel = 2;
    head->AddTrack("Jaw Drop", speech);
    head->AddTrack("Empty");
    ip.CreateNode("Jaw", head);
    ip.CreateNode("Narrator");
    const std::vector<TrackRow> rows = BuildTrackRows(ip.GetRootNode());
    std::vector<std::string> labels;
    std::vector<int> depths;
    for (const TrackRow& r : rows) {
        labels.push_back(r.label);
        depths.push_back(r.depth);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Head", "Jaw Drop", "Phonemes", "Mouth Open", "Empty", "Jaw",
                                                "Narrator"}));
    EXPECT_EQ(depths, (std::vector<int>{0, 1, 2, 2, 1, 1, 0}));
    EXPECT_EQ(rows[1].anim, speech);
    EXPECT_TRUE(rows[1].hasChildren);
    EXPECT_EQ(rows[4].anim, nullptr);
    EXPECT_EQ(RowLines(rows[4], 20), 1);
    EXPECT_TRUE(SameRows(rows, BuildTrackRows(ip.GetRootNode())));
    speech->channel = 14;  // a new label only
    EXPECT_TRUE(SameRows(rows, BuildTrackRows(ip.GetRootNode())));
    head->AssignController(0, NewDefaultFloatController());
    EXPECT_FALSE(SameRows(rows, BuildTrackRows(ip.GetRootNode())));
}
