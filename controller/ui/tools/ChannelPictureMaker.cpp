// Paints the fourteen channel pictures (bitmaps 104 to 117): 60 x 60, 24-bit
// PNG files showing the part of the face a channel moves, with a red arrow
// for the motion. Usage: lipsmith-channel-pictures OUTPUT_FOLDER
//
// Pictures are painted four times larger and scaled down, which gives clean
// edges at their small size. The face is seen from the front, so the
// character's left eye is on the picture's right; the side not concerned is
// dimmed.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSize = 60;
constexpr int kScale = 4;

const QColor kSkin(0xF2, 0xCC, 0xAA);
const QColor kSkinShade(0xDE, 0xB0, 0x8C);
const QColor kOutline(0x8A, 0x5A, 0x40);
const QColor kUpperLip(0xB8, 0x56, 0x52);
const QColor kLowerLip(0xCF, 0x70, 0x68);
const QColor kMouthLine(0x5E, 0x22, 0x22);
const QColor kMouthInside(0x4A, 0x18, 0x1C);
const QColor kTeeth(0xFA, 0xF8, 0xF0);
const QColor kTongue(0xE0, 0x78, 0x84);
const QColor kArrow(0xE0, 0x10, 0x10);
const QColor kBackground(0xDC, 0xE6, 0xEF);

QPointF P(double x, double y) { return {x, y}; }

