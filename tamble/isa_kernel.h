#pragma once
// How a kernel file declares what it needs: its level and the features its
// compiler enabled (tamble::kCompiledFeatures), as constant data, so reading
// the declaration runs none of the file's code.
#include "tamble/cpu_features.h"

namespace tamble {

template <class Fn>
struct isa_kernel {
  int level;
  feature_mask needs;
  Fn fn;
  const char* file;  // for messages
};

}  // namespace tamble
