// The mouth shapes other animation tools draw, and which of them each of our
// 49 phonemes makes.
#pragma once
#include <optional>

namespace lipsmith::exports {

// The nine shapes of the common cartoon mouth chart: A closed lips (m, b, p);
// B slightly open, teeth together (most consonants, "ee"); C open (eh, ae);
// D wide open (aa); E slightly rounded (ao, er); F puckered (uw, ow, w);
// G upper teeth on the lower lip (f, v); H tongue raised (l); X at rest.
enum class MouthShape { A, B, C, D, E, F, G, H, X };

// The ten shapes of a Moho switch layer (the Preston Blair set).
enum class MohoShape { AI, E, O, U, Etc, L, WQ, MBP, FV, Rest };

const char* ShapeName(MouthShape shape);  // "A" … "H", "X"
const char* ShapeName(MohoShape shape);   // "AI", "E", "O", "U", "etc", "L", "WQ", "MBP", "FV", "rest"

inline constexpr MouthShape kRestShape = MouthShape::X;
inline constexpr MohoShape kMohoRestShape = MohoShape::Rest;

// The shape a phoneme identifier (1 to 49) makes. Pauses (silence and the
// punctuation marks) rest. The marks that are no sound of their own (word
// boundary, the two stress marks, "~") and identifiers outside the set give
// nothing: the mouth keeps the shape it has.
std::optional<MouthShape> MouthShapeOf(int phonemeId);
std::optional<MohoShape> MohoShapeOf(int phonemeId);

}  // namespace lipsmith::exports
