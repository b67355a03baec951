#pragma once
// The engine's working colour: premultiplied, Lab-shaped, about 0..1 per component.
#include <cmath>
#include <cstdint>

#include "engine/colour/default_gamma.h"
#include "engine/colour/distance_weights.h"

struct WorkColor {
  double alpha;
  double L;
  double a;
  double b;
};

inline constexpr double kAlmostTransparent = 1.0 / 256.0;

// RGBA bytes with encoding gamma -> working colour.
WorkColor to_work_color(const std::uint8_t rgba[4], double gamma);
// Premultiplied linear R, G, B (alpha kept) -> working colour.
WorkColor linear_to_work_color(double alpha, double r, double g, double b);
// Working colour -> RGBA bytes (truncating; exact inverse for non-zero alpha).
void to_rgba(const WorkColor& c, double gamma, std::uint8_t out[4]);

inline double squared_chroma(const WorkColor& c) {
  double db = c.b - kNeutralB;
  double da = c.a - kNeutralA;
  return db * db + da * da;
}

// The squared colour distance used everywhere. chroma_weight is Vividness,
// blend the engine's blend coefficient (1.0).
inline double color_difference(const WorkColor& p, const WorkColor& q, double chroma_weight,
                               double blend = 1.0) {
  double cp = squared_chroma(p);
  double cq = squared_chroma(q);
  // fabs, not a branch on the sign, which comes at random. The two differ
  // only at -0, and -0 * blend + (cp + cq) is the same sum as +0 would give.
  double diff_c = std::fabs(cp - cq);
  double dl = p.L - q.L;
  return weighted_distance(diff_c, cp + cq, blend, chroma_weight, p.a - q.a, p.b - q.b, p.alpha - q.alpha,
                           dl * dl);
}

// The two values that shape a run's colour difference: Vividness and the
// blend coefficient.
struct ColorMetric {
  double chroma_weight = 1.0;
  double blend = 1.0;
};

inline double color_difference(const WorkColor& p, const WorkColor& q, const ColorMetric& metric) {
  return color_difference(p, q, metric.chroma_weight, metric.blend);
}
