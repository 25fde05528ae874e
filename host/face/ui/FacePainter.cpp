#include "FacePainter.h"

#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

namespace lipsmith::face {
namespace {

const QColor kSkin(242, 204, 170);
const QColor kSkinShade(214, 160, 124);
const QColor kOutline(120, 72, 52);
const QColor kHair(92, 58, 40);
const QColor kLip(196, 96, 100);
const QColor kLipDark(150, 64, 72);
const QColor kMouthInside(74, 24, 34);
const QColor kTeeth(250, 248, 240);
const QColor kTongue(222, 110, 120);
const QColor kIris(72, 118, 150);

QPointF P(const Point& p) { return {p.x, p.y}; }

// A cubic from a to b whose middle lies at height mid; spread sets where the
// control points stand between the ends (0.5 a gentle curve, 1 a boxy one).
void CurveTo(QPainterPath& path, QPointF a, QPointF b, qreal mid, qreal spread) {
    const qreal c = (8.0 * mid - a.y() - b.y()) / 6.0;
    const qreal cx1 = a.x() + (0.5 - spread / 2.0) * (b.x() - a.x());
    const qreal cx2 = b.x() - (0.5 - spread / 2.0) * (b.x() - a.x());
    path.cubicTo(QPointF(cx1, c), QPointF(cx2, c), b);
}

QPainterPath HeadPath(const FaceShapes& f) {
    QPainterPath head;
    head.moveTo(0, -1.30);
    head.cubicTo(0.62, -1.30, 0.98, -1.00, 0.98, -0.38);
    head.cubicTo(0.98, 0.10, 0.92, 0.45, f.jawHalfWidth + 0.08, 0.72);
    head.cubicTo(0.52, f.chin - 0.10, 0.28, f.chin, 0, f.chin);
    head.cubicTo(-0.28, f.chin, -0.52, f.chin - 0.10, -f.jawHalfWidth - 0.08, 0.72);
    head.cubicTo(-0.92, 0.45, -0.98, 0.10, -0.98, -0.38);
    head.cubicTo(-0.98, -1.00, -0.62, -1.30, 0, -1.30);
    head.closeSubpath();
    return head;
}

void PaintHair(QPainter& p) {
    QPainterPath hair;
    hair.moveTo(-1.00, -0.30);
    hair.cubicTo(-1.10, -1.05, -0.60, -1.42, 0.02, -1.40);
    hair.cubicTo(0.66, -1.40, 1.12, -1.05, 1.00, -0.30);
    hair.cubicTo(0.95, -0.62, 0.86, -0.80, 0.70, -0.86);
    hair.cubicTo(0.40, -0.70, -0.05, -0.78, -0.28, -0.98);
    hair.cubicTo(-0.45, -0.80, -0.80, -0.78, -0.92, -0.62);
    hair.cubicTo(-0.97, -0.52, -0.99, -0.42, -1.00, -0.30);
    hair.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kHair);
    p.drawPath(hair);
}

void PaintEar(QPainter& p, qreal side) {
    QPainterPath ear;
    ear.addEllipse(QPointF(side * 0.98, -0.10), 0.12, 0.20);
    p.setBrush(kSkin);
    p.setPen(QPen(kOutline, 0.02));
    p.drawPath(ear);
}

void PaintEye(QPainter& p, const EyeShape& e) {
    const QPointF c = P(e.centre);
    QPainterPath eye;
    eye.moveTo(c.x() - e.halfWidth, c.y());
    eye.cubicTo(c.x() - e.halfWidth * 0.5, c.y() - e.halfHeight * 1.35, c.x() + e.halfWidth * 0.5,
                c.y() - e.halfHeight * 1.35, c.x() + e.halfWidth, c.y());
    eye.cubicTo(c.x() + e.halfWidth * 0.5, c.y() + e.halfHeight * 1.25, c.x() - e.halfWidth * 0.5,
                c.y() + e.halfHeight * 1.25, c.x() - e.halfWidth, c.y());
    eye.closeSubpath();

    const qreal open = std::clamp<qreal>(e.openness, 0.0, 1.0);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(252, 252, 250));
    p.drawPath(eye);
    p.setClipPath(eye, Qt::IntersectClip);
    p.setBrush(kIris);
    p.drawEllipse(c + QPointF(0, 0.01), 0.075, 0.075);
    p.setBrush(QColor(28, 24, 24));
    p.drawEllipse(c + QPointF(0, 0.01), 0.035, 0.035);
    p.setBrush(Qt::white);
    p.drawEllipse(c + QPointF(0.025, -0.02), 0.014, 0.014);
    // The lid comes down from above to where it closes, a little below the middle.
    const qreal top = c.y() - e.halfHeight * 1.05;
    const qreal lidEdge = top + (1.0 - open) * (e.halfHeight * 1.25);
    QPainterPath lid;
    lid.moveTo(c.x() - e.halfWidth - 0.02, top - 0.05);
    lid.lineTo(c.x() + e.halfWidth + 0.02, top - 0.05);
    lid.lineTo(c.x() + e.halfWidth + 0.02, c.y());
    lid.cubicTo(c.x() + e.halfWidth * 0.5, lidEdge + 0.02, c.x() - e.halfWidth * 0.5, lidEdge + 0.02,
                c.x() - e.halfWidth - 0.02, c.y());
    lid.closeSubpath();
    if (open < 0.999) {
        p.setBrush(kSkinShade.lighter(108));
        p.drawPath(lid);
    }
    p.restore();
    // Lashes along the lid's edge, and the outline of the eye.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(50, 34, 30), 0.022, Qt::SolidLine, Qt::RoundCap));
    QPainterPath lash;
    lash.moveTo(c.x() - e.halfWidth, c.y());
    lash.cubicTo(c.x() - e.halfWidth * 0.5, open < 0.999 ? lidEdge + 0.02 : c.y() - e.halfHeight * 1.35,
                 c.x() + e.halfWidth * 0.5, open < 0.999 ? lidEdge + 0.02 : c.y() - e.halfHeight * 1.35,
                 c.x() + e.halfWidth, c.y());
    p.drawPath(lash);
    p.setPen(QPen(kOutline.lighter(130), 0.010));
    if (open > 0.05) p.drawPath(eye);
}

