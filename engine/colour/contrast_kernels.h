#pragma once
// The per-pixel loops of the contrast maps, one file per instruction set and
// chosen at run time. Every kernel does the scalar operations of each value
// in the scalar order, so all give the same bits.
#include <cstddef>

#include "engine/colour/work_color.h"
#include "tamble/isa_kernel.h"

// One image row of working colours with the rows above and below it.
struct ColourRows {
  const WorkColor* above;
  const WorkColor* row;
  const WorkColor* below;
  std::size_t w;
};

struct ContrastKernels {
  // Raw noise and edge values of the row (edges may be null); w at least 4.
  void (*measure)(const ColourRows& rows, double* noise, double* edges);
  // dst = largest (smallest) of each pixel and its four cross neighbours;
  // dst must not overlap the inputs.
  void (*cross_row)(bool is_max, const double* above, const double* row, const double* below,
                    std::size_t w, double* dst);
};

extern const tamble::isa_kernel<ContrastKernels> kContrastKernelsBase;
extern const tamble::isa_kernel<ContrastKernels> kContrastKernelsAvx2;

// The best kernels the processor and the requested level allow.
const ContrastKernels& contrast_kernels();
// Those of an instruction-set level (for tests).
const ContrastKernels& contrast_kernels_for(int level);
