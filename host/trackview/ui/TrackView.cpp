#include "TrackView.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "KeyColumns.h"
#include "NoteTrack.h"
#include "QtTrackDC.h"

namespace lipsmith::trackview {
namespace {

constexpr int kRowRole = Qt::UserRole + 1;
constexpr int kLinesRole = Qt::UserRole + 2;
constexpr int kRulerHeight = 26;
constexpr int kMaxNoteChars = 40;

const QColor kNodeRow(226, 230, 238);
const QColor kTrackRow(250, 250, 252);
const QColor kSubRow(242, 244, 248);
const QColor kOutsideRange(0, 0, 0, 18);
const QColor kKeyMark(40, 40, 48);
const QColor kSummaryMark(140, 140, 150);
const QColor kRangeBar(120, 150, 200, 90);
const QColor kNoteMark(170, 70, 40);
const QColor kTimeCursor(220, 40, 40);

// Rows as tall as their lines.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(const int& lineHeight, QObject* parent) : QStyledItemDelegate(parent), lineHeight_(lineHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(std::max(index.data(kLinesRole).toInt(), 1) * lineHeight_);
        return s;
    }

private:
    const int& lineHeight_;
};

bool IsNoteTrack(Animatable* anim) {
    return anim && anim->SuperClassID() == NOTETRACK_CLASS_ID && anim->ClassID() == DEF_NOTETRACK_CLASS_ID;
}

int Clamp(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2)); }

}  // namespace

// The time line beside the tree.
class TrackView::Area : public QWidget {
public:
    explicit Area(TrackView* view) : QWidget(view), view_(view) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumWidth(120);
        setObjectName("trackArea");
        setAccessibleName("Time line");
        setFocusPolicy(Qt::ClickFocus);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        view_->PaintTracks(p, e->rect());
    }
    void resizeEvent(QResizeEvent*) override {
        if (!view_->fitted_ && width() > 20) {
            view_->fitted_ = true;
            view_->ZoomExtents();
        }
        view_->UpdateScrollBar();
    }
    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 120;
        if (e->modifiers() & Qt::ControlModifier) {
            view_->axis_.ZoomAround(std::pow(1.25, e->angleDelta().y() / 120.0), static_cast<int>(e->position().x()));
            view_->UpdateScrollBar();
            view_->update();
            view_->area_->update();
            view_->ruler_->update();
        } else if ((e->modifiers() & Qt::ShiftModifier) || e->angleDelta().x() != 0) {
            const int d = e->angleDelta().x() != 0 ? e->angleDelta().x() : e->angleDelta().y();
            view_->hbar_->setValue(view_->hbar_->value() - d / 120 * view_->hbar_->singleStep() * 3);
        } else {
            QScrollBar* v = view_->tree_->verticalScrollBar();
            v->setValue(v->value() - steps * view_->lineHeight_ * 3);
        }
        e->accept();
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        const int row = view_->RowAtAreaY(e->pos().y());
        if (row >= 0) view_->ShowRowMenu(row, e->globalPos());
    }

private:
    TrackView* view_;
};

// Frame numbers above the time line; clicking or dragging sets the time.
class TrackView::RulerBar : public QWidget {
public:
    explicit RulerBar(TrackView* view) : QWidget(view), view_(view) {
        setFixedHeight(kRulerHeight);
        setObjectName("timeRuler");
        setAccessibleName("Time ruler");
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        view_->PaintRuler(p, e->rect());
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) view_->SetTimeFromX(static_cast<int>(e->position().x()));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (e->buttons() & Qt::LeftButton) view_->SetTimeFromX(static_cast<int>(e->position().x()));
    }

private:
    TrackView* view_;
};

