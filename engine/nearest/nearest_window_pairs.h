#pragma once
// Lanes of two doubles for nearest_window_lanes.h, on any x86-64: the
// portable row kernel and the tests use them. Kernel files compiled for
// other instruction sets bring their own, so this type is local to each file
// that includes it.
#include <emmintrin.h>

#include "engine/nearest/nearest_window_lanes.h"

namespace {

struct WindowPairs {
  using V = double __attribute__((vector_size(16)));
  using M = long long __attribute__((vector_size(16)));
  static constexpr int kLanes = 2;

  static V load(const double* from) {
    V v;
    __builtin_memcpy(&v, from, sizeof v);
    return v;
  }
  static bool any_greater(V x, V best) { return _mm_movemask_pd(_mm_cmpgt_pd(x, best)) != 0; }
  static void lowest(V& d, V& i) {
    take_nearer<WindowPairs>(d, i, __builtin_shufflevector(d, d, 1, 0), __builtin_shufflevector(i, i, 1, 0));
  }
  static V spread_min(V d) {
    const V swapped = __builtin_shufflevector(d, d, 1, 0);
    return swapped < d ? swapped : d;
  }
  static unsigned bits(M m) { return static_cast<unsigned>(_mm_movemask_pd(reinterpret_cast<__m128d>(m))); }
};

}  // namespace
