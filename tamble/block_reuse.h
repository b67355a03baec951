#pragma once
// Large blocks of the processor device handed on instead of given back.
// A fresh block costs a page fault and the zeroing of every page on first
// touch; a block an earlier stage freed is already backed. While a scope is
// open, large blocks freed are kept for later allocations of about their
// size; closing the last scope gives back what is left.
#include <cstddef>

namespace tamble {

class freed_block_reuse {
 public:
  freed_block_reuse();
  ~freed_block_reuse();
  freed_block_reuse(const freed_block_reuse&) = delete;
  freed_block_reuse& operator=(const freed_block_reuse&) = delete;
};

namespace detail {
// For the processor device: a large block, kept or fresh (nullptr when
// memory runs out), and its release.
void* allocate_large_block(std::size_t bytes);
// False when p is not a large block of allocate_large_block.
bool free_large_block(void* p);
// Blocks kept now (for tests).
std::size_t kept_block_count();
}  // namespace detail

}  // namespace tamble
