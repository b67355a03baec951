#include "tamble/array.h"

#include <cstdio>

namespace tamble::detail {

void report_refused_allocation(std::size_t bytes) {
  std::fprintf(stderr,
               "[tamble::array] ALLOCATION FAILED: %zu bytes refused -- device is now in an OOM state "
               "(dev->oom() == true). The caller MUST check dev->oom() (or an equivalent status check) "
               "before launching any kernel that uses this array's data() pointer, or a device fault / "
               "driver crash can follow.\n",
               bytes);
  if (bytes > 281474976710655ull) {
    std::fprintf(stderr,
                 "[tamble::array]   ^^ IMPLAUSIBLE SIZE: this is almost certainly a NEGATIVE signed "
                 "element count wrapped by the size_t parameter, not real memory pressure. As int64 the "
                 "request is %lld bytes. Fix the count's arithmetic at the call site (compute in int64 "
                 "and clamp), not the memory budget.\n",
                 static_cast<long long>(bytes));
  }
  std::fflush(stderr);
}

}  // namespace tamble::detail
