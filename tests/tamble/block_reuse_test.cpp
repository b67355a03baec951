#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "tamble/block_reuse.h"
#include "tamble/device.h"
#include "tamble/os_memory.h"

namespace {

constexpr std::size_t kLarge = 4 * tamble::os::kLargePageBytes;

TEST(FreedBlockReuse, ScopesHandFreedLargeBlocksOnAndGiveThemBackAtTheEnd) {
  tamble::device* dev = tamble::get_cpu_device();
  void* outside = dev->allocate(kLarge);
  dev->free(outside);
  EXPECT_EQ(tamble::detail::kept_block_count(), 0u);  // no scope: given back at once
  {
    tamble::freed_block_reuse scope;
    void* first = dev->allocate(kLarge);
    static_cast<std::uint8_t*>(first)[kLarge - 1] = 7;
    dev->free(first);
    EXPECT_EQ(tamble::detail::kept_block_count(), 1u);
    void* second = dev->allocate(kLarge - 4096);  // about the same size: the same block
    EXPECT_EQ(second, first);
    dev->free(second);
    {
      tamble::freed_block_reuse nested;  // only the outermost scope gives back
    }
    EXPECT_EQ(tamble::detail::kept_block_count(), 1u);
    // Far smaller or larger requests get fresh blocks, and the kept one goes.
    void* small = dev->allocate(kLarge / 4);
    EXPECT_EQ(tamble::detail::kept_block_count(), 0u);
    dev->free(small);
    void* small_again = dev->allocate(kLarge / 4);
    EXPECT_EQ(small_again, small);
    dev->free(small_again);
    void* tiny = dev->allocate(64);  // small blocks are never kept
    dev->free(tiny);
    EXPECT_EQ(tamble::detail::kept_block_count(), 1u);
  }
  EXPECT_EQ(tamble::detail::kept_block_count(), 0u);
}

// A kept block may come from the heap, the allocator's records right after it.
TEST(DiscardPages, LeaveEveryByteOutsideTheRange) {
  constexpr std::size_t kPage = 4096;
  auto* p = static_cast<std::uint8_t*>(tamble::os::allocate_aligned(4 * kPage, kPage));
  ASSERT_NE(p, nullptr);
  for (std::size_t i = 0; i < 4 * kPage; ++i) p[i] = 0xAB;
  tamble::os::discard_pages(p, kPage + 100);             // ends inside the second page
  tamble::os::discard_pages(p + 2 * kPage + 1, kPage);  // holds no whole page
  for (std::size_t i = kPage + 100; i < 4 * kPage; ++i) ASSERT_EQ(p[i], 0xAB) << i;
  tamble::os::free_aligned(p);
}

}  // namespace
