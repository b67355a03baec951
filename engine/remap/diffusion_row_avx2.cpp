// The row kernel with AVX2: the window in fours.
#include <immintrin.h>

#include "engine/remap/diffusion_row_lanes.h"
#include "tamble/compiled_features.h"

namespace {

struct Fours {
  using V = double __attribute__((vector_size(32)));
  using M = long long __attribute__((vector_size(32)));
  static constexpr int kLanes = 4;

  static V load(const double* from) {
    V v;
    __builtin_memcpy(&v, from, sizeof v);
    return v;
  }
  static bool any_greater(V x, V best) { return _mm256_movemask_pd(_mm256_cmp_pd(x, best, _CMP_GT_OQ)) != 0; }
  static V spread_min(V d) {
    const V halves = __builtin_shufflevector(d, d, 2, 3, 0, 1);
    const V low = halves < d ? halves : d;
    const V pairs = __builtin_shufflevector(low, low, 1, 0, 3, 2);
    return pairs < low ? pairs : low;
  }
  static unsigned bits(M m) { return static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<__m256d>(m))); }
  static void lowest(V& d, V& i) {
    take_nearer<Fours>(d, i, __builtin_shufflevector(d, d, 2, 3, 0, 1), __builtin_shufflevector(i, i, 2, 3, 0, 1));
    take_nearer<Fours>(d, i, __builtin_shufflevector(d, d, 1, 0, 3, 2), __builtin_shufflevector(i, i, 1, 0, 3, 2));
  }
};

}  // namespace

std::uint32_t diffuse_row_avx2(const DiffusionPass& pass, const DiffusionRow& row) {
  return diffuse_row_for_metric<Fours>(pass, row);
}

constinit const tamble::isa_kernel<diffusion_row_fn> kDiffuseRowAvx2{2, tamble::kCompiledFeatures, diffuse_row_avx2,
                                                                     __FILE__};
