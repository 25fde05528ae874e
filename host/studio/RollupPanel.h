// The stack of rollup pages in the command panel: each page under a title
// bar that rolls it up and opens it again, ordered by category, in a panel
// that scrolls (also by dragging over a page, which the pages report
// through RollupMouseMessage).
#pragma once
#include <QScrollArea>
#include <vector>

#include "HostWindows.h"

class QFrame;
class QToolButton;
class QVBoxLayout;

namespace lipsmith::studio {

class RollupPanel : public QScrollArea {
    Q_OBJECT
public:
    explicit RollupPanel(QWidget* parent = nullptr);
    // Pages still here go with the panel, without telling it.
    ~RollupPanel() override;

    QWidget* AddPage(QWidget* page, const QString& title, DWORD flags, int category);
    // Takes the page out at once and deletes it from the event loop.
    void DeletePage(QWidget* page);
    bool HasPage(const QWidget* page) const { return Find(page) >= 0; }
    bool IsOpen(const QWidget* page) const;
    void SetOpen(QWidget* page, bool open);
    void MouseMessage(QWidget* page, RollupMouse event, int screenX, int screenY);

    int PageCount() const { return static_cast<int>(entries_.size()); }
    QWidget* PageAt(int i) const { return entries_[static_cast<std::size_t>(i)].page; }
    QToolButton* TitleBarOf(const QWidget* page) const;

private:
    struct Entry {
        QWidget* page;
        QFrame* frame;
        QToolButton* title;
        int category;
    };
    int Find(const QWidget* page) const;
    void Forget(QWidget* page);

    std::vector<Entry> entries_;
    QVBoxLayout* box_ = nullptr;
    bool dragging_ = false;
    int dragStartY_ = 0;
    int dragStartValue_ = 0;
};

}  // namespace lipsmith::studio
