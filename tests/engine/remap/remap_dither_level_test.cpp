// The dithering amount per pixel and the damping of the edge map by runs of
// equal indices.
#include <gtest/gtest.h>

#include "engine/remap/dither_level.h"
#include "engine/remap/damp_dither_map.h"
#include "tests/engine/remap/remap_test_support.h"

namespace {

tamble::device* cpu() { return tamble::get_cpu_device(); }

TEST(DitherLevel, EdgeMapFloorAndStrength) {
  EngineSettings s;
  s.dither_floor = 0.25;
  s.dither_strength = 2.0;
  const double edge[3] = {0.1, 0.5, 1.0};
  EXPECT_EQ(dither_level(edge, 0, 3, 1, s), 0.5);  // the floor wins
  EXPECT_EQ(dither_level(edge, 1, 3, 1, s), 1.0);
  EXPECT_EQ(dither_level(edge, 2, 3, 1, s), 2.0);  // not capped here
  EXPECT_EQ(dither_level(nullptr, 2, 3, 1, s), 1.8);  // no edge map: 0.9
  s.dither_strength = 0.0;
  EXPECT_EQ(dither_level(edge, 2, 3, 1, s), 0.0);
}

TEST(DitherLevel, DitherMapScalesOnlyWhenItFitsTheImage) {
  EngineSettings s;
  s.dither_floor = 0.75;
  s.dither_strength = 1.0;
  const std::uint8_t map[4] = {0, 64, 128, 255};
  s.dither_map = map;
  s.dither_width = 2;
  s.dither_height = 2;
  const double edge[4] = {1, 1, 1, 1};
  EXPECT_EQ(dither_level(edge, 0, 2, 2, s), 0.0);
  EXPECT_EQ(dither_level(edge, 1, 2, 2, s), 0.5);
  EXPECT_EQ(dither_level(edge, 2, 2, 2, s), 1.0);
  EXPECT_EQ(dither_level(edge, 3, 2, 2, s), 255.0 / 128);
  // Same pixel count, other shape: ignored.
  EXPECT_EQ(dither_level(edge, 0, 4, 1, s), 1.0);
  EXPECT_EQ(dither_level(edge, 0, 1, 4, s), 1.0);
}

std::vector<double> damped(const std::vector<std::uint8_t>& indices, std::uint32_t width,
                           std::uint32_t height) {
  std::vector<double> edge(indices.size(), 1.0);
  damp_dither_map(cpu(), indices.data(), width, height, edge.data());
  return edge;
}

TEST(DampDitherMap, RunsInOneRow) {
  // An isolated first pixel keeps 1 - 2.5/3.5, as does the column that ends
  // its run; the rest (one counted column and the last) gives the same share.
  std::vector<double> e = damped({7, 3, 3, 3}, 4, 1);
  const double isolated = 1 - 2.5 / 3.5;
  EXPECT_DOUBLE_EQ(e[0], isolated);
  EXPECT_DOUBLE_EQ(e[1], isolated);
  EXPECT_DOUBLE_EQ(e[2], isolated);
  EXPECT_DOUBLE_EQ(e[3], isolated);
  // A run of two closes at the change; the next run starts after the closing
  // column and is empty when the row ends there.
  e = damped({1, 1, 2, 2}, 4, 1);
  EXPECT_DOUBLE_EQ(e[0], 1 - 2.5 / 4.5);
  EXPECT_DOUBLE_EQ(e[2], 1 - 2.5 / 4.5);
  EXPECT_DOUBLE_EQ(e[3], 0.0);
}

TEST(DampDitherMap, EqualNeighboursAboveAndBelowLengthenTheRun) {
  std::vector<std::uint8_t> uniform(3 * 6, 4);
  std::vector<double> e = damped(uniform, 6, 3);
  // Middle row: 5 counted columns, each with an equal pixel above and below.
  EXPECT_DOUBLE_EQ(e[6], 1 - 2.5 / (5 + 2.5 + 10));
  // Top and bottom rows: one neighbour row each.
  EXPECT_DOUBLE_EQ(e[0], 1 - 2.5 / (5 + 2.5 + 5));
  EXPECT_DOUBLE_EQ(e[17], 1 - 2.5 / (5 + 2.5 + 5));
}

TEST(DampDitherMap, OnePixelWideImageIsLeftAlone) {
  std::vector<double> e = damped({1, 2, 3, 1}, 1, 4);
  for (double v : e) EXPECT_EQ(v, 1.0);
}

}  // namespace
