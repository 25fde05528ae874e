// A floating track view (object name "TVPopUp"): a top-level window around
// a TrackView. Plug-ins that changed what tracks show repaint such windows
// by their name; painting the window reads the scene again.
#pragma once
#include <QWidget>

#include "TrackView.h"

namespace lipsmith::studio {

class TrackViewWindow : public QWidget {
    Q_OBJECT
public:
    TrackViewWindow(Interface& ip, int viewId, QWidget* parent = nullptr);
    trackview::TrackView* View() const { return view_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    trackview::TrackView* view_;
};

}  // namespace lipsmith::studio
