#include <gtest/gtest.h>

#include <vector>

#include "engine/dither/neighbour_lists.h"
#include "masked_test_support.h"

namespace {

std::vector<std::uint32_t> list_of(const NeighbourLists& n, std::uint32_t e) {
  return std::vector<std::uint32_t>(n.of(e), n.of(e) + n.length);
}

TEST(NeighbourLists, LengthIsAtMostFourAndZeroForOneEntry) {
  EXPECT_EQ(build_neighbour_lists(palette_of({grey(0.5)}), ColorMetric{}).length, 0u);
  EXPECT_EQ(build_neighbour_lists(palette_of({grey(0.5), grey(0.6)}), ColorMetric{}).length, 1u);
  std::vector<WorkColor> many;
  for (int i = 0; i < 256; ++i) many.push_back(grey(i / 255.0));
  NeighbourLists n = build_neighbour_lists(palette_of(many), ColorMetric{});
  EXPECT_EQ(n.length, 4u);
  EXPECT_EQ(n.entries.size(), 256u * 4u);
  EXPECT_EQ(list_of(n, 255), (std::vector<std::uint32_t>{254, 253, 252, 251}));
}

TEST(NeighbourLists, AscendingDifferenceThenSmallerIndex) {
  // Entry 0 at 0.5: entries 2 and 3 are equally near (0.0625 either side).
  Palette p = palette_of({grey(0.5), grey(0.875), grey(0.75), grey(0.25), grey(0.5625), grey(0.0)});
  NeighbourLists n = build_neighbour_lists(p, ColorMetric{});
  ASSERT_EQ(n.length, 4u);
  EXPECT_EQ(list_of(n, 0), (std::vector<std::uint32_t>{4, 2, 3, 1}));
  EXPECT_EQ(list_of(n, 5), (std::vector<std::uint32_t>{3, 0, 4, 2}));
  // Chroma counts too: a colourful entry at the same lightness is far away.
  Palette c = palette_of({grey(0.5), WorkColor{1.0, 0.5, 0.6, 0.3}, grey(0.7)});
  EXPECT_EQ(list_of(build_neighbour_lists(c, ColorMetric{}), 0), (std::vector<std::uint32_t>{2, 1}));
}

}  // namespace
