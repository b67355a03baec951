#include "tamble/runtime_env.h"

#include <cstdlib>
#include <cstring>

#include "tamble/isa_levels.h"

namespace tamble {

int parse_thread_request(const char* value) { return value ? std::atoi(value) : 0; }

int parse_isa_request(const char* value) {
  const std::span<const isa_level_spec> levels = isa_levels();
  if (value)
    for (const isa_level_spec& l : levels)
      if (std::strcmp(value, l.name) == 0) return l.level;
  return levels.back().level;
}

int parse_spin_budget(const char* value) {
  if (!value) return 10000;
  int budget = std::atoi(value);
  return budget <= 0 ? 512 : budget;
}

}  // namespace tamble
