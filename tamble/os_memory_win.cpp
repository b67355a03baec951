// Aligned blocks from the C run-time; Windows has no large-page hint for
// ordinary allocations (large pages need a privilege users rarely hold).
#include <malloc.h>

#include "tamble/os_memory.h"

namespace tamble::os {

void* allocate_aligned(std::size_t bytes, std::size_t alignment) {
  return _aligned_malloc(bytes, alignment);
}

void free_aligned(void* p) { _aligned_free(p); }

void advise_large_pages(void*, std::size_t) {}

// Pages come on first touch, as ever.
void populate_pages(void*, std::size_t) {}

// The run-time's blocks cannot be decommitted in part; the pages stay.
void discard_pages(void*, std::size_t) {}

}  // namespace tamble::os