TrackView::TrackView(Interface& ip, int viewId, QWidget* parent) : QWidget(parent), ip_(ip), viewId_(viewId) {
    lineHeight_ = std::max(20, fontMetrics().height() + 6);

    auto* zoomIn = new QToolButton(this);
    zoomIn->setText("Zoom In");
    zoomIn->setObjectName("zoomIn");
    zoomIn->setAccessibleName("Zoom In");
    auto* zoomOut = new QToolButton(this);
    zoomOut->setText("Zoom Out");
    zoomOut->setObjectName("zoomOut");
    zoomOut->setAccessibleName("Zoom Out");
    auto* extents = new QToolButton(this);
    extents->setText("Zoom Extents");
    extents->setObjectName("zoomExtents");
    extents->setAccessibleName("Zoom Extents");
    zoomLabel_ = new QLabel(this);
    zoomLabel_->setObjectName("zoomLabel");
    zoomLabel_->setAccessibleName("Visible time");

    auto* tools = new QHBoxLayout;
    tools->setContentsMargins(4, 2, 4, 2);
    tools->addWidget(zoomIn);
    tools->addWidget(zoomOut);
    tools->addWidget(extents);
    tools->addSpacing(12);
    tools->addWidget(zoomLabel_);
    tools->addStretch(1);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("trackTree");
    tree_->setAccessibleName("Tracks");
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setUniformRowHeights(false);
    tree_->setFrameShape(QFrame::NoFrame);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    tree_->setItemDelegate(new RowDelegate(lineHeight_, tree_));
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);

    area_ = new Area(this);
    ruler_ = new RulerBar(this);
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    hbar_->setObjectName("timeScroll");
    hbar_->setAccessibleName("Scroll time");

    auto* corner = new QLabel("Tracks", this);
    corner->setFixedHeight(kRulerHeight);
    corner->setIndent(6);
    auto* left = new QWidget(this);
    auto* leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    leftBox->setSpacing(0);
    leftBox->addWidget(corner);
    leftBox->addWidget(tree_, 1);
    auto* below = new QWidget(left);
    below->setFixedHeight(hbar_->sizeHint().height());
    leftBox->addWidget(below);

    auto* right = new QWidget(this);
    auto* rightBox = new QVBoxLayout(right);
    rightBox->setContentsMargins(0, 0, 0, 0);
    rightBox->setSpacing(0);
    rightBox->addWidget(ruler_);
    rightBox->addWidget(area_, 1);
    rightBox->addWidget(hbar_);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({200, 600});

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addLayout(tools);
    box->addWidget(split, 1);

    auto repaint = [this] {
        area_->update();
        ruler_->update();
    };
    connect(tree_->verticalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* it) { OnExpanded(it, true); });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* it) { OnExpanded(it, false); });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QTreeWidgetItem* it = tree_->itemAt(pos))
            ShowRowMenu(it->data(0, kRowRole).toInt(), tree_->viewport()->mapToGlobal(pos));
    });
    connect(hbar_, &QScrollBar::valueChanged, this, [this, repaint](int v) {
        axis_.SetScroll(v);
        repaint();
    });
    connect(zoomIn, &QToolButton::clicked, this, [this, repaint] {
        axis_.ZoomAround(2.0, area_->width() / 2);
        UpdateScrollBar();
        repaint();
    });
    connect(zoomOut, &QToolButton::clicked, this, [this, repaint] {
        axis_.ZoomAround(0.5, area_->width() / 2);
        UpdateScrollBar();
        repaint();
    });
    connect(extents, &QToolButton::clicked, this, &TrackView::ZoomExtents);
    Refresh();
}

TrackView::~TrackView() {
    // Rows this view had expanded no longer count as open.
    for (const TrackRow& row : BuildTrackRows(ip_.GetRootNode())) {
        if (row.anim) row.anim->SetTreeEntryOpen(viewId_, FALSE);
    }
}

void TrackView::Refresh() {
    SyncRows();
    UpdateScrollBar();
    area_->update();
    ruler_->update();
}

void TrackView::SetTimeExtent(TimeValue start, TimeValue end) {
    if (end <= start) end = start + TIME_TICKSPERSEC;
    extentStart_ = start;
    extentEnd_ = end;
    UpdateScrollBar();
}

void TrackView::ZoomExtents() {
    const int margin = 8;
    axis_.Fit(extentStart_, extentEnd_, std::max(area_->width() - 2 * margin, 20));
    axis_.SetScroll(axis_.Scroll() - margin);
    UpdateScrollBar();
    area_->update();
    ruler_->update();
}