void PaintBrow(QPainter& p, const BrowShape& b) {
    QPainterPath brow;
    brow.moveTo(P(b.inner));
    brow.quadTo(P(b.peak), P(b.outer));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kHair, b.thickness, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(brow);
}

void PaintNose(QPainter& p) {
    QPainterPath nose;
    nose.moveTo(-0.03, -0.02);
    nose.cubicTo(-0.06, 0.12, -0.14, 0.22, -0.10, 0.27);
    nose.cubicTo(-0.06, 0.31, 0.06, 0.31, 0.10, 0.27);
    nose.cubicTo(0.14, 0.22, 0.06, 0.12, 0.03, -0.02);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSkinShade.darker(115), 0.022, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(nose);
}

void PaintCheeks(QPainter& p) {
    for (qreal side : {-1.0, 1.0}) {
        QRadialGradient g(QPointF(side * 0.55, 0.22), 0.22);
        g.setColorAt(0, QColor(240, 150, 150, 110));
        g.setColorAt(1, QColor(240, 150, 150, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(side * 0.55, 0.22), 0.22, 0.16);
    }
}

void PaintMouthShape(QPainter& p, const MouthShape& m) {
    const QPointF l = P(m.left), r = P(m.right), il = P(m.innerLeft), ir = P(m.innerRight);
    const qreal spread = 0.45 + 0.45 * m.roundness;

    // Lips: the outer outline, upper lip with a dip in its middle.
    QPainterPath lips;
    lips.moveTo(l);
    const QPointF bow(0, m.upperLipTop + m.bow);
    lips.cubicTo(QPointF(l.x() * 0.75, m.upperLipTop + 0.004), QPointF(-0.10, m.upperLipTop - 0.012), bow);
    lips.cubicTo(QPointF(0.10, m.upperLipTop - 0.012), QPointF(r.x() * 0.75, m.upperLipTop + 0.004), r);
    CurveTo(lips, r, l, m.lowerLipBottom, spread);
    lips.closeSubpath();
    QLinearGradient lipShade(0, m.upperLipTop, 0, m.lowerLipBottom);
    lipShade.setColorAt(0, kLipDark);
    lipShade.setColorAt(0.5, kLip);
    lipShade.setColorAt(1, kLip.lighter(112));
    p.setBrush(lipShade);
    p.setPen(QPen(kLipDark.darker(115), 0.012));
    p.drawPath(lips);

    if (m.Open()) {
        QPainterPath opening;
        opening.moveTo(il);
        CurveTo(opening, il, ir, m.upperLipBottom, spread);
        CurveTo(opening, ir, il, m.lowerLipTop, spread);
        opening.closeSubpath();
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(kMouthInside);
        p.drawPath(opening);
        p.setClipPath(opening, Qt::IntersectClip);
        const qreal half = ir.x() - il.x();
        p.setBrush(kTongue);
        p.drawEllipse(QRectF(-half * 0.42, m.tongueTop, half * 0.84, 0.30));
        p.setBrush(kTeeth);
        if (m.upperTeethDepth > 0)
            p.drawRect(QRectF(il.x(), m.upperLipBottom - 0.05, half, m.upperTeethDepth + 0.05));
        if (m.lowerTeethDepth > 0)
            p.drawRect(QRectF(il.x(), m.lowerLipTop - m.lowerTeethDepth, half, m.lowerTeethDepth + 0.05));
        p.restore();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kLipDark.darker(140), 0.010));
        p.drawPath(opening);
    } else {
        // Closed lips meet along a line from corner to corner.
        QPainterPath seam;
        seam.moveTo(l);
        CurveTo(seam, l, r, (m.upperLipBottom + m.lowerLipTop) / 2.0, 0.45);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kLipDark.darker(150), 0.016, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(seam);
    }
    if (m.tucked) {
        // The lower lip under the upper teeth: show the teeth's edge resting on it.
        p.setPen(Qt::NoPen);
        p.setBrush(kTeeth);
        const qreal w = (ir.x() - il.x()) * 0.7;
        p.drawRoundedRect(QRectF(-w / 2, m.upperLipBottom - 0.005, w, std::max<qreal>(m.upperTeethDepth, 0.02)),
                          0.01, 0.01);
    }
}

