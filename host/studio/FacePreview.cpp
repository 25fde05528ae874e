#include "FacePreview.h"

#include <QLinearGradient>
#include <QPainter>
#include <cmath>

#include "FacePainter.h"
#include "SceneEdits.h"
#include "SpeechRig.h"

namespace lipsmith::studio {

FacePreview::FacePreview(Interface& ip, QWidget* parent) : QWidget(parent), ip_(ip) {
    setObjectName("facePreview");
    setAccessibleName("Face preview");
    setMinimumSize(220, 220);
}

void FacePreview::SetNode(INode* node) {
    chosen_ = node;
    update();
}

INode* FacePreview::ShownNode() const {
    INode* root = ip_.GetRootNode();
    if (chosen_ && NodeInScene(root, chosen_) && EvaluateRig(chosen_, 0).controllers > 0) return chosen_;
    return FirstSpeakingNode(root);
}

void FacePreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(204, 220, 236));
    sky.setColorAt(1, QColor(156, 176, 200));
    p.fillRect(rect(), sky);

    const TimeValue t = ip_.GetTime();
    INode* node = ShownNode();
    const RigValues rig = EvaluateRig(node, t);
    const face::FacePose pose = face::PoseFromChannels(rig.values);
    const int margin = 16;
    const QRectF area = rect().adjusted(margin, margin + 18, -margin, -margin);
    if (!node) p.setOpacity(0.45);
    face::PaintFace(p, area, pose);
    p.setOpacity(1.0);

    // A caption over the corner: whose face, at which frame.
    const int tpf = std::max(ip_.GetTicksPerFrame(), 1);
    const QString frame = QString("frame %1").arg(static_cast<long long>(std::floor(static_cast<double>(t) / tpf)));
    const QString caption = node ? QString::fromUtf8(node->GetName()) + "  \u00B7  " + frame
                                 : "No node with speech controllers  \u00B7  " + frame;
    p.setRenderHint(QPainter::Antialiasing);
    const QRect box = p.fontMetrics().boundingRect(caption).adjusted(-8, -4, 8, 4).translated(16, 14 + p.fontMetrics().ascent());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawRoundedRect(box, 6, 6);
    p.setPen(QColor(30, 40, 60));
    p.drawText(box, Qt::AlignCenter, caption);
    lastPose_ = pose;
    lastTime_ = t;
    ++paints_;
}

}  // namespace lipsmith::studio