// A red arrow with a thin white halo, so it reads on skin and on lips alike.
void Arrow(QPainter& p, QPointF from, QPointF to, double width = 2.4, double head = 6.0) {
    const QLineF line(from, to);
    const double angle = qDegreesToRadians(line.angle());
    const QPointF dir(std::cos(angle), -std::sin(angle));
    const QPointF normal(-dir.y(), dir.x());
    const QPointF base = to - dir * head;
    QPolygonF tip;
    tip << to << base + normal * head * 0.6 << base - normal * head * 0.6;
    for (int pass = 0; pass < 2; ++pass) {
        const QColor c = pass == 0 ? QColor(255, 255, 255, 230) : kArrow;
        const double grow = pass == 0 ? 1.6 : 0.0;
        p.setPen(QPen(c, width + grow, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawLine(from, base + dir * 0.5);
        p.setPen(QPen(c, 1.0 + grow, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(c);
        p.drawPolygon(tip);
    }
}

void DoubleArrow(QPainter& p, QPointF a, QPointF b) {
    const QPointF mid = (a + b) / 2;
    Arrow(p, mid, a);
    Arrow(p, mid, b);
}

// Lower face seen from the front: nostrils at the top, chin line at the bottom.
void LowerFace(QPainter& p) {
    p.fillRect(QRectF(0, 0, kSize, kSize), kSkin);
    p.setPen(QPen(kSkinShade, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(20, 2, 8, 6), 200 * 16, 140 * 16);
    p.drawArc(QRectF(32, 2, 8, 6), 200 * 16, 140 * 16);
    p.drawArc(QRectF(23, 41, 14, 6), 200 * 16, 140 * 16);  // crease above the chin
}

// Upper face seen from the front: both brows and eyes.
void UpperFace(QPainter& p) {
    p.fillRect(QRectF(0, 0, kSize, kSize), kSkin);
    p.setPen(QPen(kSkinShade, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(P(30, 30), P(30, 50));  // bridge of the nose
}

// A closed mouth from corner to corner; `curve` lifts (< 0) or drops (> 0)
// the corners, `lips` scales the lips' fullness.
void ClosedMouth(QPainter& p, double left, double right, double y, double curve, double lips = 1.0) {
    const double cx = (left + right) / 2, half = (right - left) / 2;
    const double cy = y - curve;  // middle of the mouth line
    QPainterPath upper;
    upper.moveTo(left, y);
    upper.cubicTo(cx - half * 0.6, cy - 5 * lips, cx - 3, cy - 5.5 * lips, cx, cy - 4.2 * lips);
    upper.cubicTo(cx + 3, cy - 5.5 * lips, cx + half * 0.6, cy - 5 * lips, right, y);
    upper.quadTo(cx, cy + 0.6 - curve * 0.2, left, y);
    QPainterPath lower;
    lower.moveTo(left, y);
    lower.quadTo(cx, cy + 0.6 - curve * 0.2, right, y);
    lower.cubicTo(cx + half * 0.5, cy + 7 * lips, cx - half * 0.5, cy + 7 * lips, left, y);
    p.setPen(Qt::NoPen);
    p.setBrush(kLowerLip);
    p.drawPath(lower);
    p.setBrush(kUpperLip);
    p.drawPath(upper);
    QPainterPath line;
    line.moveTo(left, y);
    line.quadTo(cx, cy + 0.6 - curve * 0.2, right, y);
    p.setPen(QPen(kMouthLine, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
}

// An open mouth: lips around an opening of the given height. `inside`
// paints teeth or tongue into the opening (clipped to it).
void OpenMouth(QPainter& p, double left, double right, double top, double bottom,
               const std::function<void(QPainter&, const QRectF&)>& inside = {}) {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const QRectF hole(left + 3, top, right - left - 6, bottom - top);
    QPainterPath lips;
    lips.addEllipse(QRectF(left, top - 5, right - left, bottom - top + 11));
    p.setPen(Qt::NoPen);
    p.setBrush(kLowerLip);
    p.drawPath(lips);
    p.save();
    p.setClipRect(QRectF(left - 1, top - 6, right - left + 2, cy - top + 6));
    p.setBrush(kUpperLip);
    p.drawPath(lips);
    p.restore();
    QPainterPath opening;
    opening.addEllipse(hole);
    p.setBrush(kMouthInside);
    p.drawPath(opening);
    if (inside) {
        p.save();
        p.setClipPath(opening);
        inside(p, hole);
        p.restore();
    }
    p.setPen(QPen(kMouthLine, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(hole);
    (void)cx;
}

void UpperTeeth(QPainter& p, const QRectF& hole) {
    p.setPen(QPen(QColor(0xC8, 0xC0, 0xB0), 0.6));
    p.setBrush(kTeeth);
    const double h = hole.height() * 0.42;
    p.drawRect(QRectF(hole.left(), hole.top() - 1, hole.width(), h + 1));
    for (double x = hole.center().x() - 9; x <= hole.center().x() + 9.1; x += 4.5)
        p.drawLine(P(x, hole.top()), P(x, hole.top() + h));
}

void LowerTeeth(QPainter& p, const QRectF& hole) {
    p.setPen(QPen(QColor(0xC8, 0xC0, 0xB0), 0.6));
    p.setBrush(kTeeth);
    const double h = hole.height() * 0.40;
    p.drawRect(QRectF(hole.left(), hole.bottom() - h, hole.width(), h + 1));
    for (double x = hole.center().x() - 8; x <= hole.center().x() + 8.1; x += 4)
        p.drawLine(P(x, hole.bottom() - h), P(x, hole.bottom()));
}

// One eye: white, iris, and an upper lid closed by `closed` (0 open, 1 shut).
void Eye(QPainter& p, double cx, double cy, double closed) {
    const QRectF white(cx - 9, cy - 5, 18, 10);
    QPainterPath shape;
    shape.moveTo(white.left(), cy);
    shape.quadTo(cx, cy - 9, white.right(), cy);
    shape.quadTo(cx, cy + 8, white.left(), cy);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFC, 0xFC, 0xFA));
    p.drawPath(shape);
    p.save();
    p.setClipPath(shape);
    p.setBrush(QColor(0x4E, 0x7A, 0x9E));
    p.drawEllipse(P(cx, cy), 4.2, 4.2);
    p.setBrush(QColor(0x1A, 0x1A, 0x22));
    p.drawEllipse(P(cx, cy), 1.9, 1.9);
    if (closed > 0) {
        p.setBrush(kSkinShade);
        p.drawRect(QRectF(white.left() - 1, cy - 10, white.width() + 2, 10 * closed + 10 * closed * 0.5));
    }
    p.restore();
    // Lid edge: the upper line of the eye, lowered as the lid closes.
    QPainterPath lid;
    const double drop = closed * 12;
    lid.moveTo(white.left(), cy);
    lid.quadTo(cx, cy - 9 + drop * 1.4, white.right(), cy);
    p.setPen(QPen(QColor(0x3A, 0x26, 0x20), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(lid);
    QPainterPath under;
    under.moveTo(white.left() + 1, cy + 0.5);
    under.quadTo(cx, cy + 7.5, white.right() - 1, cy + 0.5);
    p.setPen(QPen(kOutline, 0.8));
    p.drawPath(under);
}

void Brow(QPainter& p, double cx, double cy, bool viewersLeft) {
    QPainterPath brow;
    const double inner = viewersLeft ? cx + 10 : cx - 10, outer = viewersLeft ? cx - 11 : cx + 11;
    brow.moveTo(inner, cy + 2);
    brow.quadTo(cx, cy - 4, outer, cy + 2.5);
    p.setPen(QPen(QColor(0x5A, 0x3A, 0x28), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(brow);
}

// Veils the half of the picture that the channel does not move.
void DimHalf(QPainter& p, bool viewersLeft) {
    p.fillRect(QRectF(viewersLeft ? 0 : 30, 0, 30, kSize), QColor(kSkin.red(), kSkin.green(), kSkin.blue(), 150));
}

// The upper face for an eye channel; `right` is the character's right side
// (the picture's left).
void EyePicture(QPainter& p, bool characterRight, bool blink) {
    UpperFace(p);
    const double eyeY = 36, browY = blink ? 19 : 14;
    for (int side = 0; side < 2; ++side) {
        const bool viewersLeft = side == 0;
        const double cx = viewersLeft ? 15 : 45;
        const bool concerned = viewersLeft == characterRight;
        Brow(p, cx, concerned && !blink ? browY : 19, viewersLeft);
        Eye(p, cx, eyeY, concerned && blink ? 0.5 : 0.0);
    }
    DimHalf(p, !characterRight);
    const double cx = characterRight ? 15 : 45;
    if (blink) Arrow(p, P(cx, 20.5), P(cx, 31), 2.2, 5.0);
    else Arrow(p, P(cx, 27), P(cx, 3));
}

// Lower face in profile, looking to the picture's left; the lower lip's
// place before it moved back is dashed.
void ProfilePicture(QPainter& p) {
    p.fillRect(QRectF(0, 0, kSize, kSize), kBackground);
    // Drawn larger around the lips.
    p.save();
    p.translate(30, 30);
    p.scale(1.5, 1.5);
    p.translate(-24, -31);
    QPainterPath face;
    face.moveTo(60, 0);
    face.lineTo(30, 0);
    face.cubicTo(26, 5, 14, 9, 14, 13);    // nose and its tip
    face.quadTo(16, 17, 23, 18);           // underside of the nose
    face.cubicTo(19, 19, 16, 23, 18, 28);  // upper lip
    face.quadTo(20, 30, 24, 30);
    face.cubicTo(22, 31, 22, 36, 26, 38);  // lower lip, pulled back
    face.quadTo(29, 40, 27, 43);           // crease under the lip
    face.cubicTo(20, 47, 19, 55, 26, 58);  // chin
    face.lineTo(30, 60);
    face.lineTo(60, 60);
    face.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kSkin);
    p.drawPath(face);
    p.save();
    p.setClipPath(face);
    p.setBrush(kUpperLip);
    p.drawEllipse(QRectF(12, 18.6, 13, 11.4));
    p.setBrush(kLowerLip);
    p.drawEllipse(QRectF(17, 30, 10, 8.5));
    p.restore();
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(face);
    p.setPen(QPen(kMouthLine, 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(P(21, 30), P(27, 30.5));
    QPainterPath before;
    before.moveTo(24, 30.5);
    before.cubicTo(15, 31, 15, 37.5, 25, 38.5);
    p.setPen(QPen(kMouthLine, 0.7, Qt::DashLine));
    p.setBrush(QColor(kLowerLip.red(), kLowerLip.green(), kLowerLip.blue(), 110));
    p.drawPath(before);
    p.restore();
    Arrow(p, P(2, 35), P(22, 35), 2.4, 6.0);
}

void Paint(int channel, QPainter& p) {
    switch (channel) {
        case 1:  // Mouth Width
            LowerFace(p);
            ClosedMouth(p, 15, 45, 30, 0);
            Arrow(p, P(13, 30), P(3, 30));
            Arrow(p, P(47, 30), P(57, 30));
            break;
        case 2:  // Mouth Open
            LowerFace(p);
            OpenMouth(p, 19, 41, 21, 39);
            DoubleArrow(p, P(50, 16), P(50, 46));
            break;
        case 3:  // Lower Lip Pullback
            ProfilePicture(p);
            break;
        case 4:  // Mouth Upturn
            LowerFace(p);
            ClosedMouth(p, 15, 45, 29, -3.5);
            Arrow(p, P(11, 36), P(11, 20));
            Arrow(p, P(49, 36), P(49, 20));
            break;
        case 5:  // Upper Teeth Exposed
            LowerFace(p);
            OpenMouth(p, 16, 44, 24, 36, UpperTeeth);
            Arrow(p, P(30, 17), P(30, 6));
            break;
        case 6:  // Lower Teeth Exposed
            LowerFace(p);
            OpenMouth(p, 16, 44, 22, 34, LowerTeeth);
            Arrow(p, P(30, 42), P(30, 55));
            break;
        case 7:  // Tongue Position
            LowerFace(p);
            OpenMouth(p, 15, 45, 18, 42, [](QPainter& q, const QRectF& hole) {
                UpperTeeth(q, QRectF(hole.left(), hole.top(), hole.width(), hole.height() * 0.6));
                q.setPen(QPen(kTongue.darker(125), 0.8));
                q.setBrush(kTongue);
                q.drawEllipse(QRectF(hole.left() + 2, hole.top() + 9, hole.width() - 4, hole.height()));
            });
            Arrow(p, P(30, 38), P(30, 26), 2.2, 5.0);
            break;
        case 8:  // Lip Tension
            LowerFace(p);
            ClosedMouth(p, 17, 43, 30, 0, 0.45);
            Arrow(p, P(30, 12), P(30, 24));
            Arrow(p, P(30, 48), P(30, 35));
            break;
        case 9:  // Mouth Downturn
            LowerFace(p);
            ClosedMouth(p, 15, 45, 30, 3.5);
            Arrow(p, P(11, 24), P(11, 40));
            Arrow(p, P(49, 24), P(49, 40));
            break;
        case 10:  // Mouth Puckered
            LowerFace(p);
            OpenMouth(p, 23, 37, 27, 33);
            Arrow(p, P(5, 30), P(18, 30));
            Arrow(p, P(55, 30), P(42, 30));
            break;
        case 11: EyePicture(p, false, true); break;   // Left Eye Blink
        case 12: EyePicture(p, true, true); break;    // Right Eye Blink
        case 13: EyePicture(p, false, false); break;  // Left Eye Brow
        case 14: EyePicture(p, true, false); break;   // Right Eye Brow
        default: break;
    }
    // A thin frame sets the picture off from the dialog.
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, kSize - 1, kSize - 1));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lipsmith-channel-pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "lipsmith-channel-pictures: cannot make %s\n", argv[1]);
        return 1;
    }
    for (int channel = 1; channel <= 14; ++channel) {
        QImage big(kSize * kScale, kSize * kScale, QImage::Format_ARGB32_Premultiplied);
        big.fill(Qt::white);
        {
            QPainter p(&big);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(kScale, kScale);
            Paint(channel, p);
        }
        const QImage small = big.scaled(kSize, kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_RGB888);
        const QString file = out.filePath(QStringLiteral("%1.png").arg(103 + channel));
        if (!small.save(file, "PNG")) {
            std::fprintf(stderr, "lipsmith-channel-pictures: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
