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
  // An environment variable that must be set (to anything) before the
  // automatic choice takes this kernel, for one that is not faster on every
  // processor of its level; null when the kernel needs no asking.
  const char* opt_in = nullptr;
};

}  // namespace tamble
