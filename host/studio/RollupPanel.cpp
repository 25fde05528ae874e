#include "RollupPanel.h"

#include <QFrame>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace lipsmith::studio {

RollupPanel::RollupPanel(QWidget* parent) : QScrollArea(parent) {
    setObjectName("rollupPanel");
    setAccessibleName("Rollup pages");
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget;
    box_ = new QVBoxLayout(content);
    box_->setContentsMargins(4, 4, 4, 4);
    box_->setSpacing(6);
    box_->addStretch(1);
    setWidget(content);
}

RollupPanel::~RollupPanel() {
    for (const Entry& e : entries_) disconnect(e.page, &QObject::destroyed, this, nullptr);
}

int RollupPanel::Find(const QWidget* page) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].page == page) return static_cast<int>(i);
    }
    return -1;
}

QToolButton* RollupPanel::TitleBarOf(const QWidget* page) const {
    const int i = Find(page);
    return i < 0 ? nullptr : entries_[static_cast<std::size_t>(i)].title;
}

QWidget* RollupPanel::AddPage(QWidget* page, const QString& title, DWORD flags, int category) {
    if (!page) return nullptr;
    if (Find(page) >= 0) return page;
    auto* frame = new QFrame(widget());
    frame->setFrameShape(QFrame::StyledPanel);
    auto* box = new QVBoxLayout(frame);
    box->setContentsMargins(2, 2, 2, 2);
    box->setSpacing(2);
    auto* bar = new QToolButton(frame);
    bar->setObjectName("rollupTitle");
    bar->setText(title);
    bar->setAccessibleName(title);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    bar->setCheckable(true);
    box->addWidget(bar);
    page->setParent(frame);
    box->addWidget(page);

    // After the pages of the same or a lower category.
    std::size_t at = 0;
    while (at < entries_.size() && entries_[at].category <= category) ++at;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), Entry{page, frame, bar, category});
    box_->insertWidget(static_cast<int>(at), frame);

    connect(bar, &QToolButton::clicked, this, [this, page](bool checked) { SetOpen(page, checked); });
    // A page its plug-in deletes itself leaves the panel with it.
    connect(page, &QObject::destroyed, this, [this, page] { Forget(page); });
    SetOpen(page, !(flags & APPENDROLL_CLOSED));
    frame->show();
    return page;
}

void RollupPanel::Forget(QWidget* page) {
    const int i = Find(page);
    if (i < 0) return;
    QFrame* frame = entries_[static_cast<std::size_t>(i)].frame;
    entries_.erase(entries_.begin() + i);
    box_->removeWidget(frame);
    frame->hide();
    frame->deleteLater();
}

void RollupPanel::DeletePage(QWidget* page) {
    const int i = Find(page);
    if (i < 0) return;
    disconnect(page, &QObject::destroyed, this, nullptr);
    page->hide();
    Forget(page);  // the frame, and the page with it, go from the event loop
}

bool RollupPanel::IsOpen(const QWidget* page) const {
    const int i = Find(page);
    return i >= 0 && entries_[static_cast<std::size_t>(i)].title->isChecked();
}

void RollupPanel::SetOpen(QWidget* page, bool open) {
    const int i = Find(page);
    if (i < 0) return;
    const Entry& e = entries_[static_cast<std::size_t>(i)];
    e.title->setChecked(open);
    e.title->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    e.page->setVisible(open);
}

void RollupPanel::MouseMessage(QWidget* page, RollupMouse event, int, int screenY) {
    if (Find(page) < 0) return;
    switch (event) {
        case RollupMouse::LeftButtonDown:
            dragging_ = true;
            dragStartY_ = screenY;
            dragStartValue_ = verticalScrollBar()->value();
            viewport()->setCursor(Qt::ClosedHandCursor);
            break;
        case RollupMouse::Move:
            if (dragging_) verticalScrollBar()->setValue(dragStartValue_ - (screenY - dragStartY_));
            break;
        case RollupMouse::LeftButtonUp:
            dragging_ = false;
            viewport()->unsetCursor();
            break;
    }
}

}  // namespace lipsmith::studio
