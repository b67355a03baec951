#pragma once
// The operating system's side of large blocks. One implementation file per
// platform; everything above this is portable.
#include <cstddef>

namespace tamble::os {

// Blocks at least this long are aligned to it and offered large pages.
inline constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

// A block of `bytes` aligned to `alignment` (a power of two, at least the size
// of a pointer), released only by free_aligned; nullptr when memory runs out.
void* allocate_aligned(std::size_t bytes, std::size_t alignment);
void free_aligned(void* p);

// A large block of its own, aligned to kLargePageBytes; nullptr when memory
// runs out. Released only by free_large with the same size.
void* allocate_large(std::size_t bytes);
void free_large(void* p, std::size_t bytes);

// The large block p of old_bytes made new_bytes long, moved where it must
// be: its first old_bytes keep their contents and their backed pages, the
// rest comes fresh. nullptr where the system cannot, and then p is as it
// was; otherwise p is no longer valid.
void* grow_large(void* p, std::size_t old_bytes, std::size_t new_bytes);

// Whether a block of allocate_large may be given back in parts: a head and
// the rest, each from its own start with its own length.
bool large_blocks_split();

// Asks for large pages behind the whole large pages inside [p, p + bytes),
// which need not be aligned: a 16 MP image's arrays otherwise take hundreds
// of thousands of page faults, a third of a run's time. The partial pages at
// either end stay small, so nothing past the range is ever backed. A hint
// only; failure changes nothing.
void advise_large_pages(void* p, std::size_t bytes);

// Backs every page of [p, p + bytes) at once, in one call rather than one
// fault per page, for a block about to be written whole anyway. A hint only.
void populate_pages(void* p, std::size_t bytes);

// Tells the system the contents of [p, p + bytes) are no longer needed: the
// pages wholly inside it may go back, to come again as zero pages if
// touched. Bytes outside the range never change. A hint only.
void discard_pages(void* p, std::size_t bytes);

}  // namespace tamble::os
