#include <cmath>
#include <cstring>
#include <limits>

#include "engine/colour/distance_weights.h"
#include "engine/dither/plan_screening.h"
#include "engine/dither/plan_screening_math.h"
#include "tamble/compiled_features.h"
#include "tamble/isa_dispatch.h"

namespace {
using namespace plan_screening;

// Cube root, t > kEpsilon: an inverse cube root seeded from the float bits
// (within 4 %), two fourth-order refinements y *= (1 - e)^(-1/3) with
// e = 1 - t y^3 (series cut after e^3), then t y^2.
inline double screening_cbrt(double t) {
  float f = static_cast<float>(t);
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  bits = kSeed - bits / 3;
  std::memcpy(&f, &bits, sizeof f);
  double y = f;
  for (int i = 0; i < 2; ++i) {
    double e = 1.0 - t * ((y * y) * y);
    y = y + y * (e * (kThird + e * (kTwoNinths + e * kFourteen81sts)));
  }
  return t * (y * y);
}

inline double screening_f(double t) {
  return t <= kEpsilon ? (t * kKappa + 16.0) * (1.0 / 116.0) : screening_cbrt(t);
}
}  // namespace

void screen_candidates_scalar(const ScreeningBatch& batch, const ScreeningPixel& p, double* out) {
  for (std::size_t c = 0; c < batch.count; ++c) {
    double x = batch.x[c], y = batch.y[c], z = batch.z[c];
    if (!(std::fabs(x) < kLargest && std::fabs(y) < kLargest && std::fabs(z) < kLargest)) {
      out[c] = -std::numeric_limits<double>::infinity();
      continue;
    }
    double fx = screening_f(x), fy = screening_f(y), fz = screening_f(z);
    double L = (116.0 * fy - 16.0) * 0.01;
    double a = (500.0 * (fx - fy) + 134.0) * (1.0 / 354.0);
    double b = (200.0 * (fy - fz) + 140.0) * (1.0 / 262.0);
    double db0 = b - kNeutralB, da0 = a - kNeutralA;
    double cq = db0 * db0 + da0 * da0;
    double diff_c = p.chroma2 - cq;
    if (diff_c < 0) diff_c = -diff_c;
    double dl = p.L - L;
    out[c] = weighted_distance(diff_c, p.chroma2 + cq, p.blend, p.chroma_weight, p.a - a, p.b - b,
                               p.alpha - batch.alpha[c], dl * dl) +
             batch.reach[c];
  }
}

constinit const tamble::isa_kernel<screen_candidates_fn> kScreenCandidatesScalar{
    0, tamble::kCompiledFeatures, screen_candidates_scalar, __FILE__};

const tamble::isa_kernel<screen_candidates_fn>& screening_kernel(int wanted) {
  static const tamble::isa_kernel<screen_candidates_fn>* const kernels[] = {
      &kScreenCandidatesScalar, &kScreenCandidatesAvx2, &kScreenCandidatesAvx512};
  return tamble::select_kernel(kernels, wanted);
}
