// Paints the face of a pose into a rectangle (kept at the face's own aspect
// ratio, centred). Used by every window that shows a face.
#pragma once
#include <QPainter>
#include <QRectF>

#include "FacePose.h"

namespace lipsmith::face {

// The whole face: head, hair, eyes, brows, nose and mouth.
void PaintFace(QPainter& painter, const QRectF& rect, const FacePose& pose);
// Only the mouth region, filling the rectangle (for a mouth beside number boxes).
void PaintMouth(QPainter& painter, const QRectF& rect, const FacePose& pose);

}  // namespace lipsmith::face
