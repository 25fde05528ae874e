#include "Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "UtilityResource.h"

namespace lipsmith {

namespace {

QPixmap Blank(int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

// A small head in profile-free front view: the scene node that acts.
QPixmap NodePicture() {
    QPixmap p = Blank(16, 16);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(90, 60, 30), 1));
    g.setBrush(QColor(240, 200, 160));
    g.drawEllipse(QRectF(2.5, 1.5, 11, 13));
    g.setBrush(QColor(40, 40, 40));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QRectF(5, 5.5, 2, 2));
    g.drawEllipse(QRectF(9, 5.5, 2, 2));
    g.setPen(QPen(QColor(170, 40, 40), 1.4));
    g.drawArc(QRectF(5, 7.5, 6, 4), 200 * 16, 140 * 16);
    return p;
}

// A speech controller: a mouth shape on a round badge, green when it gets
// keys, grey when it does not.
QPixmap ControllerPicture(bool active) {
    QPixmap p = Blank(16, 16);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor fill = active ? QColor(60, 170, 70) : QColor(160, 160, 160);
    g.setPen(QPen(fill.darker(140), 1));
    g.setBrush(fill);
    g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    g.setPen(Qt::NoPen);
    g.setBrush(Qt::white);
    QPainterPath mouth;
    mouth.moveTo(4, 7);
    mouth.quadTo(8, 4.5, 12, 7);
    mouth.quadTo(8, 13, 4, 7);
    g.drawPath(mouth);
    if (!active) {
        g.setPen(QPen(QColor(90, 90, 90), 1.5));
        g.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 3.5));
    }
    return p;
}

// A padlock, open (up) or shut (down).
QPixmap LockPicture(bool locked) {
    QPixmap p = Blank(20, 16);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(60, 60, 60), 1.6));
    g.setBrush(Qt::NoBrush);
    if (locked)
        g.drawArc(QRectF(6, 1.5, 8, 9), 0, 180 * 16);
    else
        g.drawArc(QRectF(10, 0.5, 8, 9), 0, 180 * 16);
    g.drawLine(QPointF(6, 6), QPointF(6, 8));
    if (!locked) g.drawLine(QPointF(18, 5), QPointF(18, 6.5));
    if (locked) g.drawLine(QPointF(14, 6), QPointF(14, 8));
    g.setPen(QPen(QColor(120, 90, 20), 1));
    g.setBrush(locked ? QColor(230, 180, 40) : QColor(200, 200, 200));
    g.drawRoundedRect(QRectF(3.5, 7.5, 13, 8), 1.5, 1.5);
    g.setBrush(QColor(60, 60, 60));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QRectF(9, 10, 2, 2.5));
    return p;
}

// The page picture: a face speaking a line of script.
QPixmap RollupPicture() {
    QPixmap p = Blank(150, 64);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(70, 90, 150));
    sky.setColorAt(1, QColor(30, 40, 80));
    g.setPen(Qt::NoPen);
    g.setBrush(sky);
    g.drawRoundedRect(QRectF(0.5, 0.5, 149, 63), 6, 6);
    g.setBrush(QColor(240, 200, 160));
    g.drawEllipse(QRectF(10, 8, 40, 48));
    g.setBrush(QColor(40, 40, 40));
    g.drawEllipse(QRectF(20, 24, 5, 5));
    g.drawEllipse(QRectF(35, 24, 5, 5));
    g.setBrush(QColor(170, 40, 40));
    g.drawEllipse(QRectF(22, 38, 16, 9));
    g.setBrush(QColor(250, 250, 250));
    g.drawRect(QRectF(25, 38.5, 10, 2.5));
    g.setPen(QPen(QColor(200, 210, 255), 1.5));
    for (int i = 0; i < 3; ++i) g.drawArc(QRectF(44 + i * 6, 30 - i * 4, 10 + i * 4, 18 + i * 8), -45 * 16, 90 * 16);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(17);
    f.setBold(true);
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(QRectF(68, 10, 80, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lipsmith"));
    f.setPixelSize(10);
    f.setBold(false);
    g.setFont(f);
    g.setPen(QColor(200, 210, 255));
    g.drawText(QRectF(68, 34, 80, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("text to animation"));
    return p;
}

}  // namespace

QPixmap UtilityPicture(int id) {
    switch (id) {
        case IDB_NODE: return NodePicture();
        case IDB_INACTIVE_CONTROLLER: return ControllerPicture(false);
        case IDB_ACTIVE_CONTROLLER: return ControllerPicture(true);
        case IDB_UNLOCKED: return LockPicture(false);
        case IDB_LOCKED: return LockPicture(true);
        case IDB_ROLLUP_PICTURE: return RollupPicture();
        default: return QPixmap();
    }
}

}  // namespace lipsmith
