#include <sys/mman.h>

#include "tamble/os_memory.h"

namespace tamble::os {

void advise_huge_pages(void* p, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Whole huge pages only: the tail past the last one may share memory with
  // other blocks, which keep the default.
  (void)madvise(p, bytes & ~(kHugePageBytes - 1), MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

}  // namespace tamble::os
