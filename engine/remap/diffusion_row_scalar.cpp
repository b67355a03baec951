// The row kernel for any x86-64: the window in pairs of lanes.
#include <emmintrin.h>

#include "engine/remap/diffusion_row_lanes.h"
#include "tamble/compiled_features.h"

namespace {

struct Pairs {
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
    take_nearer<Pairs>(d, i, __builtin_shufflevector(d, d, 1, 0), __builtin_shufflevector(i, i, 1, 0));
  }
};

}  // namespace

void diffuse_row_scalar(const DiffusionPass& pass, const DiffusionRow& row) { diffuse_row_lanes<Pairs>(pass, row); }

constinit const tamble::isa_kernel<diffusion_row_fn> kDiffuseRowScalar{0, tamble::kCompiledFeatures,
                                                                       diffuse_row_scalar, __FILE__};
