#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "tamble/os_memory.h"

namespace tamble::os {

void* allocate_aligned(std::size_t bytes, std::size_t alignment) {
  void* p = nullptr;
  return posix_memalign(&p, alignment, bytes) == 0 ? p : nullptr;
}

void free_aligned(void* p) { std::free(p); }

void advise_large_pages(void* p, std::size_t bytes) {
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t first = (start + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
  const std::uintptr_t end = (start + bytes) / kLargePageBytes * kLargePageBytes;
  if (p != nullptr && first < end)
    ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

void populate_pages(void* p, std::size_t bytes) {
  static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  if (p == nullptr || bytes == 0) return;
  // Every page the range touches is the block's own to write, so the rounding
  // backs nothing that would not be backed anyway.
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(p) / page * page;
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes + page - 1) / page * page;
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
}

void discard_pages(void* p, std::size_t bytes) {
  static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  if (p == nullptr) return;
  // Whole pages inside the range only: the system rounds a length up, and
  // the rest of a page at either end may hold another block's bytes, or the
  // allocator's own records next to a block that came from the heap.
  const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(p) + page - 1) / page * page;
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) / page * page;
  if (start < end) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
}

}  // namespace tamble::os
