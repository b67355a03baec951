// Aligned blocks from the C run-time; Windows has no large-page hint for
// ordinary allocations (large pages need a privilege users rarely hold).
#include <malloc.h>

#include "tamble/os_memory.h"

namespace tamble::os {

void* allocate_aligned(std::size_t bytes, std::size_t alignment) {
  return _aligned_malloc(bytes, alignment);
}

void free_aligned(void* p) { _aligned_free(p); }

void* allocate_large(std::size_t bytes) { return _aligned_malloc(bytes, kLargePageBytes); }

void free_large(void* p, std::size_t) { _aligned_free(p); }

// A run-time block cannot take more pages in place or be moved with its own.
void* grow_large(void*, std::size_t, std::size_t) { return nullptr; }

bool large_blocks_split() { return false; }

void advise_large_pages(void*, std::size_t) {}

// Pages come on first touch, as ever.
void populate_pages(void*, std::size_t) {}

// The run-time's blocks cannot be decommitted in part; the pages stay.
void discard_pages(void*, std::size_t) {}

}  // namespace tamble::os
