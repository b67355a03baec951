#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/quantize.h"
#include "engine/colour/pixel_word.h"
#include "engine/remap/exact_fit.h"
#include "tests/engine/pipeline_test_images.h"

namespace {

TEST(ExactFit, ImageThePaletteHoldsStaysExactUnderErrorDiffusion) {
  const std::uint32_t w = 64, h = 40;
  const std::vector<std::uint8_t> px = test_images::dark_greys(w, h);
  for (std::uint32_t speed : {3u, 6u}) {  // with and without a plain remap first
    QuantizerOptions o;
    o.dither = 1;
    o.speed = speed;
    test_images::Result r = test_images::quantize(px, w, h, o);
    ASSERT_EQ(r.status, 0u);
    EXPECT_EQ(r.size, 8u);
    for (std::size_t i = 0; i < std::size_t{w} * h; ++i) {
      const std::uint8_t* want = &px[4 * i];
      const std::uint8_t* got = &r.rgba[4 * i];
      if (want[3] == 0) {
        ASSERT_EQ(got[3], 0) << i;
        continue;
      }
      ASSERT_EQ(std::vector<std::uint8_t>(got, got + 4), std::vector<std::uint8_t>(want, want + 4))
          << "speed " << speed << " pixel " << i;
    }
  }
}

// Equal entries answer with the lowest index; one pixel the palette lacks,
// even after all the others matched, leaves every index as it was.
TEST(ExactFit, OnePixelMissingFromThePaletteLeavesTheIndices) {
  QuantizedImage out;
  out.palette_size = 3;
  out.transparent_count = 1;
  const std::uint8_t rgb[3][3] = {{0, 0, 0}, {9, 9, 9}, {9, 9, 9}};
  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < 3; ++c) out.palette_rgb[i][c] = rgb[i][c];
  out.palette_alpha[0] = 0;
  std::vector<std::uint8_t> px = {9, 9, 9, 255, 7, 7, 7, 0, 9, 9, 9, 255};
  std::vector<std::uint8_t> indices(3, 77);
  ASSERT_TRUE(map_exact_fit(px.data(), 3, out, indices.data()));
  EXPECT_EQ(indices, (std::vector<std::uint8_t>{1, 0, 1}));
  px.insert(px.end(), {9, 9, 8, 255});
  indices.assign(4, 77);
  EXPECT_FALSE(map_exact_fit(px.data(), 4, out, indices.data()));
  EXPECT_EQ(indices, std::vector<std::uint8_t>(4, 77));
  // The same pixels as numbered colours.
  const std::uint32_t ids[4] = {0, 1, 0, 2};
  const std::uint32_t words[3] = {pixel_word(&px[0]), pixel_word(&px[4]), pixel_word(&px[12])};
  indices.assign(4, 77);
  ASSERT_TRUE(map_exact_fit(ids, 3, words, 2, out, indices.data()));
  EXPECT_EQ(indices, (std::vector<std::uint8_t>{1, 0, 1, 77}));
  indices.assign(4, 77);
  EXPECT_FALSE(map_exact_fit(ids, 4, words, 3, out, indices.data()));
  EXPECT_EQ(indices, std::vector<std::uint8_t>(4, 77));
}

}  // namespace
