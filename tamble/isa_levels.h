#pragma once
// Instruction-set levels: 0 scalar, then the vector levels of
// tamble/isa_levels.txt, each with the features its kernel files are
// compiled for. The build gives those files exactly these features as flags.
#include <span>

#include "tamble/cpu_features.h"

namespace tamble {

struct isa_level_spec {
  int level;
  const char* name;    // the NQ_ISA value that asks for it
  const char* suffix;  // kernel files of the level end in <suffix>.cpp
  const char* flags;   // their compiler flags
  feature_mask needs;  // what the processor must report before the level runs
};

// Lowest first; the scalar level needs nothing.
std::span<const isa_level_spec> isa_levels();
// The level numbered `level`, or null.
const isa_level_spec* find_isa_level(int level);
// The highest level not above `wanted` whose needs `available` covers.
int highest_isa_level(int wanted, feature_mask available);

}  // namespace tamble
