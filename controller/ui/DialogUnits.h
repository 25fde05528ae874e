// Dialog units: dialog templates give positions in quarters of the font's
// average character width and eighths of its height, so a dialog grows with
// the font the desktop uses.
#pragma once
#include <QFontMetricsF>
#include <QRect>

namespace lipsmith {

class DialogUnits {
public:
    explicit DialogUnits(const QFontMetricsF& fm);
    QRect Rect(int x, int y, int w, int h) const;
    int X(int dluX) const;
    int Y(int dluY) const;

private:
    double baseX_;
    double baseY_;
};

}  // namespace lipsmith
