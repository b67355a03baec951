#include <sys/resource.h>

#include "tests/support/peak_memory.h"

std::uint64_t peak_resident_bytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}
