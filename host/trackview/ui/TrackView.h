// A track view: a tree of rows (nodes, float tracks, controllers, note and
// key tracks) beside a time line on which each row shows its keys as marks
// and its notes as text, under a ruler of frames. Rows are painted by their
// objects first (PaintTrack on a QtTrackDC), and are as many lines high as
// the objects ask (GetTrackVSpace). Expanding a row is recorded in its
// object per view, which is what IsTreeEntryOpen answers. The view only
// draws: it reads the scene whenever it paints and never keeps anything of
// it but the row list of its last walk.
#pragma once
#include <QTreeWidget>
#include <QWidget>
#include <vector>

#include "Interface.h"
#include "TimeAxis.h"
#include "TrackRows.h"

class QScrollBar;
class QLabel;

namespace lipsmith::trackview {

class TrackView : public QWidget {
    Q_OBJECT
public:
    // viewId (0..7) is the view's bit in the objects' expanded state.
    TrackView(Interface& ip, int viewId, QWidget* parent = nullptr);
    ~TrackView() override;

    int ViewId() const { return viewId_; }
    // Reads the scene again (rows, labels, row heights) and repaints.
    void Refresh();
    // Shows the whole extent of time.
    void ZoomExtents();
    // Zooms so that `seconds` fill the time line, keeping its left edge.
    void ShowSeconds(double seconds);
    // The time the view scrolls over (the scene's range, sound and keys).
    void SetTimeExtent(TimeValue start, TimeValue end);

    TimeAxis& Axis() { return axis_; }
    const std::vector<TrackRow>& Rows() const { return rows_; }
    QTreeWidget* Tree() const { return tree_; }
    QWidget* TrackArea() const { return area_; }
    QWidget* Ruler() const { return ruler_; }
    // The tree item of a row's object (nullptr when it has no row).
    QTreeWidgetItem* ItemOf(const Animatable* anim) const;

    // Opens the properties of a row's object (EditTrackParams, parent this
    // view's window) when it has track properties (TrackParamsType 2) and
    // still belongs to the scene. The row menu's "Properties…" does this.
    bool OpenProperties(Animatable* anim, const std::string& label);

    // What the last paint of the time line drew: key and note marks.
    int LastPaintMarks() const { return lastMarks_; }
    // Paints the time line's rows into painter over rect (what the time
    // line's paint event does; benchmarks call it directly).
    void PaintTracks(QPainter& painter, const QRect& rect);
    void PaintRuler(QPainter& painter, const QRect& rect);

signals:
    // A row was expanded or collapsed (other views' rows may change height).
    void ExpansionChanged();

private:
    class Area;
    class RulerBar;
    friend class Area;
    friend class RulerBar;

    // Walks the scene; rebuilds the tree when the rows changed, else updates
    // labels and heights. Answers whether anything changed.
    bool SyncRows();
    void RebuildTree();
    void UpdateScrollBar();
    void OnExpanded(QTreeWidgetItem* item, bool open);
    void ShowRowMenu(int row, const QPoint& globalPos);
    int RowAtAreaY(int y) const;
    void SetTimeFromX(int x);
    int PaintRow(QPainter& painter, const TrackRow& row, const QRect& rowRect, const QRect& clip, bool expanded);
    int PaintKeys(QPainter& painter, Animatable* anim, const QRect& rowRect, const QRect& clip, const QColor& color);
    int PaintNotes(QPainter& painter, Animatable* anim, const QRect& rowRect, const QRect& clip);

    Interface& ip_;
    int viewId_;
    TimeAxis axis_;
    std::vector<TrackRow> rows_;
    QTreeWidget* tree_ = nullptr;
    QWidget* area_ = nullptr;
    QWidget* ruler_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    TimeValue extentStart_ = 0, extentEnd_ = 100 * 160;
    int lineHeight_ = 20;
    int lastMarks_ = 0;
    bool syncing_ = false;
    bool fitted_ = false;
    std::vector<Animatable*> seenNodes_;
};

}  // namespace lipsmith::trackview
