#include "tamble/runtime_env.h"

#include <cstdlib>
#include <cstring>

namespace tamble {

int parse_thread_request(const char* value) { return value ? std::atoi(value) : 0; }

int parse_isa_request(const char* value) {
  if (!value) return 3;
  if (std::strcmp(value, "scalar") == 0) return 0;
  if (std::strcmp(value, "avx2") == 0) return 2;
  if (std::strcmp(value, "avx512") == 0) return 3;
  return 3;
}

int parse_spin_budget(const char* value) {
  if (!value) return 100000;
  int budget = std::atoi(value);
  return budget <= 0 ? 512 : budget;
}

}  // namespace tamble
