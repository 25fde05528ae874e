#include "DialogUnits.h"

#include <cmath>

namespace lipsmith {

DialogUnits::DialogUnits(const QFontMetricsF& fm) {
    // The average width of the Latin letters, as dialog managers measure it.
    baseX_ = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    baseY_ = fm.height();
}

int DialogUnits::X(int dluX) const { return static_cast<int>(std::lround(dluX * baseX_ / 4.0)); }

int DialogUnits::Y(int dluY) const { return static_cast<int>(std::lround(dluY * baseY_ / 8.0)); }

QRect DialogUnits::Rect(int x, int y, int w, int h) const {
    const int left = X(x), top = Y(y);
    return QRect(left, top, X(x + w) - left, Y(y + h) - top);
}

}  // namespace lipsmith
