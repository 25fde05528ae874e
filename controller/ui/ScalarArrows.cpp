#include "ScalarArrows.h"

#include <QToolButton>

namespace lipsmith {
namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType type, const char* name, const QString& accessible) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAccessibleName(accessible);
    return b;
}

}  // namespace

ScalarArrows::ScalarArrows(QWidget* parent) : QWidget(parent) {
    up_ = MakeArrow(this, Qt::UpArrow, "ctl1045up", tr("Scalar up"));
    down_ = MakeArrow(this, Qt::DownArrow, "ctl1045down", tr("Scalar down"));
    connect(up_, &QToolButton::clicked, this, [this] { emit stepRequested(1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepRequested(-1); });
}

void ScalarArrows::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

}  // namespace lipsmith
