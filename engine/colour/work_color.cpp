#include "engine/colour/work_color.h"

#include <cmath>


namespace {
constexpr double kEpsilon = 0.008856451679035631;
constexpr double kKappa = 903.2962962962963;

double lab_f(double t) { return t <= kEpsilon ? (t * kKappa + 16.0) / 116.0 : std::cbrt(t); }

double lab_f_inverse(double f) {
  double cube = f * f * f;
  return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

// Linear RGB -> XYZ.
constexpr double kToXyz[3][3] = {{0.4124564, 0.3575761, 0.1804375},
                                 {0.2126729, 0.7151522, 0.072175},
                                 {0.0193339, 0.119192, 0.9503041}};

// XYZ -> linear RGB as the exact inverse of kToXyz. The usual seven-digit
// inverse is off by about 1e-7, enough to turn a channel byte of 1 next to
// bright channels into 0 on the way back.
struct Matrix3 {
  double m[3][3];
};
constexpr Matrix3 invert(const double (&a)[3][3]) {
  double c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
  double c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
  double c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
  double det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
  Matrix3 r{};
  r.m[0][0] = c00 / det;
  r.m[0][1] = (a[0][2] * a[2][1] - a[0][1] * a[2][2]) / det;
  r.m[0][2] = (a[0][1] * a[1][2] - a[0][2] * a[1][1]) / det;
  r.m[1][0] = c01 / det;
  r.m[1][1] = (a[0][0] * a[2][2] - a[0][2] * a[2][0]) / det;
  r.m[1][2] = (a[0][2] * a[1][0] - a[0][0] * a[1][2]) / det;
  r.m[2][0] = c02 / det;
  r.m[2][1] = (a[0][1] * a[2][0] - a[0][0] * a[2][1]) / det;
  r.m[2][2] = (a[0][0] * a[1][1] - a[0][1] * a[1][0]) / det;
  return r;
}
constexpr Matrix3 kToRgb = invert(kToXyz);
}  // namespace

WorkColor linear_to_work_color(double alpha, double r, double g, double b) {
  double x = kToXyz[0][0] * r + kToXyz[0][1] * g + kToXyz[0][2] * b;
  double y = kToXyz[1][0] * r + kToXyz[1][1] * g + kToXyz[1][2] * b;
  double z = kToXyz[2][0] * r + kToXyz[2][1] * g + kToXyz[2][2] * b;
  double fx = lab_f(x), fy = lab_f(y), fz = lab_f(z);
  return WorkColor{alpha, (116.0 * fy - 16.0) / 100.0, (500.0 * (fx - fy) + 134.0) / 354.0,
                   (200.0 * (fy - fz) + 140.0) / 262.0};
}

WorkColor to_work_color(const std::uint8_t rgba[4], double gamma) {
  double alpha = rgba[3] / 255.0;
  double r = rgba[0] / 255.0, g = rgba[1] / 255.0, b = rgba[2] / 255.0;
  if (gamma != 1.0) {
    double e = 1.0 / gamma;
    r = std::pow(r, e);
    g = std::pow(g, e);
    b = std::pow(b, e);
  }
  return linear_to_work_color(alpha, r * alpha, g * alpha, b * alpha);
}

void to_rgba(const WorkColor& c, double gamma, std::uint8_t out[4]) {
  double fy = (100.0 * c.L + 16.0) / 116.0;
  double fx = (354.0 * c.a - 134.0) / 500.0 + fy;
  double fz = fy - (262.0 * c.b - 140.0) / 200.0;
  double x = lab_f_inverse(fx), y = lab_f_inverse(fy), z = lab_f_inverse(fz);
  // A NaN alpha (from a degenerate average) is treated as transparent too.
  if (!(c.alpha >= kAlmostTransparent)) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }
  const auto& m = kToRgb.m;
  double lin[3] = {(m[0][0] * x + m[0][1] * y + m[0][2] * z) / c.alpha,
                   (m[1][1] * y + m[1][0] * x + m[1][2] * z) / c.alpha,
                   (m[2][0] * x + m[2][1] * y + m[2][2] * z) / c.alpha};
  for (int i = 0; i < 3; ++i) {
    double v = lin[i];
    if (gamma != 1.0) v = std::pow(v, gamma);
    double s = 256.0 * v;
    // NaN (a negative channel raised to a fractional power) and negatives clamp to 0.
    out[i] = !(s > 0.0) ? 0 : s >= 255.0 ? 255 : static_cast<std::uint8_t>(s);
  }
  double sa = 256.0 * c.alpha;
  out[3] = sa >= 255.0 ? 255 : static_cast<std::uint8_t>(sa);
}
