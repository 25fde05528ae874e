// A cartoon face as numbers: the fourteen speech channel values become a
// pose (each part's amount, 0..1), and the pose becomes the shapes a painter
// draws (face coordinates: origin at the face centre, x to the viewer's
// right, y down, 1 = half the face's width). Free of any drawing library so
// that every view of a face (the studio's preview, the phoneme map editor's
// mouth) shows the same shapes.
#pragma once
#include <array>

namespace lipsmith::face {

inline constexpr int kChannels = 14;

// Channel values by channel number - 1, in the order of the speech channels:
// Mouth Width, Mouth Open, Lower Lip Pullback, Mouth Upturn, Upper Teeth
// Exposed, Lower Teeth Exposed, Tongue Position, Lip Tension, Mouth
// Downturn, Mouth Puckered, Left Eye Blink, Right Eye Blink, Left Eye Brow,
// Right Eye Brow.
using ChannelValues = std::array<float, kChannels>;

// The value at which a channel is at its full amount. Mouth channels are
// phoneme map percentages (0..100); eye blinks and brows are keyed from the
// script's values, where 1.0 is a closed eye or a fully raised brow.
struct ChannelScale {
    float mouth = 100.0f;
    float eyes = 1.0f;
};

// Amounts of each part. Mouth parts and blinks are clamped to 0..1; brows
// to -1..1 (a negative brow frowns).
struct FacePose {
    float mouthWidth = 0, mouthOpen = 0, lowerLipPullback = 0, upturn = 0, upperTeeth = 0, lowerTeeth = 0,
          tongue = 0, lipTension = 0, downturn = 0, pucker = 0;
    float leftBlink = 0, rightBlink = 0, leftBrow = 0, rightBrow = 0;
};

// Values that are not numbers count as 0.
FacePose PoseFromChannels(const ChannelValues& values, const ChannelScale& scale = {});
// The pose of a mouth from the ten mouth parameters alone (phoneme map
// order: MouthWidth, MouthOpen, LowerLipPullback, MouthUpturn,
// TeethUpperVisible, TeethLowerVisible, TonguePosition, LipTension,
// MouthDownturn, MouthPuckered), eyes open.
FacePose PoseFromMouth(const std::array<float, 10>& mouth, float fullScale = 100.0f);

struct Point {
    float x = 0, y = 0;
};

// The mouth: an outer lip outline and an inner opening, both given by their
// corners and the heights of their upper and lower curves at the middle.
struct MouthShape {
    Point left, right;                   // outer corners
    Point innerLeft, innerRight;         // corners of the opening
    float upperLipTop = 0;               // y of the upper lip's outer edge at the middle
    float upperLipBottom = 0;            // y of the opening's top at the middle
    float lowerLipTop = 0;               // y of the opening's bottom at the middle
    float lowerLipBottom = 0;            // y of the lower lip's outer edge at the middle
    float bow = 0;                       // depth of the dip in the upper lip's middle
    float roundness = 0;                 // 0 flat curves .. 1 a round opening (pucker)
    float upperTeethDepth = 0;           // how far the upper teeth reach below the opening's top
    float lowerTeethDepth = 0;           // how far the lower teeth reach above the opening's bottom
    float tongueTop = 0;                 // y of the tongue's top at the middle
    bool tucked = false;                 // the lower lip is pulled in under the upper teeth
    bool Open() const { return lowerLipTop - upperLipBottom > 0.004f; }
};

struct EyeShape {
    Point centre;
    float halfWidth = 0, halfHeight = 0;
    float openness = 1;  // 1 open, 0 the lid is down
};

struct BrowShape {
    Point inner, peak, outer;
    float thickness = 0;
};

struct FaceShapes {
    MouthShape mouth;
    EyeShape leftEye, rightEye;     // the character's left eye is on the viewer's right
    BrowShape leftBrow, rightBrow;
    float chin = 0;                 // y of the chin's lowest point (drops with the jaw)
    float jawHalfWidth = 0;         // half width of the jaw at mouth height
};

FaceShapes LayoutFace(const FacePose& pose);

}  // namespace lipsmith::face