// Maps face coordinates (x -1..1, y -1.45..1.45 and the chin below) into rect.
void SetFaceTransform(QPainter& p, const QRectF& rect, qreal top, qreal bottom, qreal halfWidth) {
    const qreal h = bottom - top, w = 2 * halfWidth;
    const qreal scale = std::min(rect.width() / w, rect.height() / h);
    p.translate(rect.center());
    p.scale(scale, scale);
    p.translate(0, -(top + bottom) / 2);
}

}  // namespace

void PaintFace(QPainter& painter, const QRectF& rect, const FacePose& pose) {
    const FaceShapes f = LayoutFace(pose);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    SetFaceTransform(painter, rect, -1.46, 1.75, 1.26);
    PaintEar(painter, -1);
    PaintEar(painter, 1);
    // Shoulders in a shirt, the neck, then the head over them.
    QPainterPath shoulders;
    shoulders.moveTo(-1.25, 1.75);
    shoulders.cubicTo(-1.25, 1.42, -0.95, 1.30, -0.42, 1.24);
    shoulders.lineTo(0.42, 1.24);
    shoulders.cubicTo(0.95, 1.30, 1.25, 1.42, 1.25, 1.75);
    shoulders.closeSubpath();
    painter.setPen(QPen(QColor(52, 70, 96), 0.02));
    painter.setBrush(QColor(78, 104, 140));
    painter.drawPath(shoulders);
    QPainterPath neck;
    neck.moveTo(-0.34, 0.85);
    neck.lineTo(0.34, 0.85);
    neck.lineTo(0.38, 1.30);
    neck.quadTo(0, 1.42, -0.38, 1.30);
    neck.closeSubpath();
    painter.setPen(QPen(kOutline, 0.02));
    painter.setBrush(kSkinShade);
    painter.drawPath(neck);
    QRadialGradient skin(QPointF(-0.25, -0.35), 1.6);
    skin.setColorAt(0, kSkin.lighter(106));
    skin.setColorAt(1, kSkin.darker(104));
    painter.setBrush(skin);
    painter.drawPath(HeadPath(f));
    PaintCheeks(painter);
    PaintHair(painter);
    PaintEye(painter, f.rightEye);
    PaintEye(painter, f.leftEye);
    PaintBrow(painter, f.rightBrow);
    PaintBrow(painter, f.leftBrow);
    PaintNose(painter);
    PaintMouthShape(painter, f.mouth);
    painter.restore();
}

void PaintMouth(QPainter& painter, const QRectF& rect, const FacePose& pose) {
    const FaceShapes f = LayoutFace(pose);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect, kSkin);
    SetFaceTransform(painter, rect, 0.18, 0.92, 0.48);
    PaintMouthShape(painter, f.mouth);
    painter.restore();
}

}  // namespace lipsmith::face
