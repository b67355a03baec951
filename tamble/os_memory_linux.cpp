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

namespace {

std::size_t whole_pages(std::size_t bytes) {
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

// A mapping of `length` bytes at an address aligned to a large page: a
// large page more is mapped and the ends past the aligned range go back.
void* map_aligned(std::size_t length) {
  const std::size_t mapped = length + kLargePageBytes;
  void* raw = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::uintptr_t end = aligned + length, mapped_end = start + mapped;
  if (mapped_end > end) ::munmap(reinterpret_cast<void*>(end), mapped_end - end);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

void* allocate_large(std::size_t bytes) { return map_aligned(whole_pages(bytes)); }

void free_large(void* p, std::size_t bytes) {
  if (p != nullptr) ::munmap(p, whole_pages(bytes));
}

// The block's pages move to an aligned place of the new length, whose
// mapping they replace; the system maps the rest afresh. Large pages stay
// whole when both places are aligned to them.
void* grow_large(void* p, std::size_t old_bytes, std::size_t new_bytes) {
  const std::size_t length = whole_pages(new_bytes);
  void* place = map_aligned(length);
  if (place == nullptr) return nullptr;
  void* moved = ::mremap(p, whole_pages(old_bytes), length, MREMAP_MAYMOVE | MREMAP_FIXED, place);
  if (moved == MAP_FAILED) {
    ::munmap(place, length);
    return nullptr;
  }
  return moved;
}

// Mappings go back in any whole pages.
bool large_blocks_split() { return true; }

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
