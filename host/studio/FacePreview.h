// The viewport: the face of the chosen node (by default the first node
// with speech controllers) posed by its speech channels at the scene's
// current time.
#pragma once
#include <QWidget>

#include "FacePose.h"
#include "Interface.h"

namespace lipsmith::studio {

class FacePreview : public QWidget {
    Q_OBJECT
public:
    explicit FacePreview(Interface& ip, QWidget* parent = nullptr);

    // The node whose face is shown; none picks the first speaking node.
    void SetNode(INode* node);
    // The node shown now (checked against the scene).
    INode* ShownNode() const;

    // What the last paint showed (for tests and the smoke run).
    const face::FacePose& LastPose() const { return lastPose_; }
    TimeValue LastTime() const { return lastTime_; }
    int Paints() const { return paints_; }

    QSize sizeHint() const override { return {480, 480}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Interface& ip_;
    INode* chosen_ = nullptr;
    face::FacePose lastPose_;
    TimeValue lastTime_ = 0;
    int paints_ = 0;
};

}  // namespace lipsmith::studio
