#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tamble/large_page_vector.h"

namespace {

// Unaligned blocks of any size, large ones spanning several large pages, come
// back zeroed whatever the vector held before.
TEST(LargePageVector, AssignsZeroedElementsOfAnySize) {
  for (std::size_t n : {std::size_t{0}, std::size_t{3}, std::size_t{5 << 20} + 13}) {
    std::vector<std::uint32_t> v(n / 2 + 7, 0xdeadbeefu);
    tamble::assign_on_large_pages(v, n);
    ASSERT_EQ(v.size(), n);
    EXPECT_TRUE(std::all_of(v.begin(), v.end(), [](std::uint32_t x) { return x == 0; })) << n;
  }
}

}  // namespace
