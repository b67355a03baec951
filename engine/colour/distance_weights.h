#pragma once
// The squared colour distance: its weights, the working space's neutral
// point and the formula itself, in the one operation order that every
// kernel, scalar or vector, keeps (no fused multiply-add), so that they all
// agree bit for bit. Files compiled for other instruction sets include this
// header: it holds constants and a function that is always inlined, nothing
// that could be emitted once and shared between such files.

inline constexpr double kNeutralA = 0.3785310734463277;  // 134/354
inline constexpr double kNeutralB = 0.5343511450381679;  // 140/262

namespace distance_weights {
// Chroma factor: ((|cp - cq| * blend + (cp + cq)) * half * gain + 1) * Vividness.
inline constexpr double kHalf = 0.5;
inline constexpr double kChromaGain = 30.0;
// Weights of the a and b differences (under the chroma factor), of the alpha
// difference, and of the lightness difference, which is 1 so that
// (L difference)^2 bounds the whole distance from below.
inline constexpr double kWeightA = 1.003641;
inline constexpr double kWeightB = 0.549752;
inline constexpr double kWeightAlpha = 2.0;
}  // namespace distance_weights

// V is double or a vector of doubles with the compiler's element-wise
// operators. abs_diff_c = |cp - cq| and sum_c = cp + cq of the two squared
// chromas; dl2 the squared lightness difference.
template <class V>
[[gnu::always_inline]] inline V chroma_term(V abs_diff_c, V sum_c, V blend, V chroma_weight, V da, V db) {
  using namespace distance_weights;
  V factor = ((abs_diff_c * blend + sum_c) * (kHalf * kChromaGain) + 1.0) * chroma_weight;
  return factor * (kWeightA * (da * da) + kWeightB * (db * db));
}

template <class V>
[[gnu::always_inline]] inline V weighted_distance(V abs_diff_c, V sum_c, V blend, V chroma_weight, V da,
                                                  V db, V dalpha, V dl2) {
  using namespace distance_weights;
  return chroma_term(abs_diff_c, sum_c, blend, chroma_weight, da, db) + kWeightAlpha * (dalpha * dalpha) + dl2;
}

// The same where both alphas are 1: the alpha term is +0, and adding +0 to
// the chroma term (never -0) changes nothing, so it is left out.
template <class V>
[[gnu::always_inline]] inline V opaque_weighted_distance(V abs_diff_c, V sum_c, V blend, V chroma_weight, V da,
                                                         V db, V dl2) {
  return chroma_term(abs_diff_c, sum_c, blend, chroma_weight, da, db) + dl2;
}
