#pragma once
// Screening costs of the mixing plan's duty-cycle candidates: close estimates
// of the exact costs (within 1e-14 or so), used only to rule candidates out.
// Plain data and declarations only: the vector kernel file includes it too.
#include <cstddef>

#include "tamble/isa_kernel.h"

inline constexpr std::size_t kMaxPlanCandidates = 165;
// The arrays hold whole vector steps; entries past `count` up to the next
// multiple of the step are valid padding that the kernels may screen too.
inline constexpr std::size_t kScreeningStep = 8;
inline constexpr std::size_t kScreeningSlots = 168;
static_assert(kScreeningSlots % kScreeningStep == 0 && kScreeningSlots >= kMaxPlanCandidates);

// One array per component of every candidate mix: alpha and the linear
// X, Y, Z summed from the members' scaled records, and restraint x reach.
struct ScreeningBatch {
  double alpha[kScreeningSlots];
  double x[kScreeningSlots];
  double y[kScreeningSlots];
  double z[kScreeningSlots];
  double reach[kScreeningSlots];
  std::size_t count;
};

struct ScreeningPixel {
  double alpha, L, a, b;
  double chroma2;  // squared chroma of the pixel
  double chroma_weight;
  double blend;
};

// All kernels perform the same operations in the same order, so they agree
// bit for bit; out[c] is -infinity where the estimate cannot be trusted.
// out needs room for `count` rounded up to the step.
void screen_candidates_scalar(const ScreeningBatch& batch, const ScreeningPixel& pixel, double* out);
void screen_candidates_avx2(const ScreeningBatch& batch, const ScreeningPixel& pixel, double* out);
void screen_candidates_avx512(const ScreeningBatch& batch, const ScreeningPixel& pixel, double* out);

using screen_candidates_fn = void (*)(const ScreeningBatch&, const ScreeningPixel&, double*);
// Each kernel file's declaration of its level and of what it was compiled for.
extern const tamble::isa_kernel<screen_candidates_fn> kScreenCandidatesScalar;
extern const tamble::isa_kernel<screen_candidates_fn> kScreenCandidatesAvx2;
extern const tamble::isa_kernel<screen_candidates_fn> kScreenCandidatesAvx512;

// The kernel for level `wanted`, or the best below it that this processor runs.
const tamble::isa_kernel<screen_candidates_fn>& screening_kernel(int wanted);
