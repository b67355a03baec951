#include <cmath>
#include <cstring>
#include <limits>

#include "engine/dither/plan_screening.h"
#include "engine/dither/plan_screening_math.h"

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
    double db0 = b - 0.5343511450381679, da0 = a - 0.3785310734463277;
    double cq = db0 * db0 + da0 * da0;
    double diff_c = p.chroma2 - cq;
    if (diff_c < 0) diff_c = -diff_c;
    double factor = ((diff_c * p.blend + (p.chroma2 + cq)) * 0.5 * 30.0 + 1.0) * p.chroma_weight;
    double da = p.a - a, db = p.b - b, dalpha = p.alpha - batch.alpha[c], dl = p.L - L;
    out[c] = factor * (1.003641 * (da * da) + 0.549752 * (db * db)) + 2.0 * (dalpha * dalpha) +
             dl * dl + batch.reach[c];
  }
}