void TrackView::ShowSeconds(double seconds) {
    if (!(seconds > 0)) return;
    const TimeValue left = axis_.TickAt(0);
    axis_.SetZoom((std::max(area_->width(), 2) - 1) / (seconds * TIME_TICKSPERSEC));
    axis_.SetScroll(Clamp(static_cast<long long>(std::floor(left * axis_.Zoom() + 0.5))));
    UpdateScrollBar();
    area_->update();
    ruler_->update();
}

void TrackView::UpdateScrollBar() {
    const int width = std::max(area_->width(), 1);
    long long lo = static_cast<long long>(std::floor(extentStart_ * axis_.Zoom())) - 20;
    long long hi = static_cast<long long>(std::ceil(extentEnd_ * axis_.Zoom())) - width + 20;
    hi = std::max(hi, lo);
    lo = std::min<long long>(lo, axis_.Scroll());
    hi = std::max<long long>(hi, axis_.Scroll());
    const QSignalBlocker block(hbar_);
    hbar_->setRange(Clamp(lo), Clamp(hi));
    hbar_->setPageStep(width);
    hbar_->setSingleStep(std::max(width / 20, 1));
    hbar_->setValue(axis_.Scroll());
    const double seconds = width / axis_.Zoom() / TIME_TICKSPERSEC;
    zoomLabel_->setText(seconds >= 10 ? QString("%1 s visible").arg(seconds, 0, 'f', 0)
                                      : QString("%1 s visible").arg(seconds, 0, 'f', 2));
}

QTreeWidgetItem* TrackView::ItemOf(const Animatable* anim) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const int row = (*it)->data(0, kRowRole).toInt();
        if (row >= 0 && row < static_cast<int>(rows_.size()) && rows_[static_cast<std::size_t>(row)].anim == anim)
            return *it;
    }
    return nullptr;
}

bool TrackView::SyncRows() {
    if (syncing_) return false;
    std::vector<TrackRow> fresh = BuildTrackRows(ip_.GetRootNode());
    if (!SameRows(fresh, rows_) || tree_->topLevelItemCount() == 0) {
        rows_ = std::move(fresh);
        RebuildTree();
        return true;
    }
    bool changed = false;
    syncing_ = true;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        const std::size_t row = static_cast<std::size_t>((*it)->data(0, kRowRole).toInt());
        if (row >= rows_.size()) continue;
        // The objects hold the expanded state (an object may also be a new one
        // that took the place of an old one at the same address).
        if (Animatable* anim = rows_[row].anim; anim && rows_[row].hasChildren) {
            const bool open = anim->IsTreeEntryOpen(1, 1u << viewId_);
            if ((*it)->isExpanded() != open) {
                (*it)->setExpanded(open);
                changed = true;
            }
        }
        if (fresh[row].label != rows_[row].label) {
            rows_[row].label = fresh[row].label;
            (*it)->setText(0, QString::fromStdString(fresh[row].label));
            changed = true;
        }
        const int lines = RowLines(rows_[row], lineHeight_);
        if ((*it)->data(0, kLinesRole).toInt() != lines) {
            (*it)->setData(0, kLinesRole, lines);
            changed = true;
        }
    }
    syncing_ = false;
    return changed;
}

void TrackView::RebuildTree() {
    syncing_ = true;
    const QSignalBlocker block(tree_);
    const int scrollY = tree_->verticalScrollBar()->value();
    tree_->clear();
    std::vector<QTreeWidgetItem*> items(rows_.size(), nullptr);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const TrackRow& row = rows_[i];
        auto* item = row.parent < 0 ? new QTreeWidgetItem(tree_)
                                    : new QTreeWidgetItem(items[static_cast<std::size_t>(row.parent)]);
        item->setText(0, QString::fromStdString(row.label));
        item->setData(0, kRowRole, static_cast<int>(i));
        item->setData(0, kLinesRole, RowLines(row, lineHeight_));
        items[i] = item;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const TrackRow& row = rows_[i];
        if (!row.hasChildren || !row.anim) continue;
        // Nodes start expanded the first time this view shows them.
        if (row.kind == RowKind::Node &&
            std::find(seenNodes_.begin(), seenNodes_.end(), row.anim) == seenNodes_.end()) {
            seenNodes_.push_back(row.anim);
            row.anim->SetTreeEntryOpen(viewId_, TRUE);
        }
        items[i]->setExpanded(row.anim->IsTreeEntryOpen(1, 1u << viewId_));
    }
    tree_->verticalScrollBar()->setValue(scrollY);
    syncing_ = false;
}

