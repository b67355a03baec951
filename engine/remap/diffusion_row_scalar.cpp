// The row kernel for any x86-64: the window in pairs of lanes.
// The row loop's four-lane colours are built from SSE2 halves here; they
// never cross a call, so the AVX calling convention does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"
#include "engine/nearest/nearest_window_pairs.h"
#include "engine/remap/diffusion_row_lanes.h"
#include "tamble/compiled_features.h"

std::uint32_t diffuse_row_scalar(const DiffusionPass& pass, const DiffusionRow& row) {
  return diffuse_row_for_metric<WindowPairs>(pass, row);
}

constinit const tamble::isa_kernel<diffusion_row_fn> kDiffuseRowScalar{0, tamble::kCompiledFeatures,
                                                                       diffuse_row_scalar, __FILE__};
