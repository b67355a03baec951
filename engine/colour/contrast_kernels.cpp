#include "engine/colour/contrast_kernels.h"

#include "tamble/isa_dispatch.h"
#include "tamble/runtime.h"

namespace {
const tamble::isa_kernel<ContrastKernels>* const kKernels[] = {&kContrastKernelsBase,
                                                               &kContrastKernelsAvx2};
}  // namespace

const ContrastKernels& contrast_kernels_for(int level) {
  return tamble::select_kernel(kKernels, level).fn;
}

const ContrastKernels& contrast_kernels() {
  static const ContrastKernels& kernels = contrast_kernels_for(tamble::effective_isa_level());
  return kernels;
}