void TrackView::OnExpanded(QTreeWidgetItem* item, bool open) {
    if (syncing_) return;
    const int row = item->data(0, kRowRole).toInt();
    // The scene may have changed since the rows were read: read it again first.
    std::vector<TrackRow> fresh = BuildTrackRows(ip_.GetRootNode());
    if (!SameRows(fresh, rows_) || row < 0 || row >= static_cast<int>(rows_.size())) {
        Refresh();
        return;
    }
    if (Animatable* anim = rows_[static_cast<std::size_t>(row)].anim) anim->SetTreeEntryOpen(viewId_, open);
    SyncRows();
    area_->update();
    emit ExpansionChanged();
}

int TrackView::RowAtAreaY(int y) const {
    QTreeWidgetItem* it = tree_->itemAt(QPoint(1, y));
    return it ? it->data(0, kRowRole).toInt() : -1;
}

void TrackView::SetTimeFromX(int x) {
    const int tpf = ip_.GetTicksPerFrame();
    const double frame = std::floor(static_cast<double>(axis_.TickAt(x)) / tpf + 0.5);
    ip_.SetTime(static_cast<TimeValue>(std::clamp(frame * tpf, -2.0e9, 2.0e9)));
    area_->update();
    ruler_->update();
}

void TrackView::ShowRowMenu(int row, const QPoint& globalPos) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    Animatable* anim = rows_[static_cast<std::size_t>(row)].anim;
    const std::string label = rows_[static_cast<std::size_t>(row)].label;
    QMenu menu(this);
    QAction* props = menu.addAction(QString::fromUtf8("Properties\u2026"));
    props->setObjectName("trackProperties");
    props->setEnabled(anim && anim->TrackParamsType() == TRACKPARAMS_WHOLE);
    QPointer<TrackView> self(this);
    if (menu.exec(globalPos) != props || !self) return;
    OpenProperties(anim, label);
}

bool TrackView::OpenProperties(Animatable* anim, const std::string& label) {
    // The menu ran its own event loop: only touch the object if it still has a row.
    SyncRows();
    const bool alive = std::any_of(rows_.begin(), rows_.end(), [&](const TrackRow& r) { return r.anim == anim; });
    if (!anim || !alive || anim->TrackParamsType() != TRACKPARAMS_WHOLE) return false;
    anim->EditTrackParams(ip_.GetTime(), nullptr, label.c_str(), static_cast<void*>(window()), &ip_, 0);
    return true;
}

