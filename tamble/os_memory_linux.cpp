#include <sys/mman.h>

#include "tamble/os_memory.h"

namespace tamble::os {

void advise_large_pages(void* p, std::size_t bytes) {
  if (p != nullptr && bytes >= kLargePageBytes) ::madvise(p, bytes, MADV_HUGEPAGE);
}

}  // namespace tamble::os
