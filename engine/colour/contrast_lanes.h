#pragma once
// The contrast loops written once over a vector type V (V::kLanes doubles,
// with load, store, add, sub, mul, max, min, abs and splat), for each kernel
// file to instantiate, and the scalar measure they fall back to. max and min
// are a > b ? a : b and a < b ? a : b, as the vector instructions compute
// them; the largest of four non-negative values does not depend on the
// order it is taken in.
#include <cmath>
#include <cstddef>

#include "engine/colour/contrast_kernels.h"

namespace contrast_lanes {

constexpr std::size_t kComponents = 4;  // alpha, L, a, b

inline double larger(double a, double b) { return a > b ? a : b; }
inline double smaller(double a, double b) { return a < b ? a : b; }

// Second differences can exceed 1 (a one-pixel black and white checker):
// such pixels are as busy as pixels get, so both values stop at 0 rather
// than turning back up (z^4) or going negative.
template <class V, class T>
inline void contrast_values(T horiz, T vert, double* noise, double* edges) {
  const T zero = V::splat(0.0), one = V::splat(1.0);
  T edge = V::max(horiz, vert);
  T spread = V::sub(edge, V::mul(V::splat(0.5), V::abs(V::sub(horiz, vert))));
  T z = V::max(zero, V::sub(one, V::max(V::min(horiz, vert), spread)));
  T z2 = V::mul(z, z);
  V::store(noise, V::mul(z2, z2));
  if (edges) V::store(edges, V::max(zero, V::sub(one, edge)));
}

// One value per step; left and right are the clamped neighbours of x.
struct Scalar {
  using T = double;
  static constexpr std::size_t kLanes = 1;
  static T splat(double v) { return v; }
  static T load(const double* p) { return *p; }
  static void store(double* p, T v) { *p = v; }
  static T add(T a, T b) { return a + b; }
  static T sub(T a, T b) { return a - b; }
  static T mul(T a, T b) { return a * b; }
  static T max(T a, T b) { return larger(a, b); }
  static T min(T a, T b) { return smaller(a, b); }
  static T abs(T a) { return std::fabs(a); }
};

// One pixel's raw values from its clamped neighbours: per component
// (alpha, L, a, b in turn) the second differences, each the largest so far.
inline void measure_pixel(const ColourRows& p, std::size_t x, std::size_t left, std::size_t right,
                          double* noise, double* edges) {
  const double* row = &p.row[0].alpha;
  const double* above = &p.above[0].alpha;
  const double* below = &p.below[0].alpha;
  double horiz = 0.0, vert = 0.0;
  for (std::size_t c = 0; c < kComponents; ++c) {
    const double curr2 = 2.0 * row[4 * x + c];
    const double h = (row[4 * left + c] + row[4 * right + c]) - curr2;
    const double v = (above[4 * x + c] + below[4 * x + c]) - curr2;
    horiz = larger(horiz, std::fabs(h));
    vert = larger(vert, std::fabs(v));
  }
  contrast_values<Scalar>(horiz, vert, noise + x, edges ? edges + x : nullptr);
}

// The pixels at both ends, and those from x on that a vector kernel left.
inline void measure_ends(const ColourRows& p, std::size_t x, double* noise, double* edges) {
  const std::size_t w = p.w;
  measure_pixel(p, 0, 0, 1, noise, edges);
  for (x = x < 1 ? 1 : x; x + 1 < w; ++x) measure_pixel(p, x, x - 1, x + 1, noise, edges);
  measure_pixel(p, w - 1, w - 2, w - 1, noise, edges);
}

template <class V, bool kMax>
inline void cross_at(const double* above, const double* row, const double* below, std::size_t x,
                     std::size_t left, std::size_t right, double* dst) {
  auto pick = [](typename V::T a, typename V::T b) { return kMax ? V::max(a, b) : V::min(a, b); };
  auto v = pick(V::load(row + x), V::load(row + left));
  v = pick(v, V::load(row + right));
  v = pick(v, V::load(above + x));
  V::store(dst + x, pick(v, V::load(below + x)));
}

template <class V, bool kMax>
void cross_row_of(const double* above, const double* row, const double* below, std::size_t w,
                  double* dst) {
  if (w == 1) {
    cross_at<Scalar, kMax>(above, row, below, 0, 0, 0, dst);
    return;
  }
  cross_at<Scalar, kMax>(above, row, below, 0, 0, 1, dst);
  std::size_t x = 1;
  for (; x + V::kLanes < w; x += V::kLanes) cross_at<V, kMax>(above, row, below, x, x - 1, x + 1, dst);
  for (; x + 1 < w; ++x) cross_at<Scalar, kMax>(above, row, below, x, x - 1, x + 1, dst);
  cross_at<Scalar, kMax>(above, row, below, w - 1, w - 2, w - 1, dst);
}

template <class V>
void cross_row(bool is_max, const double* above, const double* row, const double* below,
               std::size_t w, double* dst) {
  if (is_max)
    cross_row_of<V, true>(above, row, below, w, dst);
  else
    cross_row_of<V, false>(above, row, below, w, dst);
}

}  // namespace contrast_lanes
