#include "QtTrackDC.h"

#include <QPen>

namespace lipsmith::trackview {

QtTrackDC::QtTrackDC(QPainter& painter) : painter_(painter) {
    painter_.save();
    SelectStockBlackPen();
}

QtTrackDC::~QtTrackDC() { painter_.restore(); }

QColor QtTrackDC::ColorOf(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

void QtTrackDC::SelectPen(std::uint32_t colorBGR, int width) {
    // Width 0 is the thinnest line the device draws, as Qt's cosmetic pen.
    painter_.setPen(QPen(ColorOf(colorBGR), width < 0 ? 0 : width));
}

void QtTrackDC::SelectStockBlackPen() { painter_.setPen(QPen(Qt::black, 0)); }

void QtTrackDC::MoveTo(int x, int y) { at_ = QPoint(x, y); }

void QtTrackDC::LineTo(int x, int y) {
    const QPoint to(x, y);
    painter_.drawLine(at_, to);
    at_ = to;
    ++lines_;
}

}  // namespace lipsmith::trackview
