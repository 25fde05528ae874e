#include "TrackViewWindow.h"

#include <QVBoxLayout>

namespace lipsmith::studio {

TrackViewWindow::TrackViewWindow(Interface& ip, int viewId, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new trackview::TrackView(ip, viewId, this)) {
    setObjectName("TVPopUp");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Track View");
    setAccessibleName("Track View");
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(view_);
    resize(900, 480);
}

void TrackViewWindow::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    view_->Refresh();
}

}  // namespace lipsmith::studio
