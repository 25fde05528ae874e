// The painting surface a controller draws its track row on (TrackDC), over
// a QPainter: pens by colour (0x00BBGGRR, as the surface's users give them)
// and width, and lines from point to point.
#pragma once
#include <QPainter>
#include <QPoint>

#include "Animatable.h"

namespace lipsmith::trackview {

class QtTrackDC : public TrackDC {
public:
    explicit QtTrackDC(QPainter& painter);
    ~QtTrackDC() override;
    void SelectPen(std::uint32_t colorBGR, int width) override;
    void SelectStockBlackPen() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;

    // Segments drawn so far (for tests and benchmarks).
    int Lines() const { return lines_; }
    static QColor ColorOf(std::uint32_t colorBGR);

private:
    QPainter& painter_;
    QPoint at_;
    int lines_ = 0;
};

}  // namespace lipsmith::trackview
