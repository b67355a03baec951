// The dedicated PNG path: every colour type and depth to 8-bit RGBA, and gamma.
#include <gtest/gtest.h>
#include <png.h>

#include "io/image_decode.h"
#include "tests/io/io_test_support.h"

namespace {

DecodedImage decode(const std::vector<std::uint8_t>& png) {
  ScratchFolder folder;
  std::string path = folder.file("image.png");
  write_bytes(path, png);
  DecodedImage image;
  EXPECT_EQ(io_message(load_image_file(path, image)), "");
  return image;
}

std::vector<std::uint8_t> pixel(const DecodedImage& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = &image.pixels[(std::size_t{y} * image.width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

using Rgba = std::vector<std::uint8_t>;

PngRecipe one_row(int colour_type, int depth, std::uint32_t width, std::vector<std::uint8_t> row) {
  PngRecipe recipe;
  recipe.width = width;
  recipe.colour_type = colour_type;
  recipe.bit_depth = depth;
  recipe.rows = {std::move(row)};
  return recipe;
}

}  // namespace

TEST(PngDecode, GammaComesFromGamaThenSrgbElseDefault) {
  PngRecipe recipe = one_row(PNG_COLOR_TYPE_GRAY, 8, 1, {7});
  EXPECT_EQ(decode(make_png(recipe)).gamma, 0.45454545454545453);
  recipe.srgb = true;
  EXPECT_EQ(decode(make_png(recipe)).gamma, 0.45455);
  recipe.srgb = false;
  recipe.gamma = 100000;
  EXPECT_EQ(decode(make_png(recipe)).gamma, 1.0);
  recipe.gamma = 45455;
  EXPECT_EQ(decode(make_png(recipe)).gamma, 0.45455);

  // A gAMA of zero counts as absent.
  std::vector<std::uint8_t> bytes = make_png(recipe);
  std::size_t gama = find_chunk(bytes, "gAMA");
  ASSERT_NE(gama, 0u);
  for (int i = 0; i < 4; ++i) bytes[gama + 8 + i] = 0;
  fix_chunk_crc(bytes, "gAMA");
  EXPECT_EQ(decode(bytes).gamma, 0.45454545454545453);
}

TEST(PngDecode, GreyAtEveryDepthBecomesOpaqueRgb) {
  // 1-, 2- and 4-bit samples scale to the full byte range.
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_GRAY, 1, 2, {0x40}))), 1, 0),
            (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_GRAY, 2, 2, {0x60}))), 1, 0),
            (Rgba{170, 170, 170, 255}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_GRAY, 4, 2, {0x3c}))), 1, 0),
            (Rgba{204, 204, 204, 255}));
  // 16-bit samples round to the nearest byte.
  DecodedImage grey16 = decode(make_png(one_row(PNG_COLOR_TYPE_GRAY, 16, 2, {0x12, 0xff, 0xab, 0x80})));
  EXPECT_EQ(pixel(grey16, 0, 0), (Rgba{0x13, 0x13, 0x13, 255}));
  EXPECT_EQ(pixel(grey16, 1, 0), (Rgba{0xab, 0xab, 0xab, 255}));
}

TEST(PngDecode, AlphaColourAndSixteenBitTypes) {
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 1, {90, 30}))), 0, 0),
            (Rgba{90, 90, 90, 30}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_GRAY_ALPHA, 16, 1, {90, 255, 30, 255}))), 0, 0),
            (Rgba{91, 91, 91, 31}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_RGB, 8, 1, {1, 2, 3}))), 0, 0),
            (Rgba{1, 2, 3, 255}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_RGB, 16, 1, {1, 255, 2, 128, 3, 0}))), 0, 0),
            (Rgba{2, 2, 3, 255}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_RGBA, 8, 1, {1, 2, 3, 4}))), 0, 0),
            (Rgba{1, 2, 3, 4}));
  EXPECT_EQ(pixel(decode(make_png(one_row(PNG_COLOR_TYPE_RGBA, 16, 1, {1, 9, 2, 9, 3, 9, 4, 9}))), 0, 0),
            (Rgba{1, 2, 3, 4}));
}

TEST(PngDecode, TransparencyKeysAndPalettes) {
  PngRecipe keyed = one_row(PNG_COLOR_TYPE_GRAY, 8, 2, {10, 20});
  keyed.trns = {0, 20};
  DecodedImage grey = decode(make_png(keyed));
  EXPECT_EQ(pixel(grey, 0, 0), (Rgba{10, 10, 10, 255}));
  EXPECT_EQ(pixel(grey, 1, 0)[3], 0);

  for (int depth : {1, 2, 4, 8}) {
    PngRecipe indexed = one_row(PNG_COLOR_TYPE_PALETTE, depth, 2, {});
    indexed.palette = {10, 20, 30, 40, 50, 60};
    indexed.trns = {128};  // shorter than the palette: the rest stays opaque
    // Pixel 0 uses index 1, pixel 1 index 0, packed from the most significant bits.
    indexed.rows = {{static_cast<std::uint8_t>(depth == 8 ? 1 : 1 << (8 - depth))}};
    if (depth == 8) indexed.rows[0].push_back(0);
    DecodedImage image = decode(make_png(indexed));
    EXPECT_EQ(pixel(image, 0, 0), (Rgba{40, 50, 60, 255})) << depth;
    EXPECT_EQ(pixel(image, 1, 0), (Rgba{10, 20, 30, 128})) << depth;
  }
}

TEST(PngDecode, InterlacedMatchesItsPixels) {
  PngRecipe recipe;
  recipe.width = 11;
  recipe.height = 9;
  recipe.colour_type = PNG_COLOR_TYPE_RGBA;
  recipe.interlaced = true;
  for (std::uint32_t y = 0; y < recipe.height; ++y) {
    std::vector<std::uint8_t> row;
    for (std::uint32_t x = 0; x < recipe.width; ++x) {
      row.insert(row.end(), {static_cast<std::uint8_t>(x * 20), static_cast<std::uint8_t>(y * 25),
                             static_cast<std::uint8_t>(x + y), static_cast<std::uint8_t>(255 - x)});
    }
    recipe.rows.push_back(row);
  }
  DecodedImage image = decode(make_png(recipe));
  ASSERT_EQ(image.width, 11u);
  ASSERT_EQ(image.height, 9u);
  for (std::uint32_t y = 0; y < recipe.height; ++y) {
    EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin() + y * 44, image.pixels.begin() + y * 44 + 44),
              recipe.rows[y]);
  }
}

TEST(PngDecode, StreamStatusesAndMessages) {
  ScratchFolder folder;
  std::string empty = folder.file("empty.png");
  write_bytes(empty, {});
  std::FILE* file = std::fopen(empty.c_str(), "rb");
  DecodedImage image;
  testing::internal::CaptureStderr();
  EXPECT_EQ(decode_png_stream(file, image).code, IoCode::kUnrecognised);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "  error: empty input\n");
  std::fclose(file);

  std::string junk = folder.file("junk.png");
  write_bytes(junk, {137, 80, 78, 71, 13, 10, 26, 10, 1, 2, 3});
  file = std::fopen(junk.c_str(), "rb");
  testing::internal::CaptureStderr();
  EXPECT_EQ(decode_png_stream(file, image).code, IoCode::kUnrecognised);
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("  error: not an image the codec can read", 0), 0u);
  std::fclose(file);
  EXPECT_EQ(image.width, 0u);
}
