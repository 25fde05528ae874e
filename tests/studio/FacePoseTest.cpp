// The face's pose model: channel values to amounts and amounts to shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FacePose.h"

using namespace lipsmith::face;

namespace {

ChannelValues Channels(std::initializer_list<std::pair<int, float>> set) {
    ChannelValues v{};
    for (auto [ch, value] : set) v[static_cast<std::size_t>(ch - 1)] = value;
    return v;
}

float Opening(const FaceShapes& f) { return f.mouth.lowerLipTop - f.mouth.upperLipBottom; }
float Width(const FaceShapes& f) { return f.mouth.right.x - f.mouth.left.x; }

}  // namespace

TEST(FacePose, MouthPercentagesAndEyeFractionsBecomeAmounts) {
    const FacePose p = PoseFromChannels(Channels({{1, 50}, {2, 150}, {4, -20}, {11, 1.0f}, {13, 0.8f}, {14, -3}}));
    EXPECT_FLOAT_EQ(p.mouthWidth, 0.5f);
    EXPECT_FLOAT_EQ(p.mouthOpen, 1.0f);  // clamped
    EXPECT_FLOAT_EQ(p.upturn, 0.0f);
    EXPECT_FLOAT_EQ(p.leftBlink, 1.0f);
    EXPECT_FLOAT_EQ(p.leftBrow, 0.8f);
    EXPECT_FLOAT_EQ(p.rightBrow, -1.0f);  // a frown, clamped
    const FacePose bad = PoseFromChannels(Channels({{2, std::numeric_limits<float>::quiet_NaN()},
                                                    {12, std::numeric_limits<float>::infinity()}}));
    EXPECT_EQ(bad.mouthOpen, 0.0f);
    EXPECT_EQ(bad.rightBlink, 0.0f);
    const FacePose zeroScale = PoseFromChannels(Channels({{1, 50}}), {0.0f, 1.0f});
    EXPECT_EQ(zeroScale.mouthWidth, 0.0f);
    // A mouth alone, in phoneme map order.
    const FacePose m = PoseFromMouth({81, 13, 0, 63, 31, 75, 100, 0, 0, 0});
    EXPECT_FLOAT_EQ(m.tongue, 1.0f);
    EXPECT_FLOAT_EQ(m.lowerTeeth, 0.75f);
}

TEST(FacePose, ShapesFollowTheirChannels) {
    const FaceShapes rest = LayoutFace({});
    EXPECT_FALSE(rest.mouth.Open());
    EXPECT_FLOAT_EQ(rest.leftEye.openness, 1.0f);

    FacePose open;
    open.mouthOpen = 0.8f;
    const FaceShapes o = LayoutFace(open);
    EXPECT_TRUE(o.mouth.Open());
    EXPECT_GT(Opening(o), 0.2f);
    EXPECT_GT(o.chin, rest.chin);  // the jaw drops with it

    FacePose wide = open, pucker = open;
    wide.mouthWidth = 1.0f;
    pucker.pucker = 1.0f;
    EXPECT_GT(Width(LayoutFace(wide)), Width(o));
    EXPECT_LT(Width(LayoutFace(pucker)), Width(o));

    FacePose smile, frown;
    smile.upturn = 1.0f;
    frown.downturn = 1.0f;
    EXPECT_LT(LayoutFace(smile).mouth.left.y, rest.mouth.left.y);  // corners up (y grows downward)
    EXPECT_GT(LayoutFace(frown).mouth.left.y, rest.mouth.left.y);

    FacePose teeth = open;
    teeth.upperTeeth = 1.0f;
    const FaceShapes t = LayoutFace(teeth);
    EXPECT_GT(t.mouth.upperTeethDepth, 0.0f);
    EXPECT_LE(t.mouth.upperTeethDepth + t.mouth.lowerTeethDepth, Opening(t) + 1e-6f);

    FacePose f = open;
    f.upperTeeth = 0.5f;
    f.lowerLipPullback = 1.0f;
    const FaceShapes tucked = LayoutFace(f);
    EXPECT_TRUE(tucked.mouth.tucked);
    EXPECT_LT(Opening(tucked), Opening(o) / 4);  // the lower lip rides up under the teeth

    FacePose tongueUp = open, tongueDown = open;
    tongueUp.tongue = 1.0f;
    EXPECT_LT(LayoutFace(tongueUp).mouth.tongueTop, LayoutFace(tongueDown).mouth.tongueTop);

    FacePose eyes;
    eyes.leftBlink = 1.0f;
    eyes.rightBrow = 1.0f;
    const FaceShapes e = LayoutFace(eyes);
    EXPECT_FLOAT_EQ(e.leftEye.openness, 0.0f);
    EXPECT_FLOAT_EQ(e.rightEye.openness, 1.0f);
    EXPECT_GT(e.leftEye.centre.x, 0.0f);  // the character's left is on the viewer's right
    EXPECT_LT(e.rightBrow.peak.y, rest.rightBrow.peak.y);
    EXPECT_FLOAT_EQ(e.leftBrow.peak.y, rest.leftBrow.peak.y);
}
