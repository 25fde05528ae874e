#include "MouthShapes.h"

#include "PhonemeSet.h"

namespace lipsmith::exports {
namespace {

struct ShapeRow {
    bool sounds;  // false for the marks that keep the shape before them
    MouthShape shape;
    MohoShape moho;
};

using enum MouthShape;
constexpr MohoShape kAI = MohoShape::AI, kE = MohoShape::E, kO = MohoShape::O, kU = MohoShape::U,
                    kEtc = MohoShape::Etc, kL = MohoShape::L, kWQ = MohoShape::WQ, kMBP = MohoShape::MBP,
                    kFV = MohoShape::FV, kRest = MohoShape::Rest;

// Indexed by identifier - 1; the table written down in docs/exports.md.
constexpr ShapeRow kRows[kPhonemeCount] = {
    {false, X, kRest},  // 1  ~
    {true, X, kRest},   // 2  !
    {false, X, kRest},  // 3  word boundary
    {true, X, kRest},   // 4  ,
    {true, X, kRest},   // 5  .
    {true, X, kRest},   // 6  ?
    {true, X, kRest},   // 7  _ silence
    {false, X, kRest},  // 8  primary stress
    {false, X, kRest},  // 9  secondary stress
    {true, D, kAI},     // 10 aa  father
    {true, C, kAI},     // 11 ae  bat
    {true, C, kAI},     // 12 ah  but
    {true, E, kO},      // 13 ao  off
    {true, D, kAI},     // 14 aw  how
    {true, C, kAI},     // 15 ax  about
    {true, D, kAI},     // 16 ay  bite
    {true, A, kMBP},    // 17 b
    {true, B, kEtc},    // 18 ch
    {true, B, kEtc},    // 19 d
    {true, B, kEtc},    // 20 dh  this
    {true, C, kE},      // 21 eh  bet
    {true, E, kE},      // 22 er  bird
    {true, C, kE},      // 23 ey  bait
    {true, G, kFV},     // 24 f
    {true, B, kEtc},    // 25 g
    {true, C, kEtc},    // 26 h
    {true, C, kE},      // 27 ih  bit
    {true, B, kE},      // 28 iy  beet
    {true, B, kEtc},    // 29 jy  joy
    {true, B, kEtc},    // 30 k
    {true, H, kL},      // 31 l
    {true, A, kMBP},    // 32 m
    {true, B, kEtc},    // 33 n
    {true, B, kEtc},    // 34 ng
    {true, F, kO},      // 35 ow  boat
    {true, E, kO},      // 36 oy  boy
    {true, A, kMBP},    // 37 p
    {true, E, kEtc},    // 38 r
    {true, B, kEtc},    // 39 s
    {true, B, kEtc},    // 40 sh
    {true, B, kEtc},    // 41 t
    {true, B, kEtc},    // 42 th
    {true, E, kU},      // 43 uh  book
    {true, F, kU},      // 44 uw  boot
    {true, G, kFV},     // 45 v
    {true, F, kWQ},     // 46 w
    {true, B, kEtc},    // 47 y
    {true, B, kEtc},    // 48 z
    {true, B, kEtc},    // 49 zh  pleasure
};

}  // namespace

const char* ShapeName(MouthShape shape) {
    static constexpr const char* kNames[] = {"A", "B", "C", "D", "E", "F", "G", "H", "X"};
    return kNames[static_cast<int>(shape)];
}

const char* ShapeName(MohoShape shape) {
    static constexpr const char* kNames[] = {"AI", "E", "O", "U", "etc", "L", "WQ", "MBP", "FV", "rest"};
    return kNames[static_cast<int>(shape)];
}

std::optional<MouthShape> MouthShapeOf(int phonemeId) {
    if (!IsPhonemeId(phonemeId) || !kRows[phonemeId - 1].sounds) return std::nullopt;
    return kRows[phonemeId - 1].shape;
}

std::optional<MohoShape> MohoShapeOf(int phonemeId) {
    if (!IsPhonemeId(phonemeId) || !kRows[phonemeId - 1].sounds) return std::nullopt;
    return kRows[phonemeId - 1].moho;
}

}  // namespace lipsmith::exports