void TrackView::PaintRuler(QPainter& p, const QRect& rect) {
    const QRect all = ruler_->rect();
    p.fillRect(rect, QColor(236, 238, 242));
    p.setPen(QColor(160, 160, 170));
    p.drawLine(all.bottomLeft(), all.bottomRight());
    const int tpf = std::max(ip_.GetTicksPerFrame(), 1);
    const int step = axis_.RulerStepFrames(tpf, 64);
    const int minor = step >= 10 ? step / 5 : (step >= 2 ? 1 : 0);
    const long long firstFrame =
        static_cast<long long>(std::floor(static_cast<double>(axis_.TickAt(rect.left() - 64)) / tpf / step)) * step;
    p.setPen(QColor(60, 60, 70));
    for (long long f = firstFrame;; f += step) {
        const double x = axis_.XOf(static_cast<TimeValue>(std::clamp<long long>(f * tpf, INT_MIN, INT_MAX)));
        if (x > rect.right() + 64 || f * tpf > INT_MAX) break;
        const int xi = static_cast<int>(std::floor(x + 0.5));
        p.drawLine(xi, all.bottom() - 9, xi, all.bottom());
        p.drawText(xi + 3, all.bottom() - 10, QString::number(f));
        if (minor > 0) {
            for (long long m = f + minor; m < f + step; m += minor) {
                const int mx = static_cast<int>(std::floor(axis_.XOf(static_cast<TimeValue>(m * tpf)) + 0.5));
                p.drawLine(mx, all.bottom() - 4, mx, all.bottom());
            }
        }
    }
    const int tx = static_cast<int>(std::floor(axis_.XOf(ip_.GetTime()) + 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kTimeCursor);
    const QPoint tri[3] = {QPoint(tx - 6, all.bottom() - 10), QPoint(tx + 6, all.bottom() - 10), QPoint(tx, all.bottom())};
    p.drawPolygon(tri, 3);
}

void TrackView::PaintTracks(QPainter& p, const QRect& rect) {
    if (SyncRows()) area_->update();  // row heights follow after the tree's layout
    p.fillRect(rect, QColor(214, 218, 226));
    int marks = 0;
    const int width = area_->width();
    QTreeWidgetItem* it = tree_->itemAt(QPoint(1, std::max(rect.top(), 0)));
    for (; it; it = tree_->itemBelow(it)) {
        const QRect r = tree_->visualItemRect(it);
        if (r.top() > rect.bottom()) break;
        if (r.bottom() < rect.top()) continue;
        const int row = it->data(0, kRowRole).toInt();
        if (row < 0 || row >= static_cast<int>(rows_.size())) continue;
        const QRect rowRect(0, r.top(), width, r.height());
        marks += PaintRow(p, rows_[static_cast<std::size_t>(row)], rowRect, rect, it->isExpanded());
    }
    // Outside the time the view covers (the scene's range, sound and keys) the time line is shaded.
    const int x0 = Clamp(static_cast<long long>(std::floor(axis_.XOf(extentStart_))));
    const int x1 = Clamp(static_cast<long long>(std::ceil(axis_.XOf(extentEnd_))));
    if (x0 > rect.left()) p.fillRect(QRect(rect.left(), rect.top(), x0 - rect.left(), rect.height()), kOutsideRange);
    if (x1 < rect.right()) p.fillRect(QRect(x1, rect.top(), rect.right() - x1 + 1, rect.height()), kOutsideRange);
    const int tx = static_cast<int>(std::floor(axis_.XOf(ip_.GetTime()) + 0.5));
    p.setPen(QPen(kTimeCursor, 1));
    p.drawLine(tx, rect.top(), tx, rect.bottom());
    lastMarks_ = marks;
}

int TrackView::PaintRow(QPainter& p, const TrackRow& row, const QRect& rowRect, const QRect& clip, bool expanded) {
    p.save();
    p.setClipRect(rowRect & clip);
    p.fillRect(rowRect, row.kind == RowKind::Node ? kNodeRow : row.kind == RowKind::Track ? kTrackRow : kSubRow);
    int marks = 0;
    if (Animatable* anim = row.anim; anim && row.kind != RowKind::Node) {
        Rect rc{rowRect.left(), rowRect.top(), rowRect.right(), rowRect.bottom()};
        const QRect pr = rowRect & clip;
        Rect rp{pr.left(), pr.top(), pr.right(), pr.bottom()};
        int answer;
        {
            QtTrackDC dc(p);
            answer = anim->PaintTrack(nullptr, &dc, rc, rp, static_cast<float>(axis_.Zoom()), axis_.Scroll(), 0);
        }
        if (answer == TRACK_DORANGE) {
            const Interval range = anim->GetTimeRange(TIMERANGE_ALL);
            if (!range.Empty()) {
                const int a = Clamp(static_cast<long long>(std::floor(axis_.XOf(range.Start()))));
                const int b = Clamp(static_cast<long long>(std::ceil(axis_.XOf(range.End()))));
                p.fillRect(QRect(a, rowRect.top() + 3, std::max(b - a, 2), lineHeight_ - 6), kRangeBar);
            }
        }
        if (IsNoteTrack(anim)) {
            marks += PaintNotes(p, anim, rowRect, clip);
        } else if (anim->NumKeys() > 0) {
            marks += PaintKeys(p, anim, rowRect, clip, kKeyMark);
        } else if (row.hasChildren && !expanded) {
            // A collapsed controller shows the keys of its tracks.
            for (int i = 0; i < anim->NumSubs(); ++i) {
                Animatable* sub = anim->SubAnim(i);
                if (sub && !IsNoteTrack(sub) && sub->NumKeys() > 0)
                    marks += PaintKeys(p, sub, rowRect, clip, kSummaryMark);
            }
        }
    }
    p.setPen(QColor(200, 204, 212));
    p.drawLine(rowRect.left(), rowRect.bottom(), rowRect.right(), rowRect.bottom());
    p.restore();
    return marks;
}

namespace {

// Marks of neighbouring columns overlap; runs of them are drawn as one
// rectangle, which at a wide zoom is most of the saving.
class MarkRuns {
public:
    MarkRuns(QPainter& p, int halfWidth, int top, int height, const QColor& color)
        : p_(p), half_(halfWidth), top_(top), height_(height), color_(color) {}
    ~MarkRuns() { Flush(); }
    void Add(long long c) {
        if (open_ && c <= end_ + 2 * half_ + 1) {
            end_ = c;
            return;
        }
        Flush();
        open_ = true;
        start_ = end_ = c;
    }

private:
    void Flush() {
        if (open_) p_.fillRect(QRect(static_cast<int>(start_) - half_, top_, static_cast<int>(end_ - start_) + 2 * half_ + 1, height_), color_);
        open_ = false;
    }
    QPainter& p_;
    int half_, top_, height_;
    QColor color_;
    bool open_ = false;
    long long start_ = 0, end_ = 0;
};

}  // namespace

int TrackView::PaintKeys(QPainter& p, Animatable* anim, const QRect& rowRect, const QRect& clip, const QColor& color) {
    const KeyColumns keys(anim, axis_);
    const int mid = rowRect.top() + lineHeight_ / 2;
    MarkRuns runs(p, 2, mid - 4, 9, color);
    return keys.ForEachColumn(clip.left() - 3, clip.right() + 3, [&](long long c, int) { runs.Add(c); });
}

int TrackView::PaintNotes(QPainter& p, Animatable* anim, const QRect& rowRect, const QRect& clip) {
    const KeyColumns notes(anim, axis_);
    const NoteKeyTab& table = static_cast<DefNoteTrack*>(anim)->keys;
    const QFontMetrics fm = p.fontMetrics();
    // Short ticks along the top of the row, texts under them.
    const int top = rowRect.top() + 1, bottom = rowRect.top() + 5;
    const int baseline = std::min(rowRect.top() + 5 + fm.ascent(), rowRect.top() + lineHeight_ - fm.descent());
    long long nextFree = LLONG_MIN;
    int marks = 0;
    MarkRuns ticks(p, 0, top, bottom - top, kNoteMark);
    // Start a little to the left: a note just outside may still show its text.
    const int first = notes.FirstAtColumn(clip.left() - 160);
    // Where notes crowd (more than one every three columns) only the
    // labelled ones get a tick: the key track below shows the same timing.
    const int shown = notes.FirstAtColumn(clip.right() + 1, first) - first;
    const bool everyTick = shown * 3 <= clip.width() + 160;
    for (int i = first; i < notes.Count();) {
        const long long c = notes.Column(i);
        if (c > clip.right()) break;
        const int x = static_cast<int>(c);
        if (everyTick) ticks.Add(c);
        if (c >= nextFree) {
            p.fillRect(QRect(x, top, 1, lineHeight_ - 3), kNoteMark);
            QString text = QString::fromStdString(table[notes.KeyIndex(i)]->note);
            if (text.size() > kMaxNoteChars) text = text.left(kMaxNoteChars) + QString::fromUtf8("\u2026");
            p.setPen(QColor(90, 40, 20));
            p.drawText(x + 4, baseline, text);
            nextFree = c + fm.horizontalAdvance(text) + 10;
        }
        ++marks;
        i = notes.FirstAtColumn(everyTick ? c + 1 : std::max(c + 1, nextFree), i + 1);
    }
    return marks;
}

}  // namespace lipsmith::trackview
