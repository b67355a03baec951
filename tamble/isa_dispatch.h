#pragma once
// Chooses among a family of kernels, one per level. A kernel is eligible when
// its level is not above the one wanted and the processor has both what the
// level checks and what the kernel's file was compiled for; the highest such
// level wins. Nothing is inferred from names or guessed from the level alone.
#include <cstddef>
#include <cstdlib>

#include "tamble/isa_kernel.h"
#include "tamble/isa_levels.h"

namespace tamble {

inline bool kernel_runs_on(int level, feature_mask needs, feature_mask available) {
  const isa_level_spec* spec = find_isa_level(level);
  return spec && (spec->needs & ~available) == 0 && (needs & ~available) == 0;
}

// table[0] is the scalar kernel, which needs nothing and is the last resort.
template <class Fn, std::size_t N>
const isa_kernel<Fn>& select_kernel(const isa_kernel<Fn>* const (&table)[N], int wanted,
                                    feature_mask available = processor_feature_bits()) {
  const isa_kernel<Fn>* chosen = table[0];
  for (const isa_kernel<Fn>* k : table)
    if (k->level <= wanted && k->level > chosen->level && kernel_runs_on(k->level, k->needs, available))
      chosen = k;
  return *chosen;
}

// The automatic choice: as select_kernel, passing over kernels whose opt-in
// variable is not set.
template <class Fn, std::size_t N>
const isa_kernel<Fn>& select_auto_kernel(const isa_kernel<Fn>* const (&table)[N], int wanted,
                                         feature_mask available = processor_feature_bits()) {
  const isa_kernel<Fn>* chosen = table[0];
  for (const isa_kernel<Fn>* k : table)
    if (k->level <= wanted && k->level > chosen->level && (!k->opt_in || std::getenv(k->opt_in)) &&
        kernel_runs_on(k->level, k->needs, available))
      chosen = k;
  return *chosen;
}

}  // namespace tamble
