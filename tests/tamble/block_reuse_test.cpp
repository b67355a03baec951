#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "tamble/block_reuse.h"
#include "tamble/device.h"
#include "tamble/device_allocator.h"
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
    // A far smaller request takes the block's head where blocks split, and
    // the rest stays kept; elsewhere a fresh block, and the kept one goes.
    void* small = dev->allocate(kLarge / 4);
    const bool splits = tamble::os::large_blocks_split();
    if (splits) EXPECT_EQ(small, first);
    EXPECT_EQ(tamble::detail::kept_block_count(), splits ? 1u : 0u);
    dev->free(small);
    void* small_again = dev->allocate(kLarge / 4);
    EXPECT_EQ(small_again, small);
    dev->free(small_again);
    if (splits) {
      void* tail = dev->allocate(kLarge - kLarge / 4);  // the rest, just as it was kept
      EXPECT_EQ(tail, static_cast<std::uint8_t*>(first) + kLarge / 4);
      EXPECT_EQ(static_cast<std::uint8_t*>(tail)[kLarge - kLarge / 4 - 1], 7);
      dev->free(tail);
    }
    const std::size_t kept = tamble::detail::kept_block_count();
    void* tiny = dev->allocate(64);  // small blocks are never kept
    dev->free(tiny);
    EXPECT_EQ(tamble::detail::kept_block_count(), kept);
  }
  EXPECT_EQ(tamble::detail::kept_block_count(), 0u);
}

// A stage that needs more than an earlier one freed grows that block, so
// only the difference comes as fresh pages; where the system cannot grow a
// block in place or move its pages, a fresh one serves.
TEST(FreedBlockReuse, LongerRequestsGrowTheLongestShorterBlock) {
  using Bytes = std::vector<std::uint8_t, tamble::device_allocator<std::uint8_t>>;
  void* probe = tamble::os::allocate_large(kLarge);
  ASSERT_NE(probe, nullptr);
  static_cast<std::uint8_t*>(probe)[kLarge - 1] = 9;
  void* probe_grown = tamble::os::grow_large(probe, kLarge, 2 * kLarge);
  const bool grows = probe_grown != nullptr;
  if (grows) {
    EXPECT_EQ(static_cast<std::uint8_t*>(probe_grown)[kLarge - 1], 9);
    static_cast<std::uint8_t*>(probe_grown)[2 * kLarge - 1] = 1;  // the new part is ours
    tamble::os::free_large(probe_grown, 2 * kLarge);
  } else {
    tamble::os::free_large(probe, kLarge);
  }

  tamble::device* dev = tamble::get_cpu_device();
  tamble::freed_block_reuse scope;
  {
    Bytes shorter(kLarge / 2, 1);  // containers on the device take part too
    Bytes longest(kLarge);
    for (std::size_t i = 0; i < kLarge; ++i) longest[i] = static_cast<std::uint8_t>(i * 7);
  }
  EXPECT_EQ(tamble::detail::kept_block_count(), 2u);
  auto* grown = static_cast<std::uint8_t*>(dev->allocate(3 * kLarge));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(tamble::detail::kept_block_count(), 0u);  // the other one went back
  if (grows) {
    for (std::size_t i = 0; i < kLarge; ++i) ASSERT_EQ(grown[i], static_cast<std::uint8_t>(i * 7)) << i;
  }
  grown[3 * kLarge - 1] = 2;
  dev->free(grown);
  EXPECT_EQ(tamble::detail::kept_block_count(), 1u);
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
