#pragma once
// The contrast loops written once over a vector type V (V::kLanes doubles,
// with load, store, add, sub, mul, max, min, abs and splat), for each kernel
// file to instantiate. max and min are a > b ? a : b and a < b ? a : b, as
// the vector instructions compute them; the largest of four non-negative
// values does not depend on the order it is taken in.
#include <cmath>
#include <cstddef>

#include "engine/colour/contrast_kernels.h"

namespace contrast_lanes {

constexpr std::size_t kPlanes = 4;

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

// Values x .. x + kLanes - 1, reading x - 1 and x + kLanes as neighbours,
// or one edge value with its clamped neighbours when V is Scalar.
template <class V>
inline void measure_at(const RowPlanes& p, std::size_t x, std::size_t left, std::size_t right,
                       double* noise, double* edges) {
  using T = typename V::T;
  const T two = V::splat(2.0);
  T horiz = V::splat(0.0), vert = V::splat(0.0);
  for (std::size_t c = 0; c < kPlanes; ++c) {
    const double* row = p.row + c * p.w;
    const T curr2 = V::mul(two, V::load(row + x));
    T h = V::sub(V::add(V::load(row + left), V::load(row + right)), curr2);
    T v = V::sub(V::add(V::load(p.above + c * p.w + x), V::load(p.below + c * p.w + x)), curr2);
    horiz = V::max(horiz, V::abs(h));
    vert = V::max(vert, V::abs(v));
  }
  contrast_values<V>(horiz, vert, noise + x, edges ? edges + x : nullptr);
}

template <class V>
void measure(const RowPlanes& p, double* noise, double* edges) {
  const std::size_t w = p.w;
  measure_at<Scalar>(p, 0, 0, 1, noise, edges);
  std::size_t x = 1;
  for (; x + V::kLanes < w; x += V::kLanes) measure_at<V>(p, x, x - 1, x + 1, noise, edges);
  for (; x + 1 < w; ++x) measure_at<Scalar>(p, x, x - 1, x + 1, noise, edges);
  measure_at<Scalar>(p, w - 1, w - 2, w - 1, noise, edges);
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
