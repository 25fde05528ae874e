#include "FacePose.h"

#include <algorithm>
#include <cmath>

namespace lipsmith::face {
namespace {

float Amount(float value, float fullScale, float lo, float hi) {
    if (!std::isfinite(value) || !std::isfinite(fullScale) || fullScale == 0.0f) return 0.0f;
    return std::clamp(value / fullScale, lo, hi);
}

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// Where the parts sit on a neutral face.
constexpr float kMouthY = 0.52f;
constexpr float kEyeX = 0.38f, kEyeY = -0.12f;
constexpr float kBrowY = -0.40f;
constexpr float kChinY = 1.12f;

MouthShape LayoutMouth(const FacePose& p) {
    MouthShape m;
    const float halfWidth = std::clamp(0.27f + 0.14f * p.mouthWidth - 0.13f * p.pucker, 0.11f, 0.44f);
    // Showing teeth parts the lips a little even when the jaw hardly moves.
    const float teeth = std::max(p.upperTeeth, p.lowerTeeth);
    const float gap = std::max(0.40f * p.mouthOpen, 0.03f * teeth * (1.0f - p.lowerLipPullback));
    const float cornerY = kMouthY - 0.055f * p.upturn + 0.065f * p.downturn + 0.18f * gap;
    m.left = {-halfWidth, cornerY};
    m.right = {halfWidth, cornerY};
    const float innerHalf = std::max(halfWidth - 0.03f - 0.05f * p.pucker, 0.04f);
    m.innerLeft = {-innerHalf, cornerY};
    m.innerRight = {innerHalf, cornerY};

    const float upperThick = 0.056f * (1.0f - 0.45f * p.lipTension) + 0.030f * p.pucker;
    float lowerThick = 0.072f * (1.0f - 0.40f * p.lipTension) + 0.035f * p.pucker;
    m.upperLipBottom = kMouthY - 0.25f * gap;
    m.lowerLipTop = kMouthY + 0.75f * gap;
    m.upperTeethDepth = p.upperTeeth > 0.02f ? 0.015f + 0.05f * p.upperTeeth : 0.0f;
    m.lowerTeethDepth = p.lowerTeeth > 0.02f ? 0.015f + 0.05f * p.lowerTeeth : 0.0f;
    // Pulled back, the lower lip rides up under the upper teeth (f, v).
    const float tuckTo = m.upperLipBottom + 0.6f * std::min(m.upperTeethDepth, std::max(gap, 0.0f));
    m.lowerLipTop = Lerp(m.lowerLipTop, std::max(tuckTo, m.upperLipBottom), p.lowerLipPullback);
    lowerThick *= 1.0f - 0.35f * p.lowerLipPullback;
    m.tucked = p.lowerLipPullback > 0.5f;
    m.upperLipTop = m.upperLipBottom - upperThick;
    m.lowerLipBottom = m.lowerLipTop + lowerThick;
    m.bow = 0.018f * (1.0f - p.pucker);
    m.roundness = p.pucker;
    const float opening = m.lowerLipTop - m.upperLipBottom;
    m.upperTeethDepth = std::min(m.upperTeethDepth, std::max(opening, 0.0f));
    m.lowerTeethDepth = std::min(m.lowerTeethDepth, std::max(opening - m.upperTeethDepth, 0.0f));
    // Low, the tongue lies behind the lower teeth; high, its tip touches the upper teeth.
    m.tongueTop = Lerp(m.lowerLipTop - 0.25f * opening, m.upperLipBottom + m.upperTeethDepth * 0.8f, p.tongue);
    return m;
}

EyeShape LayoutEye(float x, float blink) {
    EyeShape e;
    e.centre = {x, kEyeY};
    e.halfWidth = 0.16f;
    e.halfHeight = 0.10f;
    e.openness = 1.0f - blink;
    return e;
}

// side: +1 for the brow on the viewer's right, -1 on the left.
BrowShape LayoutBrow(float side, float raise) {
    BrowShape b;
    const float y = kBrowY - 0.12f * raise;
    const float frown = std::max(-raise, 0.0f);
    b.inner = {side * 0.16f, y + 0.015f + 0.05f * frown};
    b.peak = {side * 0.38f, y - 0.05f - 0.03f * std::max(raise, 0.0f)};
    b.outer = {side * 0.58f, y + 0.02f};
    b.thickness = 0.045f;
    return b;
}

}  // namespace

FacePose PoseFromChannels(const ChannelValues& v, const ChannelScale& scale) {
    FacePose p;
    p.mouthWidth = Amount(v[0], scale.mouth, 0, 1);
    p.mouthOpen = Amount(v[1], scale.mouth, 0, 1);
    p.lowerLipPullback = Amount(v[2], scale.mouth, 0, 1);
    p.upturn = Amount(v[3], scale.mouth, 0, 1);
    p.upperTeeth = Amount(v[4], scale.mouth, 0, 1);
    p.lowerTeeth = Amount(v[5], scale.mouth, 0, 1);
    p.tongue = Amount(v[6], scale.mouth, 0, 1);
    p.lipTension = Amount(v[7], scale.mouth, 0, 1);
    p.downturn = Amount(v[8], scale.mouth, 0, 1);
    p.pucker = Amount(v[9], scale.mouth, 0, 1);
    p.leftBlink = Amount(v[10], scale.eyes, 0, 1);
    p.rightBlink = Amount(v[11], scale.eyes, 0, 1);
    p.leftBrow = Amount(v[12], scale.eyes, -1, 1);
    p.rightBrow = Amount(v[13], scale.eyes, -1, 1);
    return p;
}

FacePose PoseFromMouth(const std::array<float, 10>& mouth, float fullScale) {
    ChannelValues v{};
    std::copy(mouth.begin(), mouth.end(), v.begin());
    return PoseFromChannels(v, {fullScale, 1.0f});
}

FaceShapes LayoutFace(const FacePose& pose) {
    FaceShapes f;
    f.mouth = LayoutMouth(pose);
    f.rightEye = LayoutEye(-kEyeX, pose.rightBlink);
    f.leftEye = LayoutEye(kEyeX, pose.leftBlink);
    f.rightBrow = LayoutBrow(-1.0f, pose.rightBrow);
    f.leftBrow = LayoutBrow(1.0f, pose.leftBrow);
    const float gap = f.mouth.lowerLipTop - f.mouth.upperLipBottom;
    f.chin = kChinY + 0.55f * std::max(gap, 0.0f);
    f.jawHalfWidth = 0.66f;
    return f;
}

}  // namespace lipsmith::face
