#include "tamble/isa_levels.h"

#include <array>

#include "tamble/isa_levels_table.h"

namespace tamble {

namespace {

constexpr auto kLevels = [] {
  std::array<isa_level_spec, 1 + std::size(generated::kVectorLevels)> all{};
  all[0] = {0, "scalar", "", "", 0};
  for (std::size_t i = 0; i < std::size(generated::kVectorLevels); ++i) all[i + 1] = generated::kVectorLevels[i];
  return all;
}();

constexpr bool ascending() {
  for (std::size_t i = 1; i < kLevels.size(); ++i)
    if (kLevels[i].level <= kLevels[i - 1].level) return false;
  return true;
}
static_assert(ascending(), "tamble/isa_levels.txt must list levels above 0, lowest first");

}  // namespace

std::span<const isa_level_spec> isa_levels() { return kLevels; }

const isa_level_spec* find_isa_level(int level) {
  for (const isa_level_spec& l : kLevels)
    if (l.level == level) return &l;
  return nullptr;
}

int highest_isa_level(int wanted, feature_mask available) {
  int best = 0;
  for (const isa_level_spec& l : kLevels)
    if (l.level <= wanted && (l.needs & ~available) == 0) best = l.level;
  return best;
}

int isa_level_of(const cpu_features& f) { return highest_isa_level(kLevels.back().level, feature_bits(f)); }

}  // namespace tamble
