#include "engine/work_color.h"

#include <cmath>

#include "engine/engine_settings.h"

namespace {
constexpr double kEpsilon = 0.008856451679035631;
constexpr double kKappa = 903.2962962962963;

double lab_f(double t) { return t <= kEpsilon ? (t * kKappa + 16.0) / 116.0 : std::cbrt(t); }

double lab_f_inverse(double f) {
  double cube = f * f * f;
  return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}
}  // namespace

WorkColor linear_to_work_color(double alpha, double r, double g, double b) {
  double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
  double y = 0.2126729 * r + 0.7151522 * g + 0.072175 * b;
  double z = 0.0193339 * r + 0.119192 * g + 0.9503041 * b;
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
  if (c.alpha < 1.0 / 256.0) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }
  double lin[3] = {(3.2404542 * x - 1.5371385 * y - 0.4985314 * z) / c.alpha,
                   (1.8760108 * y - 0.969266 * x + 0.041556 * z) / c.alpha,
                   (0.0556434 * x - 0.2040259 * y + 1.0572252 * z) / c.alpha};
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

double color_difference(const WorkColor& p, const WorkColor& q) {
  return color_difference(p, q, g_engine.chroma_weight, g_engine.blend);
}
